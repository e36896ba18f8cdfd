#include "stationstats.h"

#include "station/ebnolog.h"
#include "platform/clock.h"

#include <cmath>

namespace {

template <typename T> void append(QList<T> &list, T item, int bound)
{
    if (list.size() >= bound)
        list.removeFirst();
    list.append(std::move(item));
}

} // namespace

ReceiverFigures *StationStats::receiver(int r)
{
    return r == 1 || r == 2 ? &m_figures.receivers[r - 1] : nullptr;
}

void StationStats::switchDone(int r, const QString &name, const QDateTime &moment, SwitchOutcome outcome)
{
    ReceiverFigures *f = receiver(r);
    if (!f)
        return;
    ++f->switches[int(outcome)];
    QList<SwitchRecord> &today = m_figures.switchesToday;
    const QDate day = m_clock.today();
    today.removeIf([&day](const SwitchRecord &s) { return s.moment.day != day; });
    if (moment.date() == day)
        append(today, SwitchRecord{Moment::of(moment), r, name.trimmed(), outcome}, kSwitchesToday);
    changed();
}

void StationStats::firstSendDelay(int r, double seconds)
{
    ReceiverFigures *f = receiver(r);
    if (!f || !std::isfinite(seconds))
        return;
    // Early counts as much as late: the histogram holds the distance.
    const double distance = std::fabs(seconds);
    for (size_t i = 0; i < kFirstSendBuckets.size(); ++i) {
        if (distance <= kFirstSendBuckets[i]) {
            ++f->firstSendBuckets[i];
            break;
        }
    }
    ++f->firstSendCount;
    f->firstSendSum += distance;
    changed();
}

void StationStats::remoteStart(int r, bool on)
{
    ReceiverFigures *f = receiver(r);
    if (!f)
        return;
    if (on)
        ++f->remoteStarts;
    changed();
}

void StationStats::ebNoRead(int r, const QString &value, bool answered)
{
    ReceiverFigures *f = receiver(r);
    if (!f)
        return;
    const std::optional<double> db = ebNoReading(value);
    ++f->ebNoReadings[int(db ? ReadingResult::Value : ReadingResult::None)];
    f->ebNoText = value;
    f->ebNoDb = db.value_or(std::numeric_limits<double>::quiet_NaN());
    f->ebNoAt = Moment::of(m_clock.now());
    f->answering = answered ? 1 : 0;
    addEbNoSample(*f);
    changed();
}

void StationStats::addEbNoSample(ReceiverFigures &f)
{
    if (f.ebNoDay != f.ebNoAt.day) {
        f.ebNoDay = f.ebNoAt.day;
        f.ebNoToday.clear();
    }
    append(f.ebNoToday, EbNoSample{f.ebNoAt, f.ebNoDb}, kEbNoToday);
}

void StationStats::mpegRead(int r, bool answered)
{
    ReceiverFigures *f = receiver(r);
    if (!f)
        return;
    ++f->mpegReadings[int(answered ? ReadingResult::Value : ReadingResult::None)];
    f->answering = answered ? 1 : 0;
    changed();
}

void StationStats::readingFailed(LogKind reading, int r, bool answered)
{
    ReceiverFigures *f = receiver(r);
    if (!f)
        return;
    ++(reading == LogKind::EbNo ? f->ebNoReadings : f->mpegReadings)[int(ReadingResult::Failed)];
    f->answering = answered ? 1 : 0;
    if (reading == LogKind::EbNo) {
        // No value now: the last one no longer stands for the carrier.
        f->ebNoText.clear();
        f->ebNoDb = std::numeric_limits<double>::quiet_NaN();
        f->ebNoAt = Moment::of(m_clock.now());
        addEbNoSample(*f);
    }
    changed();
}

void StationStats::alarm(bool active)
{
    if (active == m_figures.alarmActive)
        return;
    m_figures.alarmActive = active;
    if (active)
        ++m_figures.alarms;
    changed();
}

void StationStats::clockSet(ClockSetResult result)
{
    ++m_figures.clockSets[int(result)];
    changed();
}

void StationStats::errorShown(const QString &text)
{
    ++m_figures.errors[int(errorKind(text))];
    append(m_figures.lastErrors, TimedText{Moment::of(m_clock.now()), text}, kLastErrors);
    changed();
}

void StationStats::logWriteFailed(LogKind log)
{
    ++m_figures.logWriteFailures[int(log)];
    changed();
}

void StationStats::activityLine(const QString &text)
{
    append(m_figures.lastActivity, TimedText{Moment::of(m_clock.now()), text}, kLastActivity);
    changed();
}

void StationStats::takeEbNoLog(const QStringList &lines, const QDate &day)
{
    for (const ReceiverFigures &f : m_figures.receivers) {
        if (f.ebNoAt.isValid())
            return;
    }
    for (const QString &text : lines) {
        const std::optional<EbNoLogLine> line = readEbNoLogLine(text);
        if (!line)
            continue;
        ReceiverFigures &f = m_figures.receivers[line->receiver == 2 ? 1 : 0];
        f.ebNoText = line->value.toString();
        f.ebNoDb = ebNoReading(line->value).value_or(std::numeric_limits<double>::quiet_NaN());
        f.ebNoAt = Moment::of(QDateTime(day, QTime::fromMSecsSinceStartOfDay(line->seconds * 1000)));
        addEbNoSample(f);
    }
    changed();
}

// The messages name what failed in their own words; these are the families
// a person on call tells apart. Everything else (a refused input in a window,
// a file a window could not read or write) is "other".
ErrorKind StationStats::errorKind(const QString &text)
{
    if (text.endsWith(QLatin1String(" Command not sent.")))
        return ErrorKind::Command;
    if (text.contains(QLatin1String(".  Make sure the folder ")))
        return ErrorKind::Reading;
    if (text.contains(QLatin1String(".  The activity log line \"")))
        return ErrorKind::ActivityLog;
    if (text.startsWith(QLatin1String("The clock was not set")))
        return ErrorKind::Clock;
    if (text.startsWith(QLatin1String("The status server ")))
        return ErrorKind::StatusServer;
    return ErrorKind::Other;
}
