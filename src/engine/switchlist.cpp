#include "switchlist.h"

#include "schedule/schedulestore.h"
#include "settings/stationsettings.h"

#include <algorithm>

bool hasTimeSeparator(const QString &timeText)
{
    return timeText.size() >= 3 && timeText.at(2) == QLatin1Char(':');
}

std::optional<int> TimeTextToSeconds(const QString &workText)
{
    if (!hasTimeSeparator(workText))
        return std::nullopt;
    const QStringList parts = workText.trimmed().split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    int values[3] = {0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString &part = parts.at(i);
        if (part.isEmpty() || part.size() > 2)
            return std::nullopt;
        for (QChar c : part) {
            if (!c.isDigit() || c.unicode() > '9')
                return std::nullopt;
        }
        values[i] = part.toInt();
    }
    if (values[0] > 23 || values[1] > 59 || values[2] > 59)
        return std::nullopt;
    return values[0] * 3600 + values[1] * 60 + values[2];
}

QString FormatCountdown(int secondsToSwitch)
{
    const int h = secondsToSwitch / 3600;
    const int m = (secondsToSwitch % 3600) / 60;
    const int sec = secondsToSwitch % 60;
    QString hourPart;
    if (h != 0)
        hourPart = (h < 10 ? QStringLiteral(" ") : QString()) + QString::number(h) + QLatin1Char(':');
    const QString minutePart = (m < 10 ? QStringLiteral("0") : QString()) + QString::number(m);
    const QString secondPart = (sec < 10 ? QStringLiteral("0") : QString()) + QString::number(sec);
    return hourPart + minutePart + QLatin1Char(':') + secondPart;
}

QString SwitchEntry::displayLine() const
{
    return DayNames().at(date.dayOfWeek() % 7 + 1).left(3) + sortText.mid(8);
}

SwitchListBuild BuildSwitchList(const ScheduleStore &store, int receiver, bool twoReceivers, const QDate &today,
                                double secondsSinceMidnight)
{
    SwitchListBuild build;
    store.ScanSchedules([&](int n, const ScheduleRecord &r) {
        const bool taken = receiver == 1 ? (!twoReceivers || r.Receiver == 1) : r.Receiver == 2;
        if (!taken)
            return;
        for (int d = 0; d < 7; ++d) {
            const QDate day = today.addDays(d);
            const QString &t = r.SwitchTime[day.dayOfWeek() % 7];
            if (!hasTimeSeparator(t))
                continue;
            const std::optional<int> s = TimeTextToSeconds(t);
            if (!s) {
                build.badTimes.append(QStringLiteral("13  Type mismatch: the switch time %1 of schedule %2 (%3) "
                                                     "is not a time of day")
                                          .arg(t.trimmed())
                                          .arg(n)
                                          .arg(r.PgmName.trimmed()));
                continue;
            }
            const QDate occurrence = (d == 0 && secondsSinceMidnight >= *s) ? today.addDays(7) : day;
            SwitchEntry entry;
            entry.sortText = occurrence.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char(' ') + t
                + QLatin1Char(' ') + r.PgmName;
            entry.record = n;
            entry.date = occurrence;
            entry.seconds = *s;
            build.entries.append(std::move(entry));
        }
    });
    std::stable_sort(build.entries.begin(), build.entries.end(), [](const SwitchEntry &a, const SwitchEntry &b) {
        return a.sortText.compare(b.sortText, Qt::CaseInsensitive) < 0;
    });
    return build;
}

void takeNextSwitch(const ScheduleStore &store, const QList<SwitchEntry> &entries, NextSwitch &next)
{
    if (entries.isEmpty()) {
        next.NextRecord = 0;
        return;
    }
    const SwitchEntry &first = entries.first();
    next.NextRecord = first.record;
    next.NextSwitchDate = first.date;
    if (const std::optional<QString> record = store.ReadScheduleRecord(first.record))
        next.NextSwitchName = ParseScheduleRecord(*record).PgmName.trimmed();
    next.NextSwitchSeconds = first.seconds;
}
