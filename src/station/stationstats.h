#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <limits>

class Clock;

// How a switch occurrence ended: its command went out (sent), both sends
// failed (failed), its moment was jumped over by a clock step or a long
// stand-still (skipped), or its schedule was deleted or moved while it was
// armed (cancelled).
enum class SwitchOutcome { Sent, Failed, Skipped, Cancelled };
// A reading that was logged with a value, logged as "None" (the receiver gave
// no value), or not taken (the port or the log could not be used).
enum class ReadingResult { Value, None, Failed };
enum class ClockSetResult { Set, Refused, Invalid };
enum class LogKind { Activity, EbNo, Mpeg };
// What an error-window message is about; see StationStats::errorKind.
enum class ErrorKind { Command, Reading, ActivityLog, Clock, StatusServer, Other };

// The names the status server gives the values above, in their order.
inline constexpr std::array<const char *, 4> kSwitchOutcomeNames = {"sent", "failed", "skipped", "cancelled"};
inline constexpr std::array<const char *, 3> kEbNoResultNames = {"value", "none", "failed"};
inline constexpr std::array<const char *, 3> kMpegResultNames = {"answer", "none", "failed"};
inline constexpr std::array<const char *, 3> kClockSetNames = {"set", "refused", "invalid"};
inline constexpr std::array<const char *, 3> kLogKindNames = {"activity", "ebno", "mpeg"};
inline constexpr std::array<const char *, 6> kErrorKindNames = {"command", "reading", "activity_log",
                                                                "clock",   "status_server", "other"};

// The upper bounds of the first send's delay histogram, in seconds.
inline constexpr std::array<double, 10> kFirstSendBuckets = {0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};

// An instant as the status server shows it: the day and time on the
// station's clock and the milliseconds since the epoch, worked out once when
// it is recorded. (A time-zone lookup costs microseconds, and a day's
// figures hold thousands of instants.)
struct Moment
{
    QDate day;
    int msOfDay = 0;
    qint64 epochMs = 0;

    static Moment of(const QDateTime &t) { return {t.date(), t.time().msecsSinceStartOfDay(), t.toMSecsSinceEpoch()}; }
    bool isValid() const { return day.isValid(); }
};

struct TimedText
{
    Moment at;
    QString text;
};

struct SwitchRecord
{
    Moment moment;
    int receiver = 0;
    QString name;
    SwitchOutcome outcome = SwitchOutcome::Sent;
};

struct EbNoSample
{
    Moment at;
    double db = std::numeric_limits<double>::quiet_NaN(); // NaN: no value
};

struct ReceiverFigures
{
    std::array<quint64, 4> switches{};     // by SwitchOutcome
    std::array<quint64, 3> ebNoReadings{}; // by ReadingResult
    std::array<quint64, 3> mpegReadings{};
    std::array<quint64, kFirstSendBuckets.size()> firstSendBuckets{}; // each bucket on its own
    quint64 firstSendCount = 0;
    double firstSendSum = 0;
    quint64 remoteStarts = 0;
    // The last Eb/No reading: its text as logged, its dB (NaN for "None" or
    // a text that is no reading) and its time.
    QString ebNoText;
    double ebNoDb = std::numeric_limits<double>::quiet_NaN();
    Moment ebNoAt;
    int answering = -1; // the last reading got an answer: 1, none: 0, no reading yet: -1
    QDate ebNoDay;      // the day of ebNoToday's readings
    QList<EbNoSample> ebNoToday;
};

// Everything the station counted since the start, and the short lists the
// status page shows. A plain value: the status server takes a copy.
struct StationFigures
{
    std::array<ReceiverFigures, 2> receivers;
    bool alarmActive = false;
    quint64 alarms = 0;
    std::array<quint64, 3> clockSets{};        // by ClockSetResult
    std::array<quint64, 6> errors{};           // by ErrorKind
    std::array<quint64, 3> logWriteFailures{}; // by LogKind
    QList<SwitchRecord> switchesToday;
    QList<TimedText> lastErrors;
    QList<TimedText> lastActivity;
};

// The station's figures for the status server: counters and short lists,
// kept in memory and bounded, changed only on the user-interface thread
// where the events happen. Nothing here reads a file or waits.
class StationStats
{
public:
    static constexpr int kLastErrors = 20;
    static constexpr int kLastActivity = 20;
    static constexpr int kSwitchesToday = 200;
    static constexpr int kEbNoToday = 1500; // a reading a minute is 1,440

    explicit StationStats(Clock &clock) : m_clock(clock) {}

    const StationFigures &figures() const { return m_figures; }
    // Changes with every change of the figures.
    quint64 generation() const { return m_generation; }

    // What the switching engine reports. moment: the switch's instant.
    void switchDone(int receiver, const QString &name, const QDateTime &moment, SwitchOutcome outcome);
    // The first send's distance from its due moment (13 s before the switch
    // for receiver 1, 8 s for receiver 2), in seconds, late or early.
    void firstSendDelay(int receiver, double seconds);
    // A remote-start output went on or off.
    void remoteStart(int receiver, bool on);

    // An Eb/No reading that was logged, with its value ("None" included);
    // answered: the receiver sent anything at all.
    void ebNoRead(int receiver, const QString &value, bool answered);
    void mpegRead(int receiver, bool answered);
    void readingFailed(LogKind reading, int receiver, bool answered);
    void alarm(bool active);
    void clockSet(ClockSetResult result);
    void errorShown(const QString &text);
    void logWriteFailed(LogKind log);
    void activityLine(const QString &text);
    // Today's readings from the day's Eb/No log (its lines, as SplitLogLines
    // gives them), for a status server that starts after a restart: taken only
    // while no reading was recorded since the start.
    void takeEbNoLog(const QStringList &lines, const QDate &day);

    static ErrorKind errorKind(const QString &text);

private:
    ReceiverFigures *receiver(int r);
    void addEbNoSample(ReceiverFigures &f);
    void changed() { ++m_generation; }

    Clock &m_clock;
    StationFigures m_figures;
    quint64 m_generation = 0;
};
