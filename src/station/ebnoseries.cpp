#include "ebnoseries.h"

#include "ebnolog.h"
#include "logviews.h"
#include "platform/codec.h"
#include "platform/paths.h"

#include <algorithm>
#include <cmath>
#include <numeric>

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

namespace {

// Takes the lines one at a time, so that a day is built without holding
// every line of its file as text.
class DayBuilder
{
public:
    void add(QStringView text)
    {
        const std::optional<EbNoLogLine> line = readEbNoLogLine(text);
        if (!line) {
            ++m_day.unreadLines;
            return;
        }
        const std::optional<double> dB = ebNoReading(line->value);
        m_entries[line->receiver == 2 ? 1 : 0].append({line->seconds, dB});
        if (line->receiver != 0)
            m_tagged.append({line->seconds, line->receiver, EbNoNumber(line->value)});
        if (dB) {
            m_day.lowest = std::min(m_day.lowest.value_or(*dB), *dB);
            m_day.highest = std::max(m_day.highest.value_or(*dB), *dB);
        }
    }

    EbNoDay finish()
    {
        m_day.tagged = !m_tagged.isEmpty();
        std::array<int, 2> maxStep{};
        for (int r = 0; r < 2; ++r)
            m_day.traces[r] = traceOf(std::move(m_entries[r]), &maxStep[r]);
        int lastEbNo1 = 0;
        int lastEbNo2 = 0;
        for (const Tagged &t : std::as_const(m_tagged)) {
            (t.receiver == 1 ? lastEbNo1 : lastEbNo2) = t.number;
            addBetterPeriod(m_day.better, t.seconds, lastEbNo2 > lastEbNo1 ? 2 : 1, std::max(maxStep[0], maxStep[1]));
        }
        return std::move(m_day);
    }

private:
    struct Tagged
    {
        int seconds;
        int receiver;
        int number;
    };
    EbNoDay m_day;
    std::array<QList<Entry>, 2> m_entries;
    QList<Tagged> m_tagged;
};

} // namespace

EbNoDay ebNoDayFromLines(const QStringList &lines)
{
    DayBuilder day;
    for (const QString &line : lines)
        day.add(line);
    return day.finish();
}

EbNoDay ebNoDayFromLog(QByteArrayView contents, bool *complete)
{
    DayBuilder day;
    const bool all = forEachLogLine(contents, [&](QByteArrayView line) {
        // A reading's line is short and plain ASCII, the same in Windows-1252:
        // it is read without a copy on the heap.
        char16_t text[64];
        if (line.size() > qsizetype(std::size(text)) || std::any_of(line.begin(), line.end(), [](char c) { return c & 0x80; })) {
            day.add(Codec::fromWindows1252(line));
            return;
        }
        std::copy(line.begin(), line.end(), text);
        day.add(QStringView(text, line.size()));
    });
    if (complete)
        *complete = all;
    return day.finish();
}

EbNoDay loadEbNoDay(const QDate &day)
{
    const QString path = Paths::logFile(QStringLiteral("EB"), day);
    const LogDayFile file = ReadLogDay(path);
    bool complete = true;
    EbNoDay result = ebNoDayFromLog(file.contents, &complete);
    result.error = file.error;
    if (file.cut() || !complete)
        result.partRead = PartReadLine(path, file.size);
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
        if (month.partRead.isEmpty())
            month.partRead = day.partRead;
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

EbNoRun drawnReadings(const EbNoRun &run, double from, double to, int columns)
{
    const auto before = [](const EbNoPoint &p, double t) { return p.seconds < t; };
    const auto after = [](double t, const EbNoPoint &p) { return t < p.seconds; };
    const qsizetype first = std::lower_bound(run.begin(), run.end(), from, before) - run.begin();
    const qsizetype end = std::upper_bound(run.begin(), run.end(), to, after) - run.begin();
    const qsizetype start = std::max<qsizetype>(first - 1, 0);
    const qsizetype stop = std::min(end + 1, run.size());
    if (stop - start <= 2 * qsizetype(columns) || to <= from)
        return run.mid(start, stop - start);

    EbNoRun drawn;
    if (start < first)
        drawn.append(run.at(start));
    const double width = (to - from) / columns;
    for (qsizetype i = first; i < end;) {
        const int column = std::min(int((run.at(i).seconds - from) / width), columns - 1);
        qsizetype low = i;
        qsizetype high = i;
        for (++i; i < end && std::min(int((run.at(i).seconds - from) / width), columns - 1) == column; ++i) {
            if (run.at(i).dB < run.at(low).dB)
                low = i;
            if (run.at(i).dB > run.at(high).dB)
                high = i;
        }
        drawn.append(run.at(std::min(low, high)));
        if (low != high)
            drawn.append(run.at(std::max(low, high)));
    }
    if (end < stop)
        drawn.append(run.at(end));
    return drawn;
}

namespace {

// At most `most` items: when there are more, the items parted by the
// shortest gaps (the later of equal ones) are joined.
template <typename Item, typename Gap, typename Join>
QList<Item> joinClosest(const QList<Item> &items, int most, Gap gap, Join join)
{
    if (items.size() <= most)
        return items;
    QList<qsizetype> order(items.size() - 1);
    std::iota(order.begin(), order.end(), 1);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return gap(items.at(a - 1), items.at(a)) > gap(items.at(b - 1), items.at(b)); });
    QList<bool> parted(items.size(), false);
    for (qsizetype i = 0; i < most - 1; ++i)
        parted[order.at(i)] = true;
    QList<Item> joined{items.first()};
    for (qsizetype i = 1; i < items.size(); ++i) {
        if (parted.at(i))
            joined.append(items.at(i));
        else
            join(joined.last(), items.at(i));
    }
    return joined;
}

} // namespace

QList<EbNoRun> drawnRuns(const QList<EbNoRun> &runs, int most)
{
    return joinClosest(
        runs, most, [](const EbNoRun &a, const EbNoRun &b) { return b.first().seconds - a.last().seconds; },
        [](EbNoRun &a, const EbNoRun &b) { a.append(b); });
}

QList<EbNoBetterPeriod> drawnPeriods(const QList<EbNoBetterPeriod> &periods, int receiver, int most)
{
    QList<EbNoBetterPeriod> own;
    std::copy_if(periods.begin(), periods.end(), std::back_inserter(own),
                 [&](const EbNoBetterPeriod &p) { return p.receiver == receiver; });
    return joinClosest(
        own, most, [](const EbNoBetterPeriod &a, const EbNoBetterPeriod &b) { return b.from - a.to; },
        [](EbNoBetterPeriod &a, const EbNoBetterPeriod &b) { a.to = b.to; });
}
