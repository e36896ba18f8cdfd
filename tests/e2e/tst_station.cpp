#include "processes.h"
#include "schedules.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QtTest>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// The real program, offscreen, on a faked Monday, against a simulated
// receiver and a simulated parallel port: a switch as the station sees it,
// and the failures an unattended station meets (a receiver that misbehaves
// or vanishes, files it may not write, a clock it may not set). After each
// failure the program goes on ticking, has told the operator, and has left
// the schedules, settings and source codes byte for byte.

namespace {

const QString kNothingDue = QStringLiteral("23:00:00"); // while a case runs
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

// The program still ticks (it logs the alarm input), and its data files are
// as before.
void stillSound(ProgramRun &run, const QMap<QString, QByteArray> &before)
{
    QVERIFY2(run.pulse(ProgramRun::kAlarm, [&] { return run.log("AL").contains("  Alarm\r\n"); }),
             run.allStandardError().constData());
    QVERIFY(run.running());
    run.stop();
    QCOMPARE(run.dataFiles(), before);
}

} // namespace

class tst_Station : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void switchesTheReceiverTwiceAndLogs();
    void refusesToStart_data();
    void refusesToStart();
    void receiverFaults_data();
    void receiverFaults();
    void clockRefusesToBeSet();
};

void tst_Station::switchesTheReceiverTwiceAndLogs()
{
    SimulatedReceiver receiver;
    ProgramRun run;
    prepare(run, monday(QStringLiteral("12:00:00"), 2), "111011w020");
    run.setReceiver(receiver.device());
    QVERIFY(run.start({}, at("11:59:44")));

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
    const QStringList timed = receiver.received(true);
    const auto seconds = [&](int i) { return QTime::fromString(timed.at(i).left(12), "HH:mm:ss.zzz").msecsSinceStartOfDay(); };
    QVERIFY2(qAbs(seconds(1) - seconds(0) - 2000) < 200, qPrintable(timed.join('\n')));
    const QByteArray al = run.log("AL");
    QVERIFY2(al.startsWith("11:59:4") && al.indexOf("  Kestrelpoint Started\r\n") == 8, al.constData());
    QCOMPARE(al.mid(al.indexOf('\n') + 1), QByteArray("11:59:47  ") + kSwitchLine + "11:59:49  " + kSwitchLine
                                                + "12:00:00  Remote Start 1 On\r\n12:00:01  Remote Start 1 Off\r\n");
    const QByteArray mp = run.log("MP");
    // The receiver reports the audio port as switched.
    QVERIFY2(mp.startsWith("11:59:51\r\nMPEG STATUS") && mp.contains("Audio port 2   : source ENG route Stereo atten 7\r\n")
                 && mp.endsWith(">\r\n"),
             mp.constData());
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
    const QMap<QString, QByteArray> before = prepare(run, monday(kNothingDue));
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
        run.setCommand({"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", KP_BINARY});
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

// What only the real line shows: a receiver that never answers, one that
// answers noise or floods the line, and one unplugged while the program
// waits for its answer.
void tst_Station::receiverFaults_data()
{
    QTest::addColumn<QStringList>("simulator");
    QTest::addColumn<bool>("unplugged"); // the only case the operator is told of
    QTest::addColumn<QString>("ebNo");    // the value logged; empty for any
    QTest::addColumn<QString>("mpegLog"); // the whole MPEG log
    QTest::newRow("receiver never answers") << QStringList{"--mode", "silent"} << false << "None" << "^12:00:\\d\\d\\r\\n\\r\\n$";
    QTest::newRow("answers line noise") << QStringList{"--mode", "garbage"} << false << "None"
                                        << "^12:00:\\d\\d\\r\\n[\\s\\S]*>\\r\\n$";
    QTest::newRow("answers megabytes") << QStringList{"--mode", "flood"} << false << ""
                                       << "^12:00:\\d\\d\\r\\n(?:[\\s\\S]{50000}){2}[\\s\\S]*\\r\\n$";
    QTest::newRow("receiver unplugged mid-answer") << QStringList{"--mode", "silent"} << true << "None" << "^$";
}

// Switched at 12:00:24: armed at the start, sent twice before the Eb/No
// slot is over, its MPEG status read after it.
void tst_Station::receiverFaults()
{
    QFETCH(QStringList, simulator);
    QFETCH(bool, unplugged);
    QFETCH(QString, ebNo);
    QFETCH(QString, mpegLog);
    const QStringList errors = unplugged ? QStringList{" Command not sent.", ".  Make sure the folder "} : QStringList();

    SimulatedReceiver receiver(simulator);
    ProgramRun run;
    // A link of this run's own: an unplugged receiver's line is gone for
    // good and never someone else's.
    const QString line = run.scratch(QStringLiteral("receiver-line"));
    QVERIFY(QFile::link(receiver.device(), line));
    const QMap<QString, QByteArray> before = prepare(run, monday(QStringLiteral("12:00:24")));
    run.setReceiver(line);
    QVERIFY(run.startAndWait({}, at("12:00:09")));
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
    QVERIFY2(QRegularExpression(mpegLog).match(QString::fromLatin1(mp)).hasMatch(), mp.left(200).constData());

    const QStringList shown = run.errorMessages();
    for (const QString &part : errors)
        QVERIFY2(run.hasError(part), qPrintable(part + QStringLiteral(" not in: ") + shown.join(QLatin1Char('\n'))));
    for (const QString &message : shown)
        QVERIFY2(std::any_of(errors.cbegin(), errors.cend(), [&](const QString &p) { return message.contains(p); }),
                 qPrintable(message));
    stillSound(run, before);
}

// The clock set by the time-set input fails to be written (a full disk); the
// engine must not log it as set, and tells the operator once.
void tst_Station::clockRefusesToBeSet()
{
    ProgramRun run;
    const QMap<QString, QByteArray> before = prepare(run, monday(kNothingDue));
    QProcessEnvironment env;
    env.insert(QStringLiteral("KESTRELPOINT_CLOCK_DRYRUN"), QStringLiteral("/dev/full"));
    QVERIFY(run.startAndWait(env, at("12:00:02")));
    const QString refused = QStringLiteral("The clock was not set to 12:00:30: 28");
    QVERIFY2(run.pulse(ProgramRun::kTimeSet, [&] { return run.hasError(refused); }), run.allStandardError().constData());
    stillSound(run, before);
    QVERIFY(!run.log("AL").contains("Time Set"));
    QCOMPARE(run.errorMessages().filter(refused).size(), 1);
}

QTEST_GUILESS_MAIN(tst_Station)
#include "tst_station.moc"
