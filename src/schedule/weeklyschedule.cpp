#include "weeklyschedule.h"

#include "schedulestore.h"
#include "settings/stationsettings.h"

#include <algorithm>

QString WeeklySortKey(int day, const ScheduleRecord &schedule)
{
    return QString::number(day + 1) + fixedWidth(schedule.SwitchTime[day], 8) + QLatin1Char(' ')
           + fixedWidth(schedule.PgmName, 25);
}

QStringList BuildWeeklySchedule(const ScheduleStore &store)
{
    const QString noSwitch(8, QLatin1Char(' '));
    QStringList keys;
    store.ScanSchedules([&](int, const ScheduleRecord &schedule) {
        for (int d = 0; d < 7; ++d) {
            if (schedule.SwitchTime[d] != noSwitch)
                keys.append(WeeklySortKey(d, schedule));
        }
    });
    std::stable_sort(keys.begin(), keys.end(),
                     [](const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });

    QStringList lines;
    for (const QString &key : keys) {
        const int day = key.at(0).unicode() - '0';
        lines.append(DayNames().at(day).left(3) + QLatin1Char(' ') + key.mid(1));
    }
    return lines;
}
