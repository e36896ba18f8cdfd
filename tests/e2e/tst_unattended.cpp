#include "platform/codec.h"
#include "processes.h"
#include "schedules.h"
#include "schedule/schedulerecord.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

QByteArray scheduleFile(const QString &name, int remoteStart, int receiver, const QString &mondayTime)
{
    ScheduleRecord r = stereoEnglish(name, receiver, remoteStart);
    r.SwitchTime[1] = mondayTime;
    return recordBytes(r);
}

// Waits in real time, watching the parallel port's data byte change.
QList<quint8> watchPort(const ProgramRun &run, int ms)
{
    QList<quint8> bytes;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        const quint8 b = run.dataByte();
        if (bytes.isEmpty() || bytes.last() != b)
            bytes << b;
        QTest::qWait(10);
    }
    return bytes;
}

double secondsOf(const QString &timed)
{
    const QTime t = QTime::fromString(timed.left(12), QStringLiteral("HH:mm:ss.zzz"));
    return t.msecsSinceStartOfDay() / 1000.0;
}

} // namespace

class tst_Unattended : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void switchesTheReceiverTwiceAndLogs();
    void alarmAndTimeSetOnTheParallelPort();
    void secondCopyRefusesToStart();
};

void tst_Unattended::initTestCase()
{
    if (ProgramRun::fakeTimeLibrary().isEmpty())
        QFAIL("faketime is needed: make deps installs it");
}

void tst_Unattended::switchesTheReceiverTwiceAndLogs()
{
    SimulatedReceiver receiver;
    QVERIFY(!receiver.device().isEmpty());
    ProgramRun run;
    // Port 1 at 9600 baud, activity log on, MPEG log on, remote control on,
    // one receiver, model 4K.
    run.writeFile(QStringLiteral("Kestrelpoint.ini"), "111011w020");
    run.writeFile(QStringLiteral("SwitchList.dat"), scheduleFile(QStringLiteral("Noon News"), 2, 1, QStringLiteral("12:00:00")));
    QProcessEnvironment env;
    env.insert(QStringLiteral("KESTRELPOINT_COM1"), receiver.device());
    QVERIFY(run.start(env, QStringLiteral("2027-12-06 11:59:42")));

    QList<quint8> bytes = watchPort(run, 21000); // to about 12:00:03
    // The port file starts at 0xff until start-up clears the outputs.
    if (bytes.first() == 0xff)
        bytes.removeFirst();
    QCOMPARE(bytes, (QList<quint8>{0, 32, 0}));

    const QStringList timed = receiver.receivedWithTimes();
    QCOMPARE(receiver.received(), (QStringList{QStringLiteral("SETAUDIO 2 S ENG 7  "),
                                               QStringLiteral("SETAUDIO 2 S ENG 7  "), QStringLiteral("R M")}));
    const double gap = secondsOf(timed.at(1)) - secondsOf(timed.at(0));
    QVERIFY2(qAbs(gap - 2.0) < 0.2, qPrintable(QString::number(gap)));

    const QByteArray al = run.readFile(QStringLiteral("logs/AL271206.log"));
    QVERIFY2(al.startsWith("11:59:4") && al.mid(8).startsWith("  Kestrelpoint Started\r\n"), al.constData());
    QCOMPARE(al.mid(32), QByteArray("11:59:47  Noon News                 SETAUDIO 2 S ENG 7  \r\n"
                            "11:59:49  Noon News                 SETAUDIO 2 S ENG 7  \r\n"
                            "12:00:00  Remote Start 1 On\r\n"
                            "12:00:01  Remote Start 1 Off\r\n"));
    const QByteArray mp = run.readFile(QStringLiteral("logs/MP271206.log"));
    QVERIFY2(mp.startsWith("11:59:51\r\n"), mp.constData());
    QVERIFY2(mp.contains("SETAUDIO 2 S ENG 7") || mp.contains("ENG"), mp.constData());
    QVERIFY(mp.endsWith(">\r\n"));
}

void tst_Unattended::alarmAndTimeSetOnTheParallelPort()
{
    ProgramRun run;
    run.writeFile(QStringLiteral("Kestrelpoint.ini"), "111001w020");
    run.writeFile(QStringLiteral("TimeReset.ini"), "54:30");
    run.setStatus(103); // alarm and time-set inputs both active
    QVERIFY(run.start({}, QStringLiteral("2027-12-06 10:54:27")));
    QTest::qWait(1500);
    run.setStatus(127);
    QTest::qWait(300);
    run.setStatus(111);
    QTest::qWait(500);
    run.stop();
    QCOMPARE(run.readFile(run.clockDryRun()), QByteArray("2027-12-06T10:54:30\n"));
    const QList<QByteArray> lines = run.readFile(QStringLiteral("logs/AL271206.log")).split('\n');
    QCOMPARE(lines.size(), 6);
    QVERIFY(lines.at(0).endsWith("  Kestrelpoint Started\r"));
    QCOMPARE(lines.at(1), QByteArray("10:54:27  Alarm\r"));
    QCOMPARE(lines.at(2), QByteArray("10:54:27  Time Set 10:54:27\r"));
    QVERIFY(lines.at(3).endsWith("  Alarm\r"));
    QVERIFY(lines.at(4).endsWith("  Kestrelpoint Ended\r"));
}

void tst_Unattended::secondCopyRefusesToStart()
{
    ProgramRun first;
    QVERIFY(first.start({}));
    QTest::qWait(1000);
    QProcess second;
    second.setProcessEnvironment(first.environment());
    second.start(QStringLiteral(KP_BINARY));
    QVERIFY(second.waitForFinished(10000));
    // A status of its own, which the service does not restart after.
    QCOMPARE(second.exitCode(), 3);
    QVERIFY(second.readAllStandardError().contains("Kestrelpoint is already running."));
    QVERIFY(!first.waitForExit(200)); // the first copy goes on
}

QTEST_GUILESS_MAIN(tst_Unattended)
#include "tst_unattended.moc"
