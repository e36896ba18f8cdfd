#include "platform/codec.h"
#include "processes.h"
#include "schedules.h"
#include "schedule/schedulerecord.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

#include <functional>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// The real program against the failures an unattended station meets: a
// receiver that misbehaves or vanishes, a log folder or a disk that fails, a
// damaged schedule file, files it may not write, a clock it may not set.
// Each case checks that the program goes on ticking, tells the operator, and
// leaves the schedules, settings and source codes byte for byte.
//
// The program runs at a faked Monday noon: Eb/No is read at second 12 of
// every minute, and the parallel port's inputs give a probe that answers only
// while the clock tick runs (an alarm is logged, a time set is recorded).

namespace {

// Monday 6 December 2027, the faked day.
const QString kDay = QStringLiteral("271206");

QString at(const char *time)
{
    return QStringLiteral("2027-12-06 ") + QLatin1String(time);
}

// The parallel port's status register: no input, the alarm, the time-set
// input.
constexpr quint8 kIdle = 127;
constexpr quint8 kAlarm = 111;
constexpr quint8 kTimeSet = 119;

// Receiver 1 on port 1 at 9600 baud, activity log on, Eb/No once a minute,
// MPEG log on, parallel port in use, one receiver, model 4K.
const QByteArray kSettings = "111511w020";
const QByteArray kSourceCodes = "ENG\r\nSPA\r\n\r\n";
const QByteArray kSwitchLine = "Noon News                 SETAUDIO 2 S ENG 7  \r\n";
const QStringList kDataFiles = {QStringLiteral("SwitchList.dat"), QStringLiteral("Kestrelpoint.ini"),
                                QStringLiteral("TimeReset.ini"), QStringLiteral("Source.dat")};

QByteArray schedule(const QString &name, int day, const QString &time)
{
    ScheduleRecord r = stereoEnglish(name);
    r.SwitchTime[day] = time;
    return recordBytes(r);
}

// Switched at 12:00:24: armed at the faked start, sent twice before the Eb/No
// slot is over, its MPEG status read after it.
QByteArray noonSchedule()
{
    return schedule(QStringLiteral("Noon News"), 1, QStringLiteral("12:00:24"));
}

// Nothing due while a case runs.
QByteArray sundaySchedule()
{
    return schedule(QStringLiteral("Sunday Service"), 0, QStringLiteral("06:00:00"));
}

QMap<QString, QByteArray> dataFiles(const ProgramRun &run)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : kDataFiles)
        files.insert(name, run.readFile(name));
    return files;
}

// Writes the station's files and returns them as written; TimeReset.ini
// lets the time-set input work in minute 00.
QMap<QString, QByteArray> prepare(const ProgramRun &run, const QByteArray &schedules)
{
    run.writeFile(QStringLiteral("Kestrelpoint.ini"), kSettings);
    run.writeFile(QStringLiteral("TimeReset.ini"), "00:30");
    run.writeFile(QStringLiteral("SwitchList.dat"), schedules);
    run.writeFile(QStringLiteral("Source.dat"), kSourceCodes);
    return dataFiles(run);
}

// The first data file that differs from before, or nothing.
QString changedFile(const ProgramRun &run, const QMap<QString, QByteArray> &before)
{
    const QMap<QString, QByteArray> now = dataFiles(run);
    for (const QString &name : kDataFiles) {
        if (now.value(name) != before.value(name))
            return name;
    }
    return {};
}

QByteArray dayLog(const ProgramRun &run, const char *prefix)
{
    return run.readFile(QStringLiteral("logs/") + QLatin1String(prefix) + kDay + QStringLiteral(".log"));
}

bool hasError(ProgramRun &run, const QString &part)
{
    const QStringList errors = run.errorMessages();
    return std::any_of(errors.cbegin(), errors.cend(), [&](const QString &e) { return e.contains(part); });
}

// Holds an input of the parallel port active until its effect shows, then
// lets it go. Only a running clock tick polls the inputs.
bool pulse(ProgramRun &run, quint8 status, const std::function<bool()> &effect)
{
    run.setStatus(status);
    const bool seen = QTest::qWaitFor(effect, 5000);
    run.setStatus(kIdle);
    return seen;
}

bool startedAt(ProgramRun &run, const QProcessEnvironment &env, const char *time)
{
    if (!run.start(env, at(time)))
        return false;
    // Start-up ends by clearing the parallel-port outputs.
    return QTest::qWaitFor([&] { return run.dataByte() == 0; }, 10000);
}

QProcessEnvironment receiverOn(const QString &device)
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("KESTRELPOINT_COM1"), device);
    return env;
}

// A schedule record gone bad on the disk: in use, its other bytes noise, its
// switch times noise with the colons of a time still in place.
QByteArray damagedRecord()
{
    QRandomGenerator noise(2027);
    QByteArray record(kRecordLength, '\0');
    for (char &c : record)
        c = char(noise.bounded(256));
    record[0] = '1';
    for (int d = 0; d < 7; ++d) {
        record[40 + 8 * d + 2] = ':';
        record[40 + 8 * d + 5] = ':';
    }
    return record;
}

} // namespace

class tst_Faults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void receiverFaults_data();
    void receiverFaults();
    void logFolderRemovedWhileRunning();
    void fullDisk_data();
    void fullDisk();
    void damagedScheduleFile();
    void clockRefusesToBeSet_data();
    void clockRefusesToBeSet();
    void readOnlyData_data();
    void readOnlyData();
};

void tst_Faults::initTestCase()
{
    if (ProgramRun::fakeTimeLibrary().isEmpty())
        QFAIL("faketime is needed: make deps installs it");
    if (QByteArray(KP_SIM_BINARY).isEmpty())
        QFAIL("the receiver simulator is not built");
}

void tst_Faults::receiverFaults_data()
{
    QTest::addColumn<QStringList>("simulator");
    // The receiver is cut off while the program waits for its carrier data.
    QTest::addColumn<bool>("unplugged");
    // The Eb/No value logged; empty for any.
    QTest::addColumn<QString>("ebNo");
    QTest::addColumn<QString>("mpegLog");
    // Parts of the error window's messages; empty when none may come.
    QTest::addColumn<QStringList>("errors");

    QTest::newRow("receiver never answers") << QStringList{"--mode", "silent"} << false << "None" << "empty answer"
                                            << QStringList();
    QTest::newRow("answers without its prompt")
        << QStringList{"--mode", "noprompt"} << false << "8.5" << "answer without prompt" << QStringList();
    QTest::newRow("answers line noise") << QStringList{"--mode", "garbage"} << false << "None"
                                        << "answer with prompt" << QStringList();
    QTest::newRow("answers megabytes") << QStringList{"--mode", "flood"} << false << "" << "megabytes"
                                       << QStringList();
    QTest::newRow("receiver unplugged mid-answer")
        << QStringList{"--mode", "silent"} << true << "None" << "nothing"
        << QStringList{" Command not sent.", ".  Make sure the folder "};
}

void tst_Faults::receiverFaults()
{
    QFETCH(QStringList, simulator);
    QFETCH(bool, unplugged);
    QFETCH(QString, ebNo);
    QFETCH(QString, mpegLog);
    QFETCH(QStringList, errors);

    SimulatedReceiver receiver(simulator);
    QVERIFY(!receiver.device().isEmpty());
    ProgramRun run;
    // The program reaches the receiver through a link of this run's own, so
    // an unplugged receiver's line is gone for good and never someone else's.
    const QString line = run.scratch(QStringLiteral("receiver-line"));
    QVERIFY(QFile::link(receiver.device(), line));
    const QMap<QString, QByteArray> before = prepare(run, noonSchedule());
    QVERIFY(startedAt(run, receiverOn(line), "12:00:09"));

    if (unplugged) {
        QTRY_VERIFY_WITH_TIMEOUT(receiver.received().contains(QStringLiteral("R C")), 10000);
        receiver.kill();
        QVERIFY(QFile::remove(line));
    }
    // The switch cycle ends with the MPEG reading, after the Eb/No slot.
    QTRY_VERIFY_WITH_TIMEOUT(!dayLog(run, "MP").isEmpty() || hasError(run, QStringLiteral("Make sure the folder")),
                             20000);
    QVERIFY2(pulse(run, kAlarm, [&] { return dayLog(run, "AL").contains("  Alarm\r\n"); }),
             run.allStandardError().constData());
    QVERIFY(run.running());

    // Both sends are logged, the one that could not go out too.
    QCOMPARE(dayLog(run, "AL").count(kSwitchLine), 2);

    const QByteArray eb = dayLog(run, "EB");
    QVERIFY2(eb.startsWith("12:00:1") && eb.endsWith("\r\n") && eb.size() <= 10 + 20 + 2, eb.constData());
    if (!ebNo.isEmpty())
        QCOMPARE(QString::fromLatin1(eb.mid(10, eb.size() - 12)), ebNo);

    const QByteArray mp = dayLog(run, "MP");
    static const QRegularExpression header(QStringLiteral("^12:00:\\d\\d\\r\\n"));
    if (mpegLog == QLatin1String("nothing")) {
        QVERIFY2(mp.isEmpty(), mp.constData());
    } else {
        QVERIFY2(header.match(QString::fromLatin1(mp.left(10))).hasMatch(), mp.left(100).constData());
        QVERIFY(mp.endsWith("\r\n"));
    }
    if (mpegLog == QLatin1String("empty answer"))
        QCOMPARE(mp.size(), 12);
    if (mpegLog == QLatin1String("answer without prompt"))
        QVERIFY2(mp.size() > 12 && !mp.contains('>'), mp.constData());
    if (mpegLog == QLatin1String("answer with prompt"))
        QVERIFY(mp.endsWith(">\r\n"));
    if (mpegLog == QLatin1String("megabytes"))
        QVERIFY2(mp.size() > 100000, qPrintable(QString::number(mp.size())));

    const QStringList shown = run.errorMessages();
    if (errors.isEmpty())
        QCOMPARE(shown, QStringList());
    for (const QString &part : errors)
        QVERIFY2(hasError(run, part), qPrintable(part + QStringLiteral(" not in: ") + shown.join(QLatin1Char('\n'))));
    for (const QString &message : shown) {
        QVERIFY2(std::any_of(errors.cbegin(), errors.cend(), [&](const QString &p) { return message.contains(p); }),
                 qPrintable(message));
    }

    run.stop();
    QVERIFY2(changedFile(run, before).isEmpty(), qPrintable(changedFile(run, before)));
}

void tst_Faults::logFolderRemovedWhileRunning()
{
    SimulatedReceiver receiver;
    ProgramRun run;
    const QMap<QString, QByteArray> before = prepare(run, sundaySchedule());
    QVERIFY(startedAt(run, receiverOn(receiver.device()), "12:00:09"));

    const QString logs = run.file(QStringLiteral("logs"));
    QVERIFY(QDir(logs).removeRecursively());
    const QString alarmLost = QStringLiteral("2  No such file or directory: %1/AL%2.log.  The activity log line "
                                             "\"Alarm\" was not written.")
                                  .arg(logs, kDay);
    QVERIFY(pulse(run, kAlarm, [&] { return run.errorMessages().contains(alarmLost); }));
    const QString readingLost =
        QStringLiteral("2 No such file or directory: %1/EB%2.log.  Make sure the folder %1 exists.").arg(logs, kDay);
    QTRY_VERIFY_WITH_TIMEOUT(run.errorMessages().contains(readingLost), 10000);

    // Once the folder is back, so are the logs.
    QVERIFY(QDir().mkpath(logs));
    QVERIFY(pulse(run, kTimeSet, [&] { return dayLog(run, "AL").contains("  Time Set 12:00:"); }));
    QCOMPARE(run.errorMessages(), (QStringList{alarmLost, readingLost}));
    QVERIFY(run.running());
    run.stop();
    QVERIFY2(changedFile(run, before).isEmpty(), qPrintable(changedFile(run, before)));
}

void tst_Faults::fullDisk_data()
{
    QTest::addColumn<QString>("full"); // the log that is a link to /dev/full
    QTest::addColumn<QString>("other");
    // How every message begins; %1 is the log folder, %2 the day.
    QTest::addColumn<QString>("message");

    QTest::newRow("activity log") << "AL" << "EB"
                                  << "28  No space left on device: %1/AL%2.log.  The activity log line \"";
    QTest::newRow("Eb/No log") << "EB" << "AL"
                               << "28 No space left on device: %1/EB%2.log.  Make sure the folder %1 exists.";
}

void tst_Faults::fullDisk()
{
    QFETCH(QString, full);
    QFETCH(QString, other);
    QFETCH(QString, message);

    SimulatedReceiver receiver;
    ProgramRun run;
    const QMap<QString, QByteArray> before = prepare(run, sundaySchedule());
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), run.file(QStringLiteral("logs/") + full + kDay + ".log")));
    QVERIFY(startedAt(run, receiverOn(receiver.device()), "12:00:09"));

    // The alarm goes to the activity log, the reading of 12:00:12 to the Eb/No
    // log: one finds the disk full, the other still grows.
    const QString expected = message.arg(run.file(QStringLiteral("logs")), kDay);
    run.setStatus(kAlarm);
    QTRY_VERIFY_WITH_TIMEOUT(hasError(run, expected), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!dayLog(run, other.toLatin1().constData()).isEmpty(), 10000);
    run.setStatus(kIdle);
    QVERIFY(pulse(run, kTimeSet, [&] { return run.readFile(run.clockDryRun()).contains("T12:00:30\n"); }));

    for (const QString &shown : run.errorMessages())
        QVERIFY2(shown.startsWith(expected), qPrintable(shown));
    QVERIFY(run.running());
    run.stop();
    QVERIFY2(changedFile(run, before).isEmpty(), qPrintable(changedFile(run, before)));
}

void tst_Faults::damagedScheduleFile()
{
    SimulatedReceiver receiver;
    ProgramRun run;
    // A sound schedule, one gone to noise, and half a record at the end.
    const QByteArray damaged = noonSchedule() + damagedRecord() + damagedRecord().left(50);
    const QMap<QString, QByteArray> before = prepare(run, damaged);
    QVERIFY(startedAt(run, receiverOn(receiver.device()), "12:00:09"));

    QTRY_VERIFY_WITH_TIMEOUT(hasError(run, QStringLiteral("13  Type mismatch: the switch time ")), 10000);
    QVERIFY2(hasError(run, QStringLiteral(" of schedule 2 (")), qPrintable(run.errorMessages().join('\n')));
    // The sound schedule still switches the receiver.
    QTRY_VERIFY_WITH_TIMEOUT(receiver.received().contains(QStringLiteral("SETAUDIO 2 S ENG 7  ")), 10000);
    QVERIFY(pulse(run, kAlarm, [&] { return dayLog(run, "AL").contains("  Alarm\r\n"); }));
    QVERIFY(run.running());
    run.stop();
    QVERIFY2(changedFile(run, before).isEmpty(), qPrintable(changedFile(run, before)));
}

void tst_Faults::clockRefusesToBeSet_data()
{
    // What stands where the clock's new time is written.
    QTest::addColumn<QString>("target");
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a full disk") << "/dev/full";
}

void tst_Faults::clockRefusesToBeSet()
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
    QVERIFY(startedAt(run, env, "12:00:02"));

    const QString refused = QStringLiteral("The clock was not set to 12:00:30: ");
    QVERIFY2(pulse(run, kTimeSet, [&] { return hasError(run, refused); }), run.allStandardError().constData());
    QVERIFY(pulse(run, kAlarm, [&] { return dayLog(run, "AL").contains("  Alarm\r\n"); }));
    // A clock that was not set is not logged as set.
    QVERIFY(!dayLog(run, "AL").contains("Time Set"));
    QCOMPARE(run.errorMessages().filter(refused).size(), 1);
    QVERIFY(run.running());
    run.stop();
    QVERIFY2(changedFile(run, before).isEmpty(), qPrintable(changedFile(run, before)));
}

void tst_Faults::readOnlyData_data()
{
    // Only the files are read-only (the folder still takes the lock file).
    QTest::addColumn<bool>("filesOnly");
    QTest::newRow("data folder not writable") << false;
    QTest::newRow("data files not writable") << true;
}

void tst_Faults::readOnlyData()
{
    QFETCH(bool, filesOnly);

    ProgramRun run;
    const QMap<QString, QByteArray> before = prepare(run, sundaySchedule());
    const QString home = run.home();
    const bool root = ::geteuid() == 0;
    if (root) {
        // File modes do not stop root: the program runs as nobody, on files
        // and a folder that root owns.
        const QStringList asNobody = {QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
                                      QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")};
        QProcess probe;
        probe.start(asNobody.first(), asNobody.mid(1) << QStringLiteral("true"));
        if (!probe.waitForFinished(5000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
            QSKIP("setpriv cannot run a program as nobody here, and root writes read-only files");
        const passwd *nobody = getpwnam("nobody");
        QVERIFY(nobody);
        QVERIFY(::chmod(QFile::encodeName(QFileInfo(home).path()).constData(), 0755) == 0);
        if (filesOnly)
            QVERIFY(::chown(QFile::encodeName(home).constData(), nobody->pw_uid, nobody->pw_gid) == 0);
        run.setLauncher(asNobody);
    } else if (filesOnly) {
        for (const QString &name : kDataFiles)
            QVERIFY(::chmod(QFile::encodeName(run.file(name)).constData(), 0444) == 0);
    } else {
        QVERIFY(::chmod(QFile::encodeName(home).constData(), 0555) == 0);
    }

    QVERIFY(run.start({}));
    QVERIFY(run.waitForExit(15000));
    const QString stderrText = QString::fromLocal8Bit(run.allStandardError());
    if (!root)
        QVERIFY(::chmod(QFile::encodeName(home).constData(), 0755) == 0);
    QCOMPARE(run.exitCode(), 1);
    const QString expected =
        filesOnly ? QStringLiteral("kestrelpoint: Kestrelpoint cannot start: 13  Permission denied: %1.\n")
                        .arg(run.file(QStringLiteral("TimeReset.ini")))
                  : QStringLiteral("kestrelpoint: The folder %1 cannot be used: Permission denied.\n").arg(home);
    QVERIFY2(stderrText.contains(expected), qPrintable(stderrText));
    QVERIFY2(changedFile(run, before).isEmpty(), qPrintable(changedFile(run, before)));
}

QTEST_GUILESS_MAIN(tst_Faults)
#include "tst_faults.moc"
