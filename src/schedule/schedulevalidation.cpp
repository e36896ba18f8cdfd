#include "schedulevalidation.h"

#include "schedule/schedulestore.h"
#include "settings/stationsettings.h"

#include <algorithm>

namespace {

// Two ASCII digits at `at` whose value is at most `highest`.
bool twoDigits(const QString &text, int at, int highest)
{
    const QChar tens = text.at(at);
    const QChar units = text.at(at + 1);
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (!digit(tens) || !digit(units))
        return false;
    return (tens.unicode() - '0') * 10 + (units.unicode() - '0') <= highest;
}

bool blank(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == QLatin1Char(' '); });
}

} // namespace

bool isLengthText(const QString &lengthText)
{
    const QString t = fixedWidth(lengthText, 5);
    if (blank(t))
        return true;
    return t.at(2) == QLatin1Char(':') && twoDigits(t, 0, 59) && twoDigits(t, 3, 59);
}

bool isSwitchTimeText(const QString &timeText)
{
    const QString t = fixedWidth(timeText, 8);
    if (blank(t))
        return true;
    return t.at(2) == QLatin1Char(':') && t.at(5) == QLatin1Char(':') && twoDigits(t, 0, 23) && twoDigits(t, 3, 59)
        && twoDigits(t, 6, 59);
}

QString lengthMessage()
{
    return QStringLiteral("Time format in Length must be MM:SS or left blank");
}

QString switchTimeMessage(int day)
{
    return QStringLiteral("Time format in ") + DayNames().at(day + 1)
        + QStringLiteral(" Time to Switch must be HH:MM:SS or left blank");
}

std::optional<QString> ScheduleInputError(const QString &lengthText, const std::array<QString, 7> &dayTimes)
{
    if (!isLengthText(lengthText))
        return lengthMessage();
    for (int d = 0; d < 7; ++d) {
        if (!isSwitchTimeText(dayTimes[d]))
            return switchTimeMessage(d);
    }
    return std::nullopt;
}

QList<ScheduleListEntry> BuildScheduleList(const ScheduleStore &store)
{
    QList<ScheduleListEntry> entries;
    store.ScanSchedules([&](int n, const ScheduleRecord &r) { entries.append({r.PgmName, n}); });
    std::stable_sort(entries.begin(), entries.end(), [](const ScheduleListEntry &a, const ScheduleListEntry &b) {
        return a.PgmName.compare(b.PgmName, Qt::CaseInsensitive) < 0;
    });
    return entries;
}
