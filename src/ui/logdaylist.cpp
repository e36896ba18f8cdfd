#include "logdaylist.h"

#include "platform/errorreport.h"

#include <QListWidget>

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

void LogDayList::showDay(QListWidget *lines, const QString &logKind, const QString &logDateText, LogOrder order)
{
    lines->clear();
    lines->show();
    const LogDayLines day = LoadLogDay(logKind, logDateText, order);
    if (!day.error.isEmpty()) {
        ShowErrorMessage(day.error);
        return;
    }
    lines->addItems(day.lines);
}
