#include "logdaylist.h"

#include "backgroundload.h"
#include "platform/errorreport.h"

#include <QListView>
#include <QListWidget>
#include <QStringListModel>

void LogDayList::fillDays(QListWidget *days, const QString &logKind)
{
    const LogDayListing listing = ListLogDays(logKind);
    if (!listing.error.isEmpty()) {
        ShowErrorMessage(listing.error);
        return;
    }
    days->addItems(listing.entries);
    days->scrollToTop();
    days->setCurrentRow(0);
}

bool LogDayList::hasDayToLoad(const QListWidget *days)
{
    return days->count() > 0 && days->item(0)->text() != kNoLogs && days->currentItem();
}

QListView *LogDayList::makeLineList(QWidget *parent)
{
    auto *list = new QListView(parent);
    list->setObjectName(QStringLiteral("lstActivityLog"));
    list->setModel(new QStringListModel(list));
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A line longer than the list scrolls rather than losing its end.
    list->setTextElideMode(Qt::ElideNone);
    // Rows are measured 250 at a time between events: a line with a
    // line feed in it takes two rows, and the longest line sets the width.
    list->setLayoutMode(QListView::Batched);
    list->setBatchSize(250);
    return list;
}

QStringList LogDayList::shownLines(const QListView *lines)
{
    return static_cast<const QStringListModel *>(lines->model())->stringList();
}

void LogDayList::setLines(QListView *lines, const QStringList &texts)
{
    static_cast<QStringListModel *>(lines->model())->setStringList(texts);
}

void LogDayList::showDay(BackgroundLoad &load, QListView *lines, const QString &logKind, const QString &logDateText,
                         LogOrder order)
{
    setLines(lines, {QStringLiteral("Reading the log for ") + logDateText + QStringLiteral(" ...")});
    lines->show();
    load.start([=] { return LoadLogDay(logKind, logDateText, order); },
               [lines](const LogDayLines &day) {
                   setLines(lines, {});
                   if (!day.error.isEmpty()) {
                       ShowErrorMessage(day.error);
                       return;
                   }
                   setLines(lines, day.lines);
               });
}
