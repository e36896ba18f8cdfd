#include "processes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// The real program under a supervisor of the test's own: a datagram socket
// that stands where systemd's notify socket would, so the test hears
// READY=1, the watchdog pings and STOPPING=1 as systemd would. Then the
// station's record of starts and ends, and the command line.

namespace {

// systemd's side of the notify protocol: one datagram per message.
class NotifySocket
{
public:
    explicit NotifySocket(const QString &path) : m_path(path)
    {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(), std::min(size_t(name.size()), sizeof address.sun_path - 1));
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~NotifySocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        QFile::remove(m_path);
    }
    bool valid() const { return m_fd >= 0; }
    QString path() const { return m_path; }
    // The next message, or empty when none comes within ms.
    QByteArray next(int ms)
    {
        pollfd p = {m_fd, POLLIN, 0};
        if (::poll(&p, 1, ms) != 1)
            return {};
        char buffer[4096];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
    }

private:
    QString m_path;
    int m_fd = -1;
};

// Port 1 at 9600 baud, activity log on, no readings, no parallel port.
const QByteArray kSettings = "111000w020";

// Every activity-log line, days in order, without the time in front.
QStringList activityLog(const ProgramRun &run)
{
    QStringList lines;
    const QDir logs(run.file(QStringLiteral("logs")));
    for (const QString &name : logs.entryList({QStringLiteral("AL*.log")}, QDir::Files, QDir::Name)) {
        for (const QByteArray &line : run.readFile(logs.filePath(name)).split('\n')) {
            if (!line.isEmpty())
                lines << QString::fromLatin1(line.mid(10).chopped(1));
        }
    }
    return lines;
}

QProcessEnvironment notifyingTo(const NotifySocket &socket, qint64 watchdogUsec = 0)
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("NOTIFY_SOCKET"), socket.path());
    if (watchdogUsec > 0)
        env.insert(QStringLiteral("WATCHDOG_USEC"), QString::number(watchdogUsec));
    return env;
}

} // namespace

class tst_Supervision : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readyThenWatchdogFromTheTick();
    void endsAndRestartsAreOnRecord_data();
    void endsAndRestartsAreOnRecord();
    void commandLineAnswersWithoutADisplay_data();
    void commandLineAnswersWithoutADisplay();
};

void tst_Supervision::readyThenWatchdogFromTheTick()
{
    // The receiver never answers, so the Eb/No reading early in 12:00:12
    // holds the tick until 12:00:13: the pings must wait for it, about a
    // second, where a ping of its own would come every 500 ms.
    SimulatedReceiver receiver({QStringLiteral("--mode"), QStringLiteral("silent")});
    QVERIFY(!receiver.device().isEmpty());
    ProgramRun run;
    run.writeFile(QStringLiteral("Kestrelpoint.ini"), "111500w020"); // as kSettings, with Eb/No every minute
    NotifySocket socket(run.scratch(QStringLiteral("notify")));
    QVERIFY(socket.valid());
    // A 2 s watchdog: the program pings every 500 ms.
    QProcessEnvironment env = notifyingTo(socket, 2000000);
    env.insert(QStringLiteral("KESTRELPOINT_COM1"), receiver.device());
    QVERIFY(run.start(env, QStringLiteral("2027-12-06 12:00:07")));

    QCOMPARE(socket.next(15000), QByteArray("READY=1"));
    // Start-up is over, so the start is on record.
    QCOMPARE(activityLog(run), QStringList{QStringLiteral("Kestrelpoint Started")});
    QList<qint64> gaps;
    QElapsedTimer watched;
    watched.start();
    QElapsedTimer sincePing;
    sincePing.start();
    while (watched.elapsed() < 9000) {
        QCOMPARE(socket.next(5000), QByteArray("WATCHDOG=1"));
        gaps << sincePing.restart();
    }
    QVERIFY2(receiver.received().contains(QStringLiteral("R C")), "no Eb/No reading was taken");
    std::sort(gaps.begin(), gaps.end());
    QString shown = QStringLiteral("gaps in ms:");
    for (qint64 gap : gaps)
        shown += QLatin1Char(' ') + QString::number(gap);
    QVERIFY2(gaps.first() >= 400 && gaps.at(gaps.size() / 2) <= 700, qPrintable(shown));
    QVERIFY2(gaps.last() >= 900, qPrintable(shown));

    // A program that stands still does not ping: the supervisor would kill it.
    QCOMPARE(::kill(pid_t(run.processId()), SIGSTOP), 0);
    const QByteArray whileStopped = socket.next(2500);
    QCOMPARE(::kill(pid_t(run.processId()), SIGCONT), 0);
    QCOMPARE(whileStopped, QByteArray());
    QCOMPARE(socket.next(3000), QByteArray("WATCHDOG=1"));

    run.stop();
    QByteArray last;
    for (QByteArray message; !(message = socket.next(2000)).isEmpty();)
        last = message;
    QCOMPARE(last, QByteArray("STOPPING=1"));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
}

void tst_Supervision::endsAndRestartsAreOnRecord_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<bool>("normalEnd");
    QTest::newRow("SIGTERM: log-out, shut-down, systemctl stop") << int(SIGTERM) << true;
    QTest::newRow("SIGHUP") << int(SIGHUP) << true;
    QTest::newRow("SIGINT: Ctrl-C") << int(SIGINT) << true;
    QTest::newRow("SIGKILL: killed, then restarted") << int(SIGKILL) << false;
}

// Each run ends by the signal, then the program starts again on the same
// data folder and ends normally: a start without an end before the next one
// is what a crash or a kill leaves on the record.
void tst_Supervision::endsAndRestartsAreOnRecord()
{
    QFETCH(int, signalNumber);
    QFETCH(bool, normalEnd);

    ProgramRun run;
    run.writeFile(QStringLiteral("Kestrelpoint.ini"), kSettings);
    NotifySocket socket(run.scratch(QStringLiteral("notify")));
    QVERIFY(socket.valid());
    // The program keeps a signal ignored that it was started with ignored
    // (as under nohup), so it starts with the system's action here.
    const bool catchable = signalNumber != SIGKILL;
    const auto before = catchable ? std::signal(signalNumber, SIG_DFL) : SIG_DFL;
    const bool started = run.start(notifyingTo(socket));
    if (catchable)
        std::signal(signalNumber, before);
    QVERIFY(started);
    QCOMPARE(socket.next(15000), QByteArray("READY=1"));
    QCOMPARE(::kill(pid_t(run.processId()), signalNumber), 0);
    QVERIFY(run.waitForExit(10000));
    QCOMPARE(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, normalEnd);
    QCOMPARE(socket.next(1000), normalEnd ? QByteArray("STOPPING=1") : QByteArray());

    QVERIFY(run.start(notifyingTo(socket)));
    QCOMPARE(socket.next(15000), QByteArray("READY=1"));
    run.stop();
    QCOMPARE(run.exitCode(), 0);

    const QString begin = QStringLiteral("Kestrelpoint Started");
    const QString ended = QStringLiteral("Kestrelpoint Ended");
    const QStringList expected =
        normalEnd ? QStringList{begin, ended, begin, ended} : QStringList{begin, begin, ended};
    QCOMPARE(activityLog(run), expected);
}

void tst_Supervision::commandLineAnswersWithoutADisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // a part of standard output
    QTest::addColumn<QString>("error");  // a part of standard error
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: kestrelpoint [options]" << "";
    QTest::newRow("-h lists --version") << QStringList{"-h"} << 0 << "  -v, --version" << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "kestrelpoint " KESTRELPOINT_VERSION "\n" << "";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << ""
                                    << "kestrelpoint: Unknown option 'bogus'.\nTry 'kestrelpoint --help'.";
    QTest::newRow("stray argument") << QStringList{"schedule.dat"} << 2 << ""
                                    << "kestrelpoint: Unexpected argument 'schedule.dat'.";
    QTest::newRow("no display: not a crash") << QStringList() << 1 << ""
                                             << "kestrelpoint: There is no display to show the windows on";
}

void tst_Supervision::commandLineAnswersWithoutADisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, error);

    // No screen of any kind: a program that opened a window would abort.
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QLatin1String(name));
    const QString home = dir.filePath(QStringLiteral("home"));
    env.insert(QStringLiteral("KESTRELPOINT_HOME"), home);
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KP_BINARY), arguments);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(output.isEmpty() ? out.isEmpty() : out.contains(output), qPrintable(out));
    QVERIFY2(error.isEmpty() ? err.isEmpty() : err.contains(error), qPrintable(err));
    QVERIFY(!QFileInfo::exists(home));
}

QTEST_GUILESS_MAIN(tst_Supervision)
#include "tst_supervision.moc"
