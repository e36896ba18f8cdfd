#pragma once

#include <QString>
#include <QStringList>

class ScheduleStore;
struct ScheduleRecord;

// The order of the week's switches: the day number d+1 ("1" Sunday ... "7"
// Saturday), the eight-character switch time, a space and the 25-character
// name. Sorted without regard to case this is day, then time, then name.
QString WeeklySortKey(int day, const ScheduleRecord &schedule);

// One 38-character line per schedule in use and day it switches, Sunday to
// Saturday and by time within the day: "Mon 06:00:00 " and the name. Switch
// times are shown as stored; schedules of both receivers are interleaved.
QStringList BuildWeeklySchedule(const ScheduleStore &store);
