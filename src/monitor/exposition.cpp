#include "exposition.h"

#include "monitor/statuspublisher.h"

#include <QDir>
#include <QFile>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>

namespace {

QByteArray number(double value)
{
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "+Inf" : "-Inf";
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

// A label value: backslash, double quote and line feed are escaped.
QByteArray labelValue(const QByteArray &value)
{
    QByteArray out;
    for (char c : value) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c == '\n' ? QByteArray("\\n") : QByteArray(1, c);
    }
    return out;
}

class Writer
{
public:
    void family(const char *name, const char *type, const char *help)
    {
        m_name = name;
        m_out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    }
    // labels: "receiver=\"1\",result=\"sent\"", or empty.
    void sample(const QByteArray &labels, double value, const char *suffix = "")
    {
        m_out += m_name + suffix;
        if (!labels.isEmpty())
            m_out += '{' + labels + '}';
        m_out += ' ' + number(value) + '\n';
    }
    QByteArray text() const { return m_out; }

private:
    QByteArray m_name;
    QByteArray m_out;
};

QByteArray receiverLabel(int r)
{
    return "receiver=\"" + QByteArray::number(r) + '"';
}

QByteArray with(const QByteArray &labels, const char *name, const char *value)
{
    return labels + (labels.isEmpty() ? "" : ",") + name + "=\"" + value + '"';
}

// One sample per value, labelled with its name.
template <size_t N>
void byName(Writer &w, const QByteArray &labels, const char *label, const std::array<const char *, N> &names,
            const std::array<quint64, N> &values)
{
    for (size_t i = 0; i < N; ++i)
        w.sample(with(labels, label, names[i]), double(values[i]));
}

} // namespace

ProcessFigures readProcessFigures()
{
    ProcessFigures p;
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile system(QStringLiteral("/proc/stat"));
    if (!stat.open(QIODevice::ReadOnly) || !system.open(QIODevice::ReadOnly))
        return p;
    // The command name in parentheses may hold spaces: the fields are counted
    // from after its closing parenthesis (field 3, the state, comes first).
    const QByteArray line = stat.readAll();
    const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (f.size() < 22)
        return p;
    const double ticks = double(::sysconf(_SC_CLK_TCK));
    const double page = double(::sysconf(_SC_PAGESIZE));
    double bootTime = 0;
    for (const QByteArray &l : system.readAll().split('\n')) {
        if (l.startsWith("btime "))
            bootTime = l.mid(6).trimmed().toDouble();
    }
    p.cpuSeconds = (f[11].toDouble() + f[12].toDouble()) / ticks; // utime, stime
    p.startTime = bootTime + f[19].toDouble() / ticks;            // starttime
    p.virtualBytes = f[20].toDouble();                            // vsize
    p.residentBytes = f[21].toDouble() * page;                    // rss
    p.openFds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size();
    rlimit limit = {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0)
        p.maxFds = double(limit.rlim_cur);
    p.valid = true;
    return p;
}

QByteArray metricsText(const StatusView &view, const ProcessFigures &process)
{
    const StatusSnapshot &s = *view.snapshot;
    const StationFigures &f = s.figures;
    const auto receivers = [&s](auto each) {
        for (int r = 1; r <= s.receivers; ++r)
            each(r, receiverLabel(r), s.figures.receivers[r - 1], s.receiver[r - 1]);
    };
    Writer w;
    w.family("kestrelpoint_build_info", "gauge", "The program's version, as a label; always 1.");
    w.sample("version=\"" + labelValue(KESTRELPOINT_VERSION) + '"', 1);
    w.family("kestrelpoint_start_time_seconds", "gauge", "When the program started, on the station's clock.");
    w.sample({}, s.started.toMSecsSinceEpoch() / 1000.0);
    w.family("kestrelpoint_last_tick_time_seconds", "gauge", "When the 50 ms clock tick last ran, on the station's clock.");
    w.sample({}, view.lastTick.toMSecsSinceEpoch() / 1000.0);
    w.family("kestrelpoint_last_tick_age_seconds", "gauge",
             "How long ago the clock tick last ran, on the monotonic clock (a stalled program shows here).");
    w.sample({}, view.tickAgeSeconds);
    w.family("kestrelpoint_receivers", "gauge", "How many receivers the station drives (1 or 2).");
    w.sample({}, s.receivers);

    w.family("kestrelpoint_ebno_interval_seconds", "gauge", "Seconds between two Eb/No readings; 0 when none are taken.");
    w.sample({}, s.ebNoIntervalSeconds);
    w.family("kestrelpoint_ebno_db", "gauge", "The last Eb/No reading in dB; absent while it gave no value.");
    receivers([&](int, const QByteArray &l, const ReceiverFigures &rf, auto &) {
        if (!std::isnan(rf.ebNoDb))
            w.sample(l, rf.ebNoDb);
    });
    w.family("kestrelpoint_ebno_time_seconds", "gauge", "When the last Eb/No value was read; absent with it.");
    receivers([&](int, const QByteArray &l, const ReceiverFigures &rf, auto &) {
        if (!std::isnan(rf.ebNoDb))
            w.sample(l, rf.ebNoAt.epochMs / 1000.0);
    });
    w.family("kestrelpoint_better_receiver", "gauge", "The receiver the parallel port names as the better Eb/No.");
    if (s.receivers == 2 && s.betterReceiver != 0)
        w.sample({}, s.betterReceiver);
    w.family("kestrelpoint_ebno_readings_total", "counter",
             "Eb/No readings by result: value, none (\"None\" logged) or failed (port or log unusable).");
    receivers([&](int, const QByteArray &l, const ReceiverFigures &rf, auto &) {
        byName(w, l, "result", kEbNoResultNames, rf.ebNoReadings);
    });
    w.family("kestrelpoint_mpeg_readings_total", "counter",
             "MPEG status readings by result: answer, none (no answer) or failed (port or log unusable).");
    receivers([&](int, const QByteArray &l, const ReceiverFigures &rf, auto &) {
        byName(w, l, "result", kMpegResultNames, rf.mpegReadings);
    });
    w.family("kestrelpoint_receiver_answering", "gauge",
             "1 when the receiver answered its last reading, 0 when it did not; absent before the first.");
    receivers([&](int, const QByteArray &l, const ReceiverFigures &rf, auto &) {
        if (rf.answering >= 0)
            w.sample(l, rf.answering);
    });

    w.family("kestrelpoint_switches_total", "counter", "Switches by result: sent, failed, skipped or cancelled.");
    receivers([&](int, const QByteArray &l, const ReceiverFigures &rf, auto &) {
        byName(w, l, "result", kSwitchOutcomeNames, rf.switches);
    });
    w.family("kestrelpoint_first_send_delay_seconds", "histogram",
             "How far a switch's first send was from its due moment (13 s before the switch, receiver 2: 8 s).");
    receivers([&](int, const QByteArray &l, const ReceiverFigures &rf, auto &) {
        quint64 cumulative = 0;
        for (size_t i = 0; i < kFirstSendBuckets.size(); ++i) {
            cumulative += rf.firstSendBuckets[i];
            w.sample(with(l, "le", number(kFirstSendBuckets[i]).constData()), double(cumulative), "_bucket");
        }
        w.sample(with(l, "le", "+Inf"), double(rf.firstSendCount), "_bucket");
        w.sample(l, rf.firstSendSum, "_sum");
        w.sample(l, double(rf.firstSendCount), "_count");
    });
    w.family("kestrelpoint_next_switch_time_seconds", "gauge", "When the receiver's next switch is due; absent with none.");
    receivers([&](int, const QByteArray &l, auto &, const StatusSnapshot::Receiver &rs) {
        if (rs.hasNext)
            w.sample(l, rs.nextAt.toMSecsSinceEpoch() / 1000.0);
    });
    w.family("kestrelpoint_remote_start_on", "gauge", "1 while the receiver's remote-start output is on.");
    receivers([&](int, const QByteArray &l, auto &, const StatusSnapshot::Receiver &rs) { w.sample(l, rs.remoteStartOn); });
    w.family("kestrelpoint_remote_starts_total", "counter", "How often the receiver's remote-start output went on.");
    receivers([&](int, const QByteArray &l, const ReceiverFigures &rf, auto &) { w.sample(l, double(rf.remoteStarts)); });

    w.family("kestrelpoint_parallel_port_in_use", "gauge",
             "1 when the parallel port is in use (remote starts, alarm and time-set inputs).");
    w.sample({}, s.remoteControlOn);
    w.family("kestrelpoint_alarm_active", "gauge", "1 while the alarm input is active (and the port in use).");
    w.sample({}, s.remoteControlOn && f.alarmActive);
    w.family("kestrelpoint_alarms_total", "counter", "How often the alarm input became active.");
    w.sample({}, double(f.alarms));
    w.family("kestrelpoint_clock_sets_total", "counter",
             "Clock sets from the time-set input by result: set, refused (by the system) or invalid (reset time).");
    byName(w, {}, "result", kClockSetNames, f.clockSets);
    w.family("kestrelpoint_error_messages_total", "counter", "Messages of the error window by kind.");
    byName(w, {}, "kind", kErrorKindNames, f.errors);
    w.family("kestrelpoint_log_write_failures_total", "counter", "Lines a daily log could not take, by log.");
    byName(w, {}, "log", kLogKindNames, f.logWriteFailures);

    if (process.valid) {
        w.family("process_cpu_seconds_total", "counter", "Total user and system CPU time spent in seconds.");
        w.sample({}, process.cpuSeconds);
        w.family("process_open_fds", "gauge", "Number of open file descriptors.");
        w.sample({}, process.openFds);
        w.family("process_max_fds", "gauge", "Maximum number of open file descriptors.");
        w.sample({}, process.maxFds);
        w.family("process_virtual_memory_bytes", "gauge", "Virtual memory size in bytes.");
        w.sample({}, process.virtualBytes);
        w.family("process_resident_memory_bytes", "gauge", "Resident memory size in bytes.");
        w.sample({}, process.residentBytes);
        w.family("process_start_time_seconds", "gauge", "Start time of the process since unix epoch in seconds.");
        w.sample({}, process.startTime);
    }
    return w.text();
}
