#pragma once

#include "station/logviews.h"

class QListWidget;

// What the two log viewers share: the list of days with a log of a kind, and
// the lines of the chosen day. A folder or file that cannot be read is shown
// in the error window and leaves the list as it is.
namespace LogDayList {
void fillDays(QListWidget *days, const QString &logKind);
// True when the list offers a day to load ("No Logs" offers none).
bool hasDayToLoad(const QListWidget *days);
void showDay(QListWidget *lines, const QString &logKind, const QString &logDateText, LogOrder order);
}
