#pragma once

#include <QDate>
#include <QDateTime>

#include <optional>

// A reading of the local clock resolved to the instant it stands for.
struct LocalInstant
{
    QDateTime at;        // absolute, in UTC
    bool occurs = true; // false: a spring change skips the reading; `at` is the instant it does
};

// The readings of the local clock on one date, resolved through the system's
// time-zone rules. A reading that the clock shows twice (the repeated hour of
// an autumn change) stands for its first instant; one that it skips (the
// lost hour of a spring change) for the instant the clock jumps over it.
// Days without a change, all but two a year, cost no zone look-up per
// reading.
class LocalDay
{
public:
    explicit LocalDay(const QDate &day);

    const QDate &date() const { return m_day; }
    LocalInstant at(int secondsSinceMidnight) const;

private:
    QDate m_day;
    qint64 m_midnight = 0;         // seconds since the epoch of midnight read as UTC
    std::optional<int> m_offset;   // the one offset from UTC of the whole day, when it has one
};
