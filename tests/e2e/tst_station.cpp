#include "processes.h"
#include "schedules.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// The real program, offscreen, on a faked Monday, against a simulated
// receiver and a simulated parallel port: a switch as the station sees it,
// and the failures an unattended station meets (a receiver that misbehaves
// or vanishes, a log folder or a disk that fails, a damaged schedule file,
// files it may not write, a clock it may not set). After each failure the
// program goes on ticking, has told the operator, and has left the
// schedules, settings and source codes byte for byte.

namespace {

const QString kDay = QStringLiteral("271206");
const QByteArray kSwitchLine = "Noon News                 SETAUDIO 2 S ENG 7  \r\n";

QString at(const char *time)
{
    return QStringLiteral("2027-12-06 ") + QLatin1String(time);
}

QByteArray monday(const QString &time, int remoteStart = 1)
{
    ScheduleRecord r = stereoEnglish(QStringLiteral("Noon News"), 1, remoteStart);
    r.SwitchTime[1] = time;
    return recordBytes(r);
}

// Nothing due while a case runs.
QByteArray sundaySchedule()
{
    ScheduleRecord r = stereoEnglish(QStringLiteral("Sunday Service"));
    r.SwitchTime[0] = QStringLiteral("06:00:00");
    return recordBytes(r);
}

// Receiver 1 on port 1 at 9600 baud, activity log on, Eb/No once a minute
// (read at second 12), MPEG log on, parallel port in use, one receiver,
// model 4K; the time-set input works in minute 00.
QMap<QString, QByteArray> prepare(ProgramRun &run, const QByteArray &schedules, const QByteArray &settings = "111511w020")
{
    run.writeFile(QStringLiteral("Kestrelpoint.ini"), settings);
    run.writeFile(QStringLiteral("TimeReset.ini"), "00:30");
    run.writeFile(QStringLiteral("SwitchList.dat"), schedules);
    run.writeFile(QStringLiteral("Source.dat"), "ENG\r\nSPA\r\n\r\n");
    return run.dataFiles();
}

QProcessEnvironment receiverOn(const QString &device)
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("KESTRELPOINT_COM1"), device);
    return env;
}

bool alarmLogged(ProgramRun &run)
{
    return run.pulse(ProgramRun::kAlarm, [&] { return run.log("AL").contains("  Alarm\r\n"); });
}

// The program still ticks, and its data files are as before.
void stillSound(ProgramRun &run, const QMap<QString, QByteArray> &before)
{
    QVERIFY2(alarmLogged(run), run.allStandardError().constData());
    QVERIFY(run.running());
    run.stop();
    QCOMPARE(run.dataFiles(), before);
}

} // namespace

class tst_Station : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void switchesTheReceiverTwiceAndLogs();
    void alarmAndTimeSetOnTheParallelPort();
    void refusesToStart_data();
    void refusesToStart();
    void receiverFaults_data();
    void receiverFaults();
    void logFolderRemovedWhileRunning();
    void fullDisk_data();
    void fullDisk();
    void damagedScheduleFile();
    void clockRefusesToBeSet_data();
    void clockRefusesToBeSet();
};

void tst_Station::initTestCase()
{
    if (ProgramRun::fakeTimeLibrary().isEmpty())
        QFAIL("faketime is needed: make deps installs it");
}

void tst_Station::switchesTheReceiverTwiceAndLogs()
{
    SimulatedReceiver receiver;
    ProgramRun run;
    prepare(run, monday(QStringLiteral("12:00:00"), 2), "111011w020");
    QVERIFY(run.start(receiverOn(receiver.device()), at("11:59:44")));

    // Real time passes; the remote-start output (bit 5) is watched.
    QList<quint8> bytes;
    QElapsedTimer watched;
    watched.start();
    while (watched.elapsed() < 18500) {
        if (const quint8 b = run.dataByte(); b != 0xff && (bytes.isEmpty() || bytes.last() != b))
            bytes << b;
        QTest::qWait(10);
    }
    QCOMPARE(bytes, (QList<quint8>{0, 32, 0}));
    QCOMPARE(receiver.received(), (QStringList{"SETAUDIO 2 S ENG 7  ", "SETAUDIO 2 S ENG 7  ", "R M"}));
    const QStringList timed = receiver.receivedWithTimes();
    const auto seconds = [&](int i) { return QTime::fromString(timed.at(i).left(12), "HH:mm:ss.zzz").msecsSinceStartOfDay(); };
    QVERIFY2(qAbs(seconds(1) - seconds(0) - 2000) < 200, qPrintable(timed.join('\n')));
    const QByteArray al = run.log("AL");
    QVERIFY2(al.startsWith("11:59:4") && al.indexOf("  Kestrelpoint Started\r\n") == 8, al.constData());
    QCOMPARE(al.mid(al.indexOf('\n') + 1), QByteArray("11:59:47  ") + kSwitchLine + "11:59:49  " + kSwitchLine
                                                + "12:00:00  Remote Start 1 On\r\n12:00:01  Remote Start 1 Off\r\n");
    const QByteArray mp = run.log("MP");
    QVERIFY2(mp.startsWith("11:59:51\r\nMPEG STATUS") && mp.endsWith(">\r\n"), mp.constData());
}

void tst_Station::alarmAndTimeSetOnTheParallelPort()
{
    ProgramRun run;
    run.writeFile(QStringLiteral("Kestrelpoint.ini"), "111001w020");
    run.writeFile(QStringLiteral("TimeReset.ini"), "54:30");
    run.setStatus(103); // alarm and time-set inputs both active
    QVERIFY(run.start({}, at("10:54:27")));
    QTRY_VERIFY_WITH_TIMEOUT(run.log("AL").contains("Time Set"), 10000);
    run.setStatus(ProgramRun::kIdle);
    QTest::qWait(300);
    // Each activation of the alarm is logged once.
    QVERIFY(run.pulse(ProgramRun::kAlarm, [&] { return run.log("AL").count("  Alarm\r\n") == 2; }));
    QCOMPARE(run.readFile(run.clockDryRun()), QByteArray("2027-12-06T10:54:30\n"));
    const QList<QByteArray> lines = run.log("AL").split('\n');
    QCOMPARE(lines.mid(1, 2), (QList<QByteArray>{"10:54:27  Alarm\r", "10:54:27  Time Set 10:54:27\r"}));
}

void tst_Station::refusesToStart_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // %1 the data folder
    QTest::newRow("a second copy on the same data folder") << "second copy" << 3 << "Kestrelpoint is already running.";
    QTest::newRow("data folder under a regular file")
        << "under a file" << 1 << "The folder %1 cannot be created: Not a directory.";
    QTest::newRow("data folder not writable") << "folder" << 1 << "The folder %1 cannot be used: Permission denied.";
    QTest::newRow("data files not writable")
        << "files" << 1 << "Kestrelpoint cannot start: 13  Permission denied: %1/TimeReset.ini.";
}

void tst_Station::refusesToStart()
{
    QFETCH(QString, how);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    ProgramRun first;
    ProgramRun run;
    QString home = run.home();
    const QMap<QString, QByteArray> before = prepare(run, sundaySchedule());
    QProcessEnvironment env;
    if (how == QLatin1String("second copy")) {
        QVERIFY(first.startAndWait());
        home = first.home();
        env.insert(QStringLiteral("KESTRELPOINT_HOME"), home);
    } else if (how == QLatin1String("under a file")) {
        home = run.file(QStringLiteral("Source.dat")) + QStringLiteral("/home");
        env.insert(QStringLiteral("KESTRELPOINT_HOME"), home);
    } else if (::geteuid() == 0) {
        // File modes do not stop root: the program runs as nobody, on files
        // and a folder that root owns.
        const passwd *nobody = getpwnam("nobody");
        QVERIFY(nobody);
        QVERIFY(::chmod(QFile::encodeName(run.scratch({})).constData(), 0755) == 0);
        if (how == QLatin1String("files"))
            QVERIFY(::chown(QFile::encodeName(home).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
        run.setLauncher({"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
    } else {
        for (const QString &name : ProgramRun::kDataFiles)
            QVERIFY(::chmod(QFile::encodeName(run.file(name)).constData(), 0444) == 0);
        if (how == QLatin1String("folder"))
            QVERIFY(::chmod(QFile::encodeName(home).constData(), 0555) == 0);
    }
    QVERIFY(run.start(env));
    QVERIFY(run.waitForExit(15000));
    ::chmod(QFile::encodeName(home).constData(), 0755);
    QCOMPARE(run.exitCode(), exitCode);
    const QString stderrText = QString::fromLocal8Bit(run.allStandardError());
    QVERIFY2(stderrText.contains(QStringLiteral("kestrelpoint: ") + message.arg(home) + QLatin1Char('\n')),
             qPrintable(stderrText));
    QCOMPARE(run.dataFiles(), before);
    if (how == QLatin1String("second copy"))
        QVERIFY(first.running());
}

void tst_Station::receiverFaults_data()
{
    QTest::addColumn<QStringList>("simulator");
    QTest::addColumn<bool>("unplugged"); // cut off while the program waits for its carrier data
    QTest::addColumn<QString>("ebNo");   // the value logged; empty for any
    QTest::addColumn<QString>("mpegLog");
    QTest::addColumn<QStringList>("errors"); // parts of the messages; none may come when empty

    QTest::newRow("receiver never answers") << QStringList{"--mode", "silent"} << false << "None" << "empty answer"
                                            << QStringList();
    QTest::newRow("answers without its prompt")
        << QStringList{"--mode", "noprompt"} << false << "8.5" << "answer without prompt" << QStringList();
    QTest::newRow("answers line noise") << QStringList{"--mode", "garbage"} << false << "None"
                                        << "answer with prompt" << QStringList();
    QTest::newRow("answers megabytes") << QStringList{"--mode", "flood"} << false << "" << "megabytes"
                                       << QStringList();
    QTest::newRow("receiver unplugged mid-answer") << QStringList{"--mode", "silent"} << true << "None" << "nothing"
                                                   << QStringList{" Command not sent.", ".  Make sure the folder "};
}

// Switched at 12:00:24: armed at the start, sent twice before the Eb/No
// slot is over, its MPEG status read after it.
void tst_Station::receiverFaults()
{
    QFETCH(QStringList, simulator);
    QFETCH(bool, unplugged);
    QFETCH(QString, ebNo);
    QFETCH(QString, mpegLog);
    QFETCH(QStringList, errors);

    SimulatedReceiver receiver(simulator);
    ProgramRun run;
    // A link of this run's own: an unplugged receiver's line is gone for
    // good and never someone else's.
    const QString line = run.scratch(QStringLiteral("receiver-line"));
    QVERIFY(QFile::link(receiver.device(), line));
    const QMap<QString, QByteArray> before = prepare(run, monday(QStringLiteral("12:00:24")));
    QVERIFY(run.startAndWait(receiverOn(line), at("12:00:09")));
    if (unplugged) {
        QTRY_VERIFY_WITH_TIMEOUT(receiver.received().contains(QStringLiteral("R C")), 10000);
        receiver.kill();
        QVERIFY(QFile::remove(line));
    }
    QTRY_VERIFY_WITH_TIMEOUT(!run.log("MP").isEmpty() || run.hasError(QStringLiteral("Make sure the folder")), 20000);
    // Both sends are logged, one that could not go out too.
    QCOMPARE(run.log("AL").count(kSwitchLine), 2);

    const QByteArray eb = run.log("EB");
    QVERIFY2(eb.startsWith("12:00:1") && eb.endsWith("\r\n") && eb.size() <= 10 + 20 + 2, eb.constData());
    if (!ebNo.isEmpty())
        QCOMPARE(QString::fromLatin1(eb.mid(10, eb.size() - 12)), ebNo);
    const QByteArray mp = run.log("MP");
    if (mpegLog == QLatin1String("nothing"))
        QVERIFY2(mp.isEmpty(), mp.constData());
    else
        QVERIFY2(QRegularExpression(QStringLiteral("^12:00:\\d\\d\\r\\n")).match(QString::fromLatin1(mp.left(10))).hasMatch()
                     && mp.endsWith("\r\n"), mp.left(100).constData());
    if (mpegLog == QLatin1String("empty answer"))
        QCOMPARE(mp.size(), 12);
    if (mpegLog == QLatin1String("answer without prompt"))
        QVERIFY2(mp.size() > 12 && !mp.contains('>'), mp.constData());
    if (mpegLog == QLatin1String("answer with prompt"))
        QVERIFY(mp.endsWith(">\r\n"));
    if (mpegLog == QLatin1String("megabytes"))
        QVERIFY2(mp.size() > 100000, qPrintable(QString::number(mp.size())));

    const QStringList shown = run.errorMessages();
    for (const QString &part : errors)
        QVERIFY2(run.hasError(part), qPrintable(part + QStringLiteral(" not in: ") + shown.join(QLatin1Char('\n'))));
    for (const QString &message : shown)
        QVERIFY2(std::any_of(errors.cbegin(), errors.cend(), [&](const QString &p) { return message.contains(p); }),
                 qPrintable(message));
    stillSound(run, before);
}

void tst_Station::logFolderRemovedWhileRunning()
{
    SimulatedReceiver receiver;
    ProgramRun run;
    const QMap<QString, QByteArray> before = prepare(run, sundaySchedule());
    QVERIFY(run.startAndWait(receiverOn(receiver.device()), at("12:00:09")));
    const QString logs = run.file(QStringLiteral("logs"));
    QVERIFY(QDir(logs).removeRecursively());
    const QString alarmLost = QStringLiteral("2  No such file or directory: %1/AL%2.log.  The activity log line "
                                             "\"Alarm\" was not written.")
                                  .arg(logs, kDay);
    QVERIFY(run.pulse(ProgramRun::kAlarm, [&] { return run.errorMessages().contains(alarmLost); }));
    const QString readingLost =
        QStringLiteral("2 No such file or directory: %1/EB%2.log.  Make sure the folder %1 exists.").arg(logs, kDay);
    QTRY_VERIFY_WITH_TIMEOUT(run.errorMessages().contains(readingLost), 10000);
    // Once the folder is back, so are the logs.
    QVERIFY(QDir().mkpath(logs));
    QVERIFY(run.pulse(ProgramRun::kTimeSet, [&] { return run.log("AL").contains("  Time Set 12:00:"); }));
    QCOMPARE(run.errorMessages(), (QStringList{alarmLost, readingLost}));
    stillSound(run, before);
}

void tst_Station::fullDisk_data()
{
    QTest::addColumn<QString>("full"); // the log that is a link to /dev/full
    QTest::addColumn<QString>("other");
    QTest::addColumn<QString>("message"); // how every message begins; %1 the log folder, %2 the day
    QTest::newRow("activity log") << "AL" << "EB"
                                  << "28  No space left on device: %1/AL%2.log.  The activity log line \"";
    QTest::newRow("Eb/No log") << "EB" << "AL"
                               << "28 No space left on device: %1/EB%2.log.  Make sure the folder %1 exists.";
}

// The alarm goes to the activity log, the reading of 12:00:12 to the Eb/No
// log: one finds the disk full, the other still grows.
void tst_Station::fullDisk()
{
    QFETCH(QString, full);
    QFETCH(QString, other);
    QFETCH(QString, message);

    SimulatedReceiver receiver;
    ProgramRun run;
    const QMap<QString, QByteArray> before = prepare(run, sundaySchedule());
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), run.file(QStringLiteral("logs/") + full + kDay + ".log")));
    QVERIFY(run.startAndWait(receiverOn(receiver.device()), at("12:00:09")));
    const QString expected = message.arg(run.file(QStringLiteral("logs")), kDay);
    run.setStatus(ProgramRun::kAlarm);
    QTRY_VERIFY_WITH_TIMEOUT(run.hasError(expected), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!run.log(other.toLatin1().constData()).isEmpty(), 10000);
    run.setStatus(ProgramRun::kIdle);
    QVERIFY(run.pulse(ProgramRun::kTimeSet, [&] { return run.readFile(run.clockDryRun()).contains("T12:00:30\n"); }));
    for (const QString &shown : run.errorMessages())
        QVERIFY2(shown.startsWith(expected), qPrintable(shown));
    QVERIFY(run.running());
    run.stop();
    QCOMPARE(run.dataFiles(), before);
}

// A sound schedule, one gone to noise (the colons of its times in place), and
// half a record at the end.
void tst_Station::damagedScheduleFile()
{
    QRandomGenerator noise(2027);
    QByteArray damaged(kRecordLength, '\0');
    for (char &c : damaged)
        c = char(noise.bounded(256));
    damaged[0] = '1';
    for (int d = 0; d < 7; ++d)
        damaged[42 + 8 * d] = damaged[45 + 8 * d] = ':';

    SimulatedReceiver receiver;
    ProgramRun run;
    const QMap<QString, QByteArray> before = prepare(run, monday(QStringLiteral("12:00:24")) + damaged + damaged.left(50));
    QVERIFY(run.startAndWait(receiverOn(receiver.device()), at("12:00:09")));
    QTRY_VERIFY_WITH_TIMEOUT(run.hasError(QStringLiteral("13  Type mismatch: the switch time ")), 10000);
    QVERIFY2(run.hasError(QStringLiteral(" of schedule 2 (")), qPrintable(run.errorMessages().join('\n')));
    // The sound schedule still switches the receiver.
    QTRY_VERIFY_WITH_TIMEOUT(receiver.received().contains(QStringLiteral("SETAUDIO 2 S ENG 7  ")), 10000);
    stillSound(run, before);
}

void tst_Station::clockRefusesToBeSet_data()
{
    QTest::addColumn<QString>("target"); // what stands where the new time is written
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a full disk") << "/dev/full";
}

void tst_Station::clockRefusesToBeSet()
{
    QFETCH(QString, target);
    ProgramRun run;
    const QMap<QString, QByteArray> before = prepare(run, sundaySchedule());
    if (target == QLatin1String("folder")) {
        target = run.scratch(QStringLiteral("clock-folder"));
        QVERIFY(QDir().mkpath(target));
    }
    QProcessEnvironment env;
    env.insert(QStringLiteral("KESTRELPOINT_CLOCK_DRYRUN"), target);
    QVERIFY(run.startAndWait(env, at("12:00:02")));
    const QString refused = QStringLiteral("The clock was not set to 12:00:30: ");
    QVERIFY2(run.pulse(ProgramRun::kTimeSet, [&] { return run.hasError(refused); }), run.allStandardError().constData());
    QVERIFY(alarmLogged(run));
    // A clock that was not set is not logged as set, and told once.
    QVERIFY(!run.log("AL").contains("Time Set"));
    QCOMPARE(run.errorMessages().filter(refused).size(), 1);
    stillSound(run, before);
}

QTEST_GUILESS_MAIN(tst_Station)
#include "tst_station.moc"
