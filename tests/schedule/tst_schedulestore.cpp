#include "platform/codec.h"
#include "schedule/schedulestore.h"
#include "testdata.h"

#include <QtTest>

namespace {
QString recordWithName(const QString &first, const QString &name)
{
    ScheduleRecord r;
    r.PgmName = name;
    QString record = BuildScheduleRecord(r);
    record.replace(0, 1, first);
    return record;
}
} // namespace

class tst_ScheduleStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void building_data();
    void building();
    void parseRoundTrip();
    void parseStopsAtARecordNotInUse();
    void newScheduleOnEmptyFile();
    void newScheduleReusesLowestFreeSlot();
    void newScheduleRefusedAt999();
    void deleteKeepsTheSlot();
    void scanVisitsRecordsInUseOnly();
    void partialTrailingRecordIsEndOfFile();
    void windows1252NamesAreOneBytePerCharacter();
};

void tst_ScheduleStore::building_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("att");
    QTest::addColumn<QString>("expectedName");
    QTest::addColumn<QString>("expectedAtt");

    QTest::newRow("25 characters stored whole") << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY") << QStringLiteral("14")
                                                << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY") << QStringLiteral("14");
    QTest::newRow("longer name cut at 25") << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0") << QStringLiteral("3")
                                           << QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY") << QStringLiteral("3 ");
    QTest::newRow("leading spaces read back without them")
        << QStringLiteral("   Morning") << QStringLiteral("7") << QStringLiteral("Morning                  ")
        << QStringLiteral("7 ");
}

void tst_ScheduleStore::building()
{
    QFETCH(QString, name);
    QFETCH(QString, att);
    ScheduleRecord r;
    r.PgmName = name;
    r.SatAtt = att;
    const QString record = BuildScheduleRecord(r);
    QCOMPARE(record.size(), kRecordLength);
    const ScheduleRecord back = ParseScheduleRecord(record);
    QTEST(back.PgmName, "expectedName");
    QTEST(back.SatAtt, "expectedAtt");
    QCOMPARE(back.PgmName.size(), 25);
}

void tst_ScheduleStore::parseRoundTrip()
{
    ScheduleRecord r;
    r.PgmName = QStringLiteral("News");
    r.SatLen = QStringLiteral("05:30");
    r.SatLang = QStringLiteral("EN");
    r.SatPort = QStringLiteral("2");
    r.SatRoute = QStringLiteral("2");
    r.SatAtt = QStringLiteral("7");
    r.RemoteStart = 3;
    r.Receiver = 2;
    r.SwitchTime[1] = QStringLiteral("08:00:00");
    r.SwitchTime[6] = QStringLiteral("23:59:59");
    const QString record = BuildScheduleRecord(r);
    QCOMPARE(record, QStringLiteral("1News                     05:30EN 227 32        08:00:00")
                         + QString(32, QLatin1Char(' ')) + QStringLiteral("23:59:59"));
    const ScheduleRecord back = ParseScheduleRecord(record);
    QCOMPARE(back.SatLang, QStringLiteral("EN "));
    QCOMPARE(back.RemoteStart, 3);
    QCOMPARE(back.Receiver, 2);
    QCOMPARE(back.SwitchTime[1], QStringLiteral("08:00:00"));
    QCOMPARE(back.SwitchTime[0], QString(8, QLatin1Char(' ')));
    QCOMPARE(BuildScheduleRecord(back), record);
}

void tst_ScheduleStore::parseStopsAtARecordNotInUse()
{
    for (const QString &flag : {QStringLiteral("0"), QStringLiteral(" "), QStringLiteral("x")}) {
        const ScheduleRecord r = ParseScheduleRecord(recordWithName(flag, QStringLiteral("Gone")));
        QVERIFY(!r.inUse());
        QVERIFY(r.PgmName.isEmpty());
    }
    // A non-digit in the numeric fields reads 0.
    QString record = FreshScheduleRecord();
    record[38] = QLatin1Char('x');
    QCOMPARE(ParseScheduleRecord(record).RemoteStart, 0);
}

void tst_ScheduleStore::newScheduleOnEmptyFile()
{
    TestHome home;
    ScheduleStore store;
    QString error;
    QVERIFY(store.OpenScheduleFile(home.file(QStringLiteral("SwitchList.dat")), &error));
    int visited = 0;
    store.ScanSchedules([&](int, const ScheduleRecord &) { ++visited; });
    QCOMPARE(visited, 0);
    QCOMPARE(store.NewSchedule(), 1);
    QCOMPARE(home.read(QStringLiteral("SwitchList.dat")), QByteArray("1") + QByteArray(95, ' '));
}

void tst_ScheduleStore::newScheduleReusesLowestFreeSlot()
{
    TestHome home;
    ScheduleStore store;
    QVERIFY(store.OpenScheduleFile(home.file(QStringLiteral("SwitchList.dat")), nullptr));
    for (int n = 1; n <= 5; ++n)
        QVERIFY(store.WriteScheduleRecord(n, recordWithName(QStringLiteral("1"), QStringLiteral("S%1").arg(n))));
    QVERIFY(store.DeleteSchedule(3));
    QVERIFY(store.DeleteSchedule(4));
    QCOMPARE(store.FindFreeSchedule(), 3);
    QCOMPARE(store.NewSchedule(), 3);
    QCOMPARE(*store.ReadScheduleRecord(3), FreshScheduleRecord());
    QCOMPARE(home.read(QStringLiteral("SwitchList.dat")).size(), 5 * kRecordLength);
    QCOMPARE(store.NewSchedule(), 4);
    QCOMPARE(store.NewSchedule(), 6);
}

void tst_ScheduleStore::newScheduleRefusedAt999()
{
    TestHome home;
    home.write(QStringLiteral("SwitchList.dat"), Codec::toWindows1252(FreshScheduleRecord()).repeated(999));
    ScheduleStore store;
    QVERIFY(store.OpenScheduleFile(home.file(QStringLiteral("SwitchList.dat")), nullptr));
    const QByteArray before = home.read(QStringLiteral("SwitchList.dat"));
    QCOMPARE(store.NewSchedule(), 0);
    QCOMPARE(home.errors, QStringList{QStringLiteral("Maximum number of schedules is 999")});
    QCOMPARE(home.read(QStringLiteral("SwitchList.dat")), before);
    // A free slot below the limit is still given.
    QVERIFY(store.DeleteSchedule(998));
    QCOMPARE(store.NewSchedule(), 998);
}

void tst_ScheduleStore::deleteKeepsTheSlot()
{
    TestHome home;
    ScheduleStore store;
    QVERIFY(store.OpenScheduleFile(home.file(QStringLiteral("SwitchList.dat")), nullptr));
    QVERIFY(store.WriteScheduleRecord(1, recordWithName(QStringLiteral("1"), QStringLiteral("Keep"))));
    QVERIFY(store.DeleteSchedule(1));
    const QByteArray bytes = home.read(QStringLiteral("SwitchList.dat"));
    QCOMPARE(bytes.size(), kRecordLength);
    QCOMPARE(bytes.left(5), QByteArray("0Keep"));
    QVERIFY(!store.DeleteSchedule(7));
}

void tst_ScheduleStore::scanVisitsRecordsInUseOnly()
{
    TestHome home;
    ScheduleStore store;
    QVERIFY(store.OpenScheduleFile(home.file(QStringLiteral("SwitchList.dat")), nullptr));
    const QStringList flags = {QStringLiteral("1"), QStringLiteral("0"), QStringLiteral(" "), QStringLiteral("1"),
                               QStringLiteral("2")};
    for (int i = 0; i < flags.size(); ++i)
        QVERIFY(store.WriteScheduleRecord(i + 1, recordWithName(flags.at(i), QStringLiteral("N%1").arg(i + 1))));
    QList<int> seen;
    store.ScanSchedules([&](int n, const ScheduleRecord &r) {
        seen.append(n);
        QCOMPARE(r.PgmName.trimmed(), QStringLiteral("N%1").arg(n));
    });
    QCOMPARE(seen, (QList<int>{1, 4}));
}

void tst_ScheduleStore::partialTrailingRecordIsEndOfFile()
{
    TestHome home;
    home.write(QStringLiteral("SwitchList.dat"),
               Codec::toWindows1252(recordWithName(QStringLiteral("1"), QStringLiteral("Whole"))) + "1Half");
    ScheduleStore store;
    QVERIFY(store.OpenScheduleFile(home.file(QStringLiteral("SwitchList.dat")), nullptr));
    QCOMPARE(store.recordCount(), 1);
    QVERIFY(store.ReadScheduleRecord(1).has_value());
    QVERIFY(!store.ReadScheduleRecord(2).has_value());
    int visited = 0;
    store.ScanSchedules([&](int, const ScheduleRecord &) { ++visited; });
    QCOMPARE(visited, 1);
}

void tst_ScheduleStore::windows1252NamesAreOneBytePerCharacter()
{
    TestHome home;
    ScheduleStore store;
    QVERIFY(store.OpenScheduleFile(home.file(QStringLiteral("SwitchList.dat")), nullptr));
    ScheduleRecord r;
    r.PgmName = QStringLiteral("Café “Noël” €");
    QVERIFY(store.WriteScheduleRecord(1, BuildScheduleRecord(r)));
    const QByteArray bytes = home.read(QStringLiteral("SwitchList.dat"));
    QCOMPARE(bytes.size(), kRecordLength);
    QCOMPARE(bytes.mid(1, 14), QByteArray("Caf\xe9 \x93No\xebl\x94 \x80 "));
    QCOMPARE(ParseScheduleRecord(*store.ReadScheduleRecord(1)).PgmName.trimmed(), r.PgmName);
}

QTEST_GUILESS_MAIN(tst_ScheduleStore)
#include "tst_schedulestore.moc"
