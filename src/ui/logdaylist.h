#pragma once

#include "station/logviews.h"

class BackgroundLoad;
class QListView;
class QListWidget;
class QWidget;

// What the two log viewers share: the list of days with a log of a kind, and
// the lines of the chosen day. A folder or file that cannot be read is shown
// in the error window and leaves the list as it is.
namespace LogDayList {
void fillDays(QListWidget *days, const QString &logKind);
// True when the list offers a day to load ("No Logs" offers none).
bool hasDayToLoad(const QListWidget *days);

// The list of a day's lines, `lstActivityLog`: a view over the lines read,
// so that a day of a million lines is shown without a widget item for each.
QListView *makeLineList(QWidget *parent);
QStringList shownLines(const QListView *lines);
void setLines(QListView *lines, const QStringList &texts);
// Shows "Reading the log for 03/26/07 ...", reads and orders the day beside
// the window, then shows its lines.
void showDay(BackgroundLoad &load, QListView *lines, const QString &logKind, const QString &logDateText,
             LogOrder order);
}
