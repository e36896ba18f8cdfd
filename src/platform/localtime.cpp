#include "localtime.h"

#include <algorithm>
#include <array>

namespace {

constexpr qint64 kDay = 86400;

int offsetAt(qint64 instant)
{
    return QDateTime::fromSecsSinceEpoch(instant, Qt::LocalTime).offsetFromUtc();
}

// What the local clock reads at an instant, as seconds since the epoch read as UTC.
qint64 readingAt(qint64 instant)
{
    return instant + offsetAt(instant);
}

} // namespace

LocalDay::LocalDay(const QDate &day) : m_day(day), m_midnight(QDateTime(day, QTime(0, 0), Qt::UTC).toSecsSinceEpoch())
{
    // Offsets lie within a day of UTC, so these instants are before and after
    // every reading of the date; one offset at both ends and in the middle is
    // a day without a change.
    const int before = offsetAt(m_midnight - kDay);
    if (before == offsetAt(m_midnight + kDay / 2) && before == offsetAt(m_midnight + 2 * kDay))
        m_offset = before;
}

LocalInstant LocalDay::at(int secondsSinceMidnight) const
{
    const qint64 reading = m_midnight + secondsSinceMidnight;
    if (m_offset)
        return {QDateTime::fromSecsSinceEpoch(reading - *m_offset, Qt::UTC), true};
    // A change this day: the reading stands for an instant at one of the
    // offsets in force around it.
    const std::array<int, 3> offsets = {offsetAt(reading - kDay), offsetAt(reading), offsetAt(reading + kDay)};
    std::optional<qint64> first;
    for (int offset : offsets) {
        const qint64 instant = reading - offset;
        if (readingAt(instant) == reading && (!first || instant < *first))
            first = instant;
    }
    if (first)
        return {QDateTime::fromSecsSinceEpoch(*first, Qt::UTC), true};
    // Skipped: the first instant at which the clock reads later than it.
    qint64 low = reading - *std::max_element(offsets.begin(), offsets.end());
    qint64 high = reading - *std::min_element(offsets.begin(), offsets.end());
    while (low < high) {
        const qint64 middle = low + (high - low) / 2;
        if (readingAt(middle) > reading)
            high = middle;
        else
            low = middle + 1;
    }
    return {QDateTime::fromSecsSinceEpoch(high, Qt::UTC), false};
}
