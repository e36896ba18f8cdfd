#include "station/activitylog.h"
#include "platform/paths.h"
#include "settings/stationsettings.h"
#include "testdata.h"

#include <QtTest>

class tst_ActivityLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linesAreAppendedInCallOrder();
    void nothingWrittenWhenTheLogIsOff_data();
    void nothingWrittenWhenTheLogIsOff();
    void midnightStartsTheNewDaysFile();
    void aLineThatCannotBeWrittenIsReported();
    void purge_data();
    void purge();
    void unknownKeepingPeriodKeepsTheLastOne();
};

void tst_ActivityLog::linesAreAppendedInCallOrder()
{
    TestHome home;
    StationSettings s;
    s.ActivityLogOn = 1;
    const QDateTime at(QDate(2007, 3, 26), QTime(14, 5, 9));
    QVERIFY(WriteActivityLog(s, at, QStringLiteral("Remote Start 1 On")));
    QVERIFY(WriteActivityLog(s, at, QStringLiteral("Alarm")));
    QCOMPARE(home.read(QStringLiteral("logs/AL070326.log")),
             QByteArray("14:05:09  Remote Start 1 On\r\n14:05:09  Alarm\r\n"));
}

void tst_ActivityLog::nothingWrittenWhenTheLogIsOff_data()
{
    QTest::addColumn<int>("activityLogOn");
    QTest::newRow("off") << 0;
    QTest::newRow("unexpected value") << 7;
}

void tst_ActivityLog::nothingWrittenWhenTheLogIsOff()
{
    TestHome home;
    StationSettings s;
    QFETCH(int, activityLogOn);
    s.ActivityLogOn = activityLogOn;
    QVERIFY(WriteActivityLog(s, QDateTime(QDate(2007, 3, 26), QTime(1, 0)), QStringLiteral("Alarm")));
    QVERIFY(!QFile::exists(home.file(QStringLiteral("logs/AL070326.log"))));
}

void tst_ActivityLog::midnightStartsTheNewDaysFile()
{
    TestHome home;
    StationSettings s;
    s.ActivityLogOn = 1;
    WriteActivityLog(s, QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)), QStringLiteral("Late"));
    WriteActivityLog(s, QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0)), QStringLiteral("Early"));
    QCOMPARE(home.read(QStringLiteral("logs/AL261231.log")), QByteArray("23:59:59  Late\r\n"));
    QCOMPARE(home.read(QStringLiteral("logs/AL270101.log")), QByteArray("00:00:00  Early\r\n"));
}

void tst_ActivityLog::aLineThatCannotBeWrittenIsReported()
{
    TestHome home;
    StationSettings s;
    s.ActivityLogOn = 1;
    QVERIFY(QDir(home.file(QStringLiteral("logs"))).removeRecursively());
    QVERIFY(!WriteActivityLog(s, QDateTime(QDate(2027, 1, 1), QTime(0, 0)), QStringLiteral("Alarm")));
    QCOMPARE(home.errors.size(), 1);
    QVERIFY(home.errors.first().startsWith(QStringLiteral("2  No such file or directory")));
    QVERIFY(home.errors.first().contains(QLatin1String("Alarm")));
}

void tst_ActivityLog::purge_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QString>("keep");
    QTest::addColumn<QString>("ebDeleted");

    QTest::newRow("8 March, 1 week") << QDate(2027, 3, 8) << QStringLiteral("w") << QStringLiteral("EB270301.log");
    QTest::newRow("8 March, 1 day") << QDate(2027, 3, 8) << QStringLiteral("d") << QStringLiteral("EB270307.log");
    QTest::newRow("8 March, 1 month") << QDate(2027, 3, 8) << QStringLiteral("m") << QStringLiteral("EB270208.log");
    QTest::newRow("8 March, 1 year") << QDate(2027, 3, 8) << QStringLiteral("y") << QStringLiteral("EB260308.log");
    QTest::newRow("31 March, 1 month: end of February")
        << QDate(2027, 3, 31) << QStringLiteral("m") << QStringLiteral("EB270228.log");
    QTest::newRow("29 February, 1 year") << QDate(2028, 2, 29) << QStringLiteral("y") << QStringLiteral("EB270228.log");
    QTest::newRow("never set: no Eb/No file") << QDate(2027, 3, 8) << QString() << QString();
}

void tst_ActivityLog::purge()
{
    QFETCH(QDate, today);
    QFETCH(QString, keep);
    QFETCH(QString, ebDeleted);
    TestHome home;
    // Every log of the last 400 days.
    for (int back = 0; back <= 400; ++back) {
        const QDate day = today.addDays(-back);
        for (const char *prefix : {"AL", "MP", "EB"})
            home.write(QStringLiteral("logs/") + Paths::logFileName(QLatin1String(prefix), day), "x");
    }
    const QStringList before = QDir(Paths::logsDir()).entryList(QDir::Files);
    QString interval;
    PurgeOldLogs(today, keep, interval);
    PurgeOldLogs(today, keep, interval); // repeated calls within the second are harmless
    QStringList expected;
    const QDate weekBack = today.addDays(-7);
    expected << Paths::logFileName(QStringLiteral("AL"), weekBack) << Paths::logFileName(QStringLiteral("MP"), weekBack);
    if (!ebDeleted.isEmpty())
        expected << ebDeleted;
    QStringList gone;
    const QStringList after = QDir(Paths::logsDir()).entryList(QDir::Files);
    for (const QString &name : before) {
        if (!after.contains(name))
            gone << name;
    }
    std::sort(expected.begin(), expected.end());
    QCOMPARE(gone, expected);
}

void tst_ActivityLog::unknownKeepingPeriodKeepsTheLastOne()
{
    TestHome home;
    const QDate today(2027, 3, 8);
    QString interval;
    PurgeOldLogs(today, QStringLiteral("w"), interval);
    QCOMPARE(interval, QStringLiteral("ww"));
    home.write(QStringLiteral("logs/EB270301.log"), "x");
    PurgeOldLogs(today, QStringLiteral("?"), interval);
    QCOMPARE(interval, QStringLiteral("ww"));
    QVERIFY(!QFile::exists(home.file(QStringLiteral("logs/EB270301.log"))));
}

QTEST_GUILESS_MAIN(tst_ActivityLog)
#include "tst_activitylog.moc"
