#include "ebnoseries.h"

#include "ebnolog.h"
#include "logviews.h"
#include "platform/paths.h"

#include <algorithm>
#include <cmath>

int EbNoTrace::readings() const
{
    int n = 0;
    for (const EbNoRun &run : runs)
        n += run.size();
    return n;
}

namespace {

struct Entry
{
    int seconds;
    std::optional<double> dB;
};

// Readings of a receiver further apart than this have a gap between them:
// twice the usual interval, so a minute skipped by a clock correction does
// not part a line read once a minute.
int longestStep(const QList<Entry> &entries)
{
    QList<int> steps;
    for (qsizetype i = 1; i < entries.size(); ++i) {
        if (const int step = entries.at(i).seconds - entries.at(i - 1).seconds; step > 0)
            steps.append(step);
    }
    if (steps.isEmpty())
        return 120;
    const auto middle = steps.begin() + steps.size() / 2;
    std::nth_element(steps.begin(), middle, steps.end());
    return 2 * std::max(*middle, 60);
}

EbNoTrace traceOf(QList<Entry> entries, int *maxStep)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return a.seconds < b.seconds; });
    *maxStep = longestStep(entries);
    EbNoTrace trace;
    EbNoRun run;
    int previous = -1;
    for (const Entry &e : entries) {
        if (!e.dB || (previous >= 0 && e.seconds - previous > *maxStep)) {
            if (!run.isEmpty())
                trace.runs.append(run);
            run.clear();
        }
        if (e.dB)
            run.append({e.seconds, *e.dB});
        previous = e.seconds;
    }
    if (!run.isEmpty())
        trace.runs.append(run);
    return trace;
}

// Walks the tagged lines in the order they were written, as the program set
// its output bits after each reading.
void addBetterPeriod(QList<EbNoBetterPeriod> &periods, int seconds, int receiver, int maxStep)
{
    if (!periods.isEmpty()) {
        EbNoBetterPeriod &last = periods.last();
        const int at = std::max(seconds, last.to);
        if (at - last.to <= maxStep) {
            last.to = at;
            if (last.receiver == receiver)
                return;
        }
        periods.append({at, at, receiver});
        return;
    }
    periods.append({seconds, seconds, receiver});
}

} // namespace

EbNoDay ebNoDayFromLines(const QStringList &lines)
{
    EbNoDay day;
    std::array<QList<Entry>, 2> entries;
    struct Tagged
    {
        int seconds;
        int receiver;
        int number;
    };
    QList<Tagged> tagged;
    for (const QString &text : lines) {
        const std::optional<EbNoLogLine> line = readEbNoLogLine(text);
        if (!line) {
            ++day.unreadLines;
            continue;
        }
        const std::optional<double> dB = ebNoReading(line->value);
        entries[line->receiver == 2 ? 1 : 0].append({line->seconds, dB});
        if (line->receiver != 0)
            tagged.append({line->seconds, line->receiver, EbNoNumber(line->value)});
        if (dB) {
            day.lowest = std::min(day.lowest.value_or(*dB), *dB);
            day.highest = std::max(day.highest.value_or(*dB), *dB);
        }
    }
    day.tagged = !tagged.isEmpty();
    std::array<int, 2> maxStep{};
    for (int r = 0; r < 2; ++r)
        day.traces[r] = traceOf(entries[r], &maxStep[r]);

    int lastEbNo1 = 0;
    int lastEbNo2 = 0;
    for (const Tagged &t : tagged) {
        (t.receiver == 1 ? lastEbNo1 : lastEbNo2) = t.number;
        addBetterPeriod(day.better, t.seconds, lastEbNo2 > lastEbNo1 ? 2 : 1, std::max(maxStep[0], maxStep[1]));
    }
    return day;
}

EbNoDay loadEbNoDay(const QDate &day)
{
    const LogDayFile file = ReadLogDay(Paths::logFile(QStringLiteral("EB"), day));
    EbNoDay result = ebNoDayFromLines(SplitLogLines(file.contents));
    result.error = file.error;
    return result;
}

std::optional<EbNoPoint> nearestReading(const EbNoTrace &trace, double seconds)
{
    std::optional<EbNoPoint> nearest;
    for (const EbNoRun &run : trace.runs) {
        for (const EbNoPoint &p : run) {
            if (!nearest || std::abs(p.seconds - seconds) < std::abs(nearest->seconds - seconds))
                nearest = p;
        }
    }
    return nearest;
}

std::optional<EbNoDayStats> dayStats(const EbNoTrace &trace)
{
    std::optional<EbNoDayStats> stats;
    double sum = 0;
    int count = 0;
    for (const EbNoRun &run : trace.runs) {
        for (const EbNoPoint &p : run) {
            if (!stats)
                stats = EbNoDayStats{p.dB, 0, p.dB};
            stats->lowest = std::min(stats->lowest, p.dB);
            stats->highest = std::max(stats->highest, p.dB);
            sum += p.dB;
            ++count;
        }
    }
    if (stats)
        stats->mean = sum / count;
    return stats;
}

EbNoMonth loadEbNoMonth(const QDate &last)
{
    EbNoMonth month;
    month.last = last;
    month.first = last.addDays(-(kMonthDays - 1));
    for (QDate d = month.first; d <= last; d = d.addDays(1)) {
        const EbNoDay day = loadEbNoDay(d);
        if (month.error.isEmpty() && !day.error.isEmpty())
            month.error = day.error;
        month.tagged = month.tagged || day.tagged;
        for (int r = 0; r < 2; ++r)
            month.days[r].append(dayStats(day.traces[r]));
        if (day.lowest) {
            month.lowest = std::min(month.lowest.value_or(*day.lowest), *day.lowest);
            month.highest = std::max(month.highest.value_or(*day.highest), *day.highest);
        }
    }
    return month;
}

EbNoAxisRange ebNoAxisRange(std::optional<double> lowest, std::optional<double> highest)
{
    if (!lowest || !highest)
        return {};
    double low = std::floor(*lowest) - 1;
    double high = std::ceil(*highest) + 1;
    if (const double missing = 6 - (high - low); missing > 0) {
        low -= std::floor(missing / 2);
        high += std::ceil(missing / 2);
    }
    return {std::max(low, kLowestEbNo), std::min(high, kHighestEbNo)};
}

EbNoTimeRange ebNoTimeRange(const EbNoDay &day)
{
    std::optional<int> first;
    std::optional<int> last;
    for (const EbNoTrace &trace : day.traces) {
        if (trace.runs.isEmpty())
            continue;
        first = std::min(first.value_or(86400), trace.runs.first().first().seconds);
        last = std::max(last.value_or(0), trace.runs.last().last().seconds);
    }
    if (!first)
        return {};
    return {*first / 3600 * 3600, std::min(86400, (*last / 3600 + 1) * 3600)};
}

int ebNoTimeStep(double spanSeconds)
{
    for (const int step : {60, 300, 900, 1800, 3600, 7200}) {
        if (spanSeconds / step <= 12)
            return step;
    }
    return 10800;
}
