#pragma once

#include "platform/printer.h"

#include <QDate>
#include <QList>
#include <QString>

class ScheduleStore;
struct ScheduleRecord;

// "Left", "Right", "Stereo", "Rev"; empty for a blank or unknown route.
QString RouteName(const QString &satRoute);
// "No", "Mom", "Hold"; empty for a blank or unknown mode.
QString RemoteStartName(int remoteStart);
// Today in the system's short date form when it fits in nine columns, so that
// a space is left before the page number; else with a two-digit year, or as
// "YY-MM-DD" when that is still too long.
QString ScheduleDateText(const QDate &today);

// The schedules in use ordered by name without regard to case, as the
// schedule editor lists them.
QList<int> SchedulesInNameOrder(const ScheduleStore &store);

// The listing of the schedules, in the order given: a six-line header on
// every page, then for each schedule a summary line, a line per switching day
// and one blank line (two after a schedule without days). A page ends after
// the schedule that takes the line counter past 50; a schedule is never split.
// Numbers that are not schedules in use are left out.
PrintListing BuildSchedulePrintout(const ScheduleStore &store, const QList<int> &scheduleNumbers,
                                   const QString &dateText);

// Prints the schedules in the order given (the editor's list order) as one
// job dated today. A job that cannot be printed is shown in the error window
// as its number and description; false then.
bool PrintSchedules(const ScheduleStore &store, const QList<int> &scheduleNumbers, const QDate &today,
                    const PrintTarget &target = PrintTarget::fromEnvironment());
