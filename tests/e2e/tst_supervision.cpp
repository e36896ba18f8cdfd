#include "processes.h"
#include "schedules.h"

#include <QRegularExpression>
#include <QElapsedTimer>
#include <QtTest>

#include <algorithm>
#include <csignal>

#include <unistd.h>

// The real program under a supervisor of the test's own: a datagram socket
// that stands where systemd's notify socket would, so the test hears
// READY=1, the watchdog pings and STOPPING=1 as systemd would. Then the
// station's record of starts and ends, and the command line.

namespace {

// Every start of a run is on the same faked day.
const QString kMonday = QStringLiteral("2027-12-06 10:00:00");

// The activity log's lines, without the time in front.
QStringList activityLog(const ProgramRun &run)
{
    static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d  "));
    return QString::fromLatin1(run.log("AL")).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).replaceInStrings(time, {});
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
    void outputsGoOffAtEveryEnd_data();
    void outputsGoOffAtEveryEnd();
    void commandLineAnswersWithoutADisplay_data();
    void commandLineAnswersWithoutADisplay();
};

void tst_Supervision::readyThenWatchdogFromTheTick()
{
    // The receiver never answers, so the Eb/No reading early in 12:00:12
    // holds the tick until 12:00:13: the pings must wait for it, about a
    // second, where a ping of its own would come every 500 ms.
    SimulatedReceiver receiver({QStringLiteral("--mode"), QStringLiteral("silent")});
    ProgramRun run;
    // Port 1 at 9600 baud, activity log on, Eb/No every minute, no parallel port.
    run.writeFile(QStringLiteral("Kestrelpoint.ini"), "111500w020");
    NotifySocket socket(run.scratch(QStringLiteral("notify")));
    QVERIFY(socket.valid());
    // A 2 s watchdog: the program pings every 500 ms.
    run.setReceiver(receiver.device());
    QVERIFY(run.start(notifyingTo(socket, 2000000), QStringLiteral("2027-12-06 12:00:07")));

    QCOMPARE(socket.next(15000), QByteArray("READY=1"));
    // Start-up is over, so the start is on record.
    QCOMPARE(activityLog(run), QStringList{QStringLiteral("Kestrelpoint Started")});
    QList<int> gaps; // in ms, about 9 s of them
    QElapsedTimer sincePing;
    sincePing.start();
    for (int waited = 0; waited < 9000; waited += gaps.last()) {
        QCOMPARE(socket.next(5000), QByteArray("WATCHDOG=1"));
        gaps << int(sincePing.restart());
    }
    QVERIFY2(receiver.received().contains(QStringLiteral("R C")), "no Eb/No reading was taken");
    std::sort(gaps.begin(), gaps.end());
    const QByteArray shown = "gaps in ms: " + QByteArray::number(gaps.first()) + " ... " + QByteArray::number(gaps.last());
    QVERIFY2(gaps.first() >= 400 && gaps.at(gaps.size() / 2) <= 700 && gaps.last() >= 900, shown.constData());

    // A program that stands still does not ping: the supervisor would kill it.
    QCOMPARE(::kill(pid_t(run.processId()), SIGSTOP), 0);
    const QByteArray whileStopped = socket.next(2500);
    QCOMPARE(::kill(pid_t(run.processId()), SIGCONT), 0);
    QCOMPARE(whileStopped, QByteArray());
    QCOMPARE(socket.next(3000), QByteArray("WATCHDOG=1"));
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
    run.writeFile(QStringLiteral("Kestrelpoint.ini"), "111000w020"); // as above, no readings
    NotifySocket socket(run.scratch(QStringLiteral("notify")));
    QVERIFY(socket.valid());
    // The program keeps a signal ignored that it was started with ignored
    // (as under nohup), so it starts with the system's action here.
    const bool catchable = signalNumber != SIGKILL;
    const auto before = catchable ? std::signal(signalNumber, SIG_DFL) : SIG_DFL;
    const bool started = run.start(notifyingTo(socket), kMonday);
    if (catchable)
        std::signal(signalNumber, before);
    QVERIFY(started);
    QCOMPARE(socket.next(15000), QByteArray("READY=1"));
    QCOMPARE(::kill(pid_t(run.processId()), signalNumber), 0);
    QVERIFY(run.waitForExit(10000));
    QCOMPARE(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, normalEnd);
    QCOMPARE(socket.next(1000), normalEnd ? QByteArray("STOPPING=1") : QByteArray());

    QVERIFY(run.start(notifyingTo(socket), kMonday));
    QCOMPARE(socket.next(15000), QByteArray("READY=1"));
    run.stop();
    QCOMPARE(run.exitCode(), 0);

    const QString begin = QStringLiteral("Kestrelpoint Started"), ended = QStringLiteral("Kestrelpoint Ended");
    QCOMPARE(activityLog(run), (normalEnd ? QStringList{begin, ended, begin, ended} : QStringList{begin, begin, ended}));
}

void tst_Supervision::outputsGoOffAtEveryEnd_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("exitCode"); // -1: ended by its signal
    QTest::addColumn<bool>("ended");   // "Kestrelpoint Ended" logged
    QTest::newRow("SIGTERM") << "TERM" << 0 << true;
    QTest::newRow("SIGHUP") << "HUP" << 0 << true;
    QTest::newRow("SIGINT") << "INT" << 0 << true;
    QTest::newRow("SIGHUP ignored as under nohup, then SIGTERM") << "nohup" << 0 << true;
    QTest::newRow("the display goes away") << "display" << 1 << true;
    QTest::newRow("a second SIGTERM while a conversation holds the loop") << "twice" << -1 << false;
    QTest::newRow("a crash") << "SEGV" << -1 << false;
    QTest::newRow("the watchdog's SIGABRT") << "ABRT" << -1 << false;
}

// A held remote start is on when the program ends: whatever the end, the
// output goes off, and an end the program runs itself says so in the log.
void tst_Supervision::outputsGoOffAtEveryEnd()
{
    QFETCH(QString, how);
    QFETCH(int, exitCode);
    QFETCH(bool, ended);

    // The receiver never answers: the Eb/No reading at 12:00:12 holds the
    // loop for 3.5 s.
    SimulatedReceiver receiver({QStringLiteral("--mode"), QStringLiteral("silent")});
    ProgramRun run;
    ScheduleRecord hold = stereoEnglish(QStringLiteral("Held"), 1, 3, QStringLiteral("05:30"));
    hold.SwitchTime[1] = QStringLiteral("12:00:10");
    run.writeFile(QStringLiteral("SwitchList.dat"), recordBytes(hold));
    // Port 1, activity log on, Eb/No once a minute, the parallel port in use.
    run.writeFile(QStringLiteral("Kestrelpoint.ini"), "111501w020");
    run.setReceiver(receiver.device());
    // No core files of the crashes in the build folder; SIGHUP ignored when asked.
    run.setCommand({QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                    QStringLiteral("ulimit -c 0; %1 exec \"$0\"").arg(how == "nohup" ? "trap '' HUP;" : ""),
                    QStringLiteral(KP_BINARY)});
    QProcessEnvironment env;
    QProcess display;
    if (how == "display") {
        display.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                               QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QVERIFY(display.waitForReadyRead(10000));
        env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(display.readLine().trimmed()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }
    QVERIFY(run.start(env, QStringLiteral("2027-12-06 12:00:07")));
    QVERIFY2(QTest::qWaitFor([&] { return run.dataByte() == 32; }, 15000), run.allStandardError().constData());
    const pid_t pid = pid_t(run.processId());
    if (how == "display") {
        display.kill();
        display.waitForFinished(5000);
    } else if (how == "nohup") {
        QCOMPARE(::kill(pid, SIGHUP), 0);
        QTest::qWait(1000);
        QVERIFY(run.running());
        QCOMPARE(run.dataByte(), quint8(32));
        QCOMPARE(::kill(pid, SIGTERM), 0);
    } else if (how == "twice") {
        QTest::qWait(2500); // 12:00:12.5, in the conversation
        QCOMPARE(::kill(pid, SIGTERM), 0);
        QTest::qWait(300);
        QVERIFY2(run.running(), "the first SIGTERM came to a loop that was not held");
        QCOMPARE(::kill(pid, SIGTERM), 0);
    } else {
        static const QMap<QString, int> signalNumbers = {
            {"TERM", SIGTERM}, {"HUP", SIGHUP}, {"INT", SIGINT}, {"SEGV", SIGSEGV}, {"ABRT", SIGABRT}};
        QCOMPARE(::kill(pid, signalNumbers.value(how)), 0);
    }
    QElapsedTimer ending;
    ending.start();
    // A second stop signal ends the program before the conversation does.
    QVERIFY(run.waitForExit(how == "twice" ? 1000 : 10000));
    QVERIFY2(ending.elapsed() < 1000 || how != "twice", "the second SIGTERM did not end the program at once");
    QCOMPARE(run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -1, exitCode);
    QCOMPARE(run.dataByte(), quint8(0));
    // Started 3 s before the switch: its command is skipped, its start given.
    QStringList log{"Kestrelpoint Started", "Skipped Held 12:00:10", "Remote Start 1 On"};
    if (ended)
        log << "Remote Start 1 Off" << "Kestrelpoint Ended";
    QCOMPARE(activityLog(run), log);
}

void tst_Supervision::commandLineAnswersWithoutADisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("shown"); // a part of standard output after 0, else of standard error
    QTest::newRow("-h") << QStringList{"-h"} << 0 << "Usage: kestrelpoint [options]";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << "kestrelpoint " KESTRELPOINT_VERSION "\n";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2
                                    << "kestrelpoint: Unknown option 'bogus'.\nTry 'kestrelpoint --help'.";
    QTest::newRow("stray argument") << QStringList{"schedule.dat"} << 2
                                    << "kestrelpoint: Unexpected argument 'schedule.dat'.";
    QTest::newRow("a status address by name") << QStringList{"--status-listen", "localhost:7845"} << 2
                                              << "kestrelpoint: --status-listen needs ADDRESS:PORT with a numeric IP";
    QTest::newRow("no display: not a crash") << QStringList() << 1
                                             << "kestrelpoint: There is no display to show the windows on";
}

void tst_Supervision::commandLineAnswersWithoutADisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, shown);

    // No screen of any kind: a program that opened a window would abort.
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QLatin1String(name));
    const QString home = dir.filePath(QStringLiteral("home"));
    env.insert(QStringLiteral("KESTRELPOINT_HOME"), home);
    const Ran ran = runTool(QStringLiteral(KP_BINARY), arguments, 10000, env);
    QCOMPARE(ran.exitCode, exitCode);
    // The other stream stays empty.
    const auto [on, other] = exitCode == 0 ? std::pair(ran.out, ran.err) : std::pair(ran.err, ran.out);
    QVERIFY2(on.contains(shown.toLocal8Bit()) && other.isEmpty(), (ran.out + ran.err).constData());
    QVERIFY(!QFileInfo::exists(home));
}

QTEST_GUILESS_MAIN(tst_Supervision)
#include "tst_supervision.moc"
