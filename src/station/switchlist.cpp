#include "switchlist.h"

#include "schedule/schedulestore.h"
#include "settings/stationsettings.h"
#include "platform/localtime.h"

#include <algorithm>
#include <array>
#include <vector>

bool hasTimeSeparator(const QString &timeText)
{
    return timeText.size() >= 3 && timeText.at(2) == QLatin1Char(':');
}

std::optional<int> TimeTextToSeconds(const QString &workText)
{
    if (!hasTimeSeparator(workText))
        return std::nullopt;
    // "H:M" or "H:M:S" of one or two digits each, spaces around it allowed.
    const QStringView text = QStringView(workText).trimmed();
    int values[3] = {0, 0, 0};
    int part = 0;
    int digits = 0;
    for (QChar c : text) {
        if (c == QLatin1Char(':')) {
            if (digits == 0 || ++part > 2)
                return std::nullopt;
            digits = 0;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9') && digits < 2) {
            values[part] = values[part] * 10 + (c.unicode() - '0');
            ++digits;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || part == 0 || values[0] > 23 || values[1] > 59 || values[2] > 59)
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

SwitchListBuild BuildSwitchList(const ScheduleStore &store, int receiver, int twoReceivers, const QDateTime &now)
{
    SwitchListBuild build;
    const QDate today = now.date();
    const QDateTime nowUtc = now.toUTC();
    // The eight dates an occurrence can have, their "YYYYMMDD" texts and
    // their readings of the clock.
    std::array<QString, 8> dateTexts;
    std::vector<LocalDay> days;
    days.reserve(8);
    for (int d = 0; d < 8; ++d) {
        dateTexts[d] = today.addDays(d).toString(QStringLiteral("yyyyMMdd"));
        days.emplace_back(today.addDays(d));
    }
    const int todayIndex = today.dayOfWeek() % 7;

    store.ScanSchedules([&](int n, const ScheduleRecord &r) {
        const bool taken = receiver == 1 ? (twoReceivers == 0 || r.Receiver == 1) : r.Receiver == 2;
        if (!taken)
            return;
        for (int d = 0; d < 7; ++d) {
            const QString &t = r.SwitchTime[(todayIndex + d) % 7];
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
            LocalInstant instant = days[d].at(*s);
            int offset = d;
            if (d == 0 && instant.at <= nowUtc) {
                offset = 7;
                instant = days[7].at(*s);
            }
            SwitchEntry entry;
            entry.sortText = dateTexts[offset] + QLatin1Char(' ') + t + QLatin1Char(' ') + r.PgmName;
            entry.record = n;
            entry.date = days[offset].date();
            entry.seconds = *s;
            entry.at = instant.at;
            entry.occurs = instant.occurs;
            build.entries.append(std::move(entry));
        }
    });
    // By the instant, then by the name without regard to case. The time is
    // compared by its value, not its text: a time typed as "08:5:00" comes
    // before "08:10:00". The instants are taken out once: a list holds up to
    // 7,000 entries.
    std::vector<std::pair<qint64, qsizetype>> order;
    order.reserve(size_t(build.entries.size()));
    for (qsizetype i = 0; i < build.entries.size(); ++i)
        order.emplace_back(build.entries.at(i).at.toMSecsSinceEpoch(), i);
    std::stable_sort(order.begin(), order.end(), [&](const auto &a, const auto &b) {
        if (a.first != b.first)
            return a.first < b.first;
        return QStringView(build.entries.at(a.second).sortText)
                   .mid(18)
                   .compare(QStringView(build.entries.at(b.second).sortText).mid(18), Qt::CaseInsensitive)
            < 0;
    });
    QList<SwitchEntry> sorted;
    sorted.reserve(build.entries.size());
    for (const auto &[instant, i] : order)
        sorted.append(std::move(build.entries[i]));
    build.entries = std::move(sorted);
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
    next.NextSwitchAt = first.at;
}
