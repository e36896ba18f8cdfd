#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// What the Eb/No charts show, built from the day logs: each receiver's
// readings of a day as lines with gaps, the periods in which the output bits
// named each receiver the better one, and each receiver's daily lowest, mean
// and highest reading over a month.

struct EbNoPoint
{
    int seconds = 0;  // time of day
    double dB = 0;
    bool operator==(const EbNoPoint &) const = default;
};
// Readings drawn joined by a line.
using EbNoRun = QList<EbNoPoint>;

// One receiver's day. A line without a tag is the only receiver's, which is
// receiver 1. The readings are in time order, so a clock set back repeats
// times rather than drawing backwards. A gap parts two runs where a reading
// is no number ("None"), and where the log has nothing for more than twice
// the usual interval between readings (the program was not running).
struct EbNoTrace
{
    QList<EbNoRun> runs;
    int readings() const;
};

// The receiver the output bits named better: from the reading that made it
// so to the reading that named the other one (or the last reading, or the
// last before the readings stop for longer than their gap). The bits compare
// the whole numbers of the two latest readings ("None" counts 0, a tie goes
// to receiver 1), as the program did when it wrote the lines, in file order.
struct EbNoBetterPeriod
{
    int from = 0;
    int to = 0;
    int receiver = 1;
    bool operator==(const EbNoBetterPeriod &) const = default;
};

struct EbNoDay
{
    bool tagged = false;  // the log names its receivers: two receivers
    std::array<EbNoTrace, 2> traces;
    QList<EbNoBetterPeriod> better;
    int unreadLines = 0;  // lines in neither layout, left out
    std::optional<double> lowest;
    std::optional<double> highest;
    QString error;     // ErrorReportText when the file exists but cannot be read
    QString partRead;  // PartReadLine when only the file's first part was read
};

EbNoDay ebNoDayFromLines(const QStringList &lines);
// The same from a log file's bytes, without holding its lines as text;
// `complete` false when the file has more lines than are read.
EbNoDay ebNoDayFromLog(QByteArrayView contents, bool *complete = nullptr);
// The day's log, bounded as the log viewer reads it; a missing or empty file
// is a day without readings. Safe to run on any thread.
EbNoDay loadEbNoDay(const QDate &day);

// The nearest reading to a time of day, or nothing for a trace without one.
std::optional<EbNoPoint> nearestReading(const EbNoTrace &trace, double seconds);

struct EbNoDayStats
{
    double lowest = 0;
    double mean = 0;
    double highest = 0;
};
std::optional<EbNoDayStats> dayStats(const EbNoTrace &trace);

// The 31 days up to and including `last`. A day without a log, or without a
// reading of the receiver, has no figures: the chart leaves a gap.
inline constexpr int kMonthDays = 31;
struct EbNoMonth
{
    QDate first;
    QDate last;
    bool tagged = false;
    std::array<QList<std::optional<EbNoDayStats>>, 2> days;  // [receiver - 1][day - first]
    std::optional<double> lowest;
    std::optional<double> highest;
    QString error;     // the first day file that could not be read
    QString partRead;  // the first day file read only in part
};
// Safe to run on any thread.
EbNoMonth loadEbNoMonth(const QDate &last);

// What a chart draws of a run over `columns` columns of the time span
// [from, to] (seconds of the day): the lowest and highest reading of each
// column, in time order, so that a dip narrower than a column stays in
// sight, and the nearest reading outside the span on either side, so that the
// line reaches its edges. A run with no more than two readings a column is
// drawn whole.
EbNoRun drawnReadings(const EbNoRun &run, double from, double to, int columns);

// At most `most` runs, for a chart to draw: when there are more, the runs
// parted by the shortest gaps are joined, so that the longest gaps stay gaps.
QList<EbNoRun> drawnRuns(const QList<EbNoRun> &runs, int most);
// The same for one receiver's better periods.
QList<EbNoBetterPeriod> drawnPeriods(const QList<EbNoBetterPeriod> &periods, int receiver, int most);

// The dB axis: the readings with a decibel to spare at either end and at
// least six decibels across, within what a receiver reports; 0 to 20 dB
// without readings.
struct EbNoAxisRange
{
    double low = 0;
    double high = 20;
};
EbNoAxisRange ebNoAxisRange(std::optional<double> lowest, std::optional<double> highest);

// The time axis, in seconds of the day: the whole hours around the day's
// readings (a day the program ran from 06:10 reads 06:00 to 24:00, the first
// minutes of today 13:00 to 14:00), the whole day without readings.
struct EbNoTimeRange
{
    int from = 0;
    int to = 86400;
};
EbNoTimeRange ebNoTimeRange(const EbNoDay &day);
// The step between time labels for a span of the axis: the shortest of a
// minute, 5, 15 and 30 minutes, 1, 2 and 3 hours that needs at most twelve.
int ebNoTimeStep(double spanSeconds);
