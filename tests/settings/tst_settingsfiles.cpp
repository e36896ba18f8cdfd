#include "settings/stationsettings.h"
#include "testdata.h"

#include <QtTest>

class tst_SettingsFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reading_data();
    void reading();
    void booleansKeepTheirValueOnOtherCharacters();
    void writing_data();
    void writing();
    void timeReset_data();
    void timeReset();
    void missingFilesAreCreatedEmpty();
    void writingKeepsBytesBeyondTheRecordsWritten();
    void backupCopyHoldsNineRecords();
};

void tst_SettingsFiles::reading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("port1");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("activity");
    QTest::addColumn<int>("ebNoRate");
    QTest::addColumn<QString>("keep");
    QTest::addColumn<int>("two");
    QTest::addColumn<int>("port2");
    QTest::addColumn<QString>("model");

    QTest::newRow("empty file reads empty values") << QByteArray() << 0 << 0 << 0 << 0 << QString() << 0 << 0 << QString();
    QTest::newRow("six bytes leave records 7-10 empty")
        << QByteArray("1211dy") << 1 << 2 << 1 << 1 << QString() << 0 << 0 << QString();
    QTest::newRow("full file") << QByteArray("221201w131") << 2 << 2 << 1 << 2 << QStringLiteral("w") << 1 << 3
                               << QStringLiteral("1");
    QTest::newRow("letters and spaces in numbers read 0")
        << QByteArray("a \x00" "x01m9z0", 10) << 0 << 0 << 0 << 0 << QStringLiteral("m") << 9 << 0
        << QStringLiteral("0");
    QTest::newRow("bytes beyond the tenth are never read")
        << QByteArray("1111111111999") << 1 << 1 << 1 << 1 << QStringLiteral("1") << 1 << 1 << QStringLiteral("1");
}

void tst_SettingsFiles::reading()
{
    QFETCH(QByteArray, bytes);
    StationSettings s;
    SettingsFormat::readSettings(bytes, s);
    QTEST(s.Receiver1Port, "port1");
    QTEST(s.BaudChoice, "baud");
    QTEST(s.ActivityLogOn, "activity");
    QTEST(s.EbNoRate, "ebNoRate");
    QTEST(s.EbNoKeep, "keep");
    QTEST(s.TwoReceivers, "two");
    QTEST(s.Receiver2Port, "port2");
    QTEST(s.ReceiverModel, "model");
}

void tst_SettingsFiles::booleansKeepTheirValueOnOtherCharacters()
{
    StationSettings s;
    s.MpegLogOn = true;
    s.RemoteControlOn = false;
    SettingsFormat::readSettings("1211dy", s);
    QCOMPARE(s.MpegLogOn, true);
    QCOMPARE(s.RemoteControlOn, false);
    SettingsFormat::readSettings("121101", s);
    QCOMPARE(s.MpegLogOn, false);
    QCOMPARE(s.RemoteControlOn, true);
    SettingsFormat::readSettings("1211", s); // beyond the end: unchanged
    QCOMPARE(s.RemoteControlOn, true);
}

void tst_SettingsFiles::writing_data()
{
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("port1");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("activity");
    QTest::addColumn<int>("ebNoRate");
    QTest::addColumn<bool>("mpeg");
    QTest::addColumn<bool>("remote");
    QTest::addColumn<QString>("keep");
    QTest::addColumn<int>("two");
    QTest::addColumn<int>("port2");
    QTest::addColumn<QString>("model");

    QTest::newRow("worked example") << QByteArray("221201w131") << 2 << 2 << 1 << 2 << false << true
                                    << QStringLiteral("w") << 1 << 3 << QStringLiteral("1");
    QTest::newRow("never set: zeros and spaces") << QByteArray("000000 00 ") << 0 << 0 << 0 << 0 << false << false
                                                 << QString() << 0 << 0 << QString();
    QTest::newRow("a longer text keeps its first character")
        << QByteArray("41051" "1y021") << 4 << 1 << 0 << 5 << true << true << QStringLiteral("yearly") << 0 << 2
        << QStringLiteral("1");
}

void tst_SettingsFiles::writing()
{
    StationSettings s;
    QFETCH(int, port1);
    QFETCH(int, baud);
    QFETCH(int, activity);
    QFETCH(int, ebNoRate);
    QFETCH(bool, mpeg);
    QFETCH(bool, remote);
    QFETCH(QString, keep);
    QFETCH(int, two);
    QFETCH(int, port2);
    QFETCH(QString, model);
    s.Receiver1Port = port1;
    s.BaudChoice = baud;
    s.ActivityLogOn = activity;
    s.EbNoRate = ebNoRate;
    s.MpegLogOn = mpeg;
    s.RemoteControlOn = remote;
    s.EbNoKeep = keep;
    s.TwoReceivers = two;
    s.Receiver2Port = port2;
    s.ReceiverModel = model;

    TestHome home;
    QString error;
    QVERIFY2(SettingsFiles::WriteSettingsFiles(home.path(), s, &error), qPrintable(error));
    QTEST(home.read(QStringLiteral("Kestrelpoint.ini")), "expected");

    StationSettings back;
    QVERIFY(SettingsFiles::ReadSettingsFile(home.path(), back, &error));
    QCOMPARE(back.Receiver1Port, port1);
    QCOMPARE(back.MpegLogOn, mpeg);
    QCOMPARE(back.RemoteControlOn, remote);
}

void tst_SettingsFiles::timeReset_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("full reset time") << QStringLiteral("54:30") << QByteArray("54:30") << QStringLiteral("54:30");
    QTest::newRow("four characters get a space") << QStringLiteral("54:3") << QByteArray("54:3 ")
                                                 << QStringLiteral("54:3 ");
    QTest::newRow("longer text is cut") << QStringLiteral("54:301") << QByteArray("54:30") << QStringLiteral("54:30");
    QTest::newRow("empty becomes five spaces") << QString() << QByteArray("     ") << QStringLiteral("     ");
}

void tst_SettingsFiles::timeReset()
{
    QFETCH(QString, typed);
    TestHome home;
    StationSettings s;
    s.ClockResetTime = typed;
    QString error;
    QVERIFY(SettingsFiles::WriteSettingsFiles(home.path(), s, &error));
    QTEST(home.read(QStringLiteral("TimeReset.ini")), "file");
    StationSettings back;
    QVERIFY(SettingsFiles::ReadTimeResetFile(home.path(), back, &error));
    QTEST(back.ClockResetTime, "readBack");
}

void tst_SettingsFiles::missingFilesAreCreatedEmpty()
{
    TestHome home;
    StationSettings s;
    QString error;
    QVERIFY(SettingsFiles::ReadTimeResetFile(home.path(), s, &error));
    QVERIFY(SettingsFiles::ReadSettingsFile(home.path(), s, &error));
    QVERIFY(QFile::exists(home.file(QStringLiteral("Kestrelpoint.ini"))));
    QCOMPARE(home.read(QStringLiteral("TimeReset.ini")), QByteArray());
    QCOMPARE(s.ClockResetTime, QString());
    QCOMPARE(s.BaudChoice, 0);
    QCOMPARE(s.MpegLogOn, false);
}

void tst_SettingsFiles::writingKeepsBytesBeyondTheRecordsWritten()
{
    TestHome home;
    home.write(QStringLiteral("Kestrelpoint.ini"), "000000d000EXTRA");
    StationSettings s;
    s.Receiver1Port = 3;
    s.ReceiverModel = QStringLiteral("0");
    QString error;
    QVERIFY(SettingsFiles::WriteSettingsFiles(home.path(), s, &error));
    QCOMPARE(home.read(QStringLiteral("Kestrelpoint.ini")), QByteArray("300000 000EXTRA"));
}

void tst_SettingsFiles::backupCopyHoldsNineRecords()
{
    TestHome home;
    StationSettings s;
    s.ReceiverModel = QStringLiteral("1");
    QString error;
    QVERIFY(SettingsFiles::WriteSettingsFiles(home.path(), s, &error, kBackupSettingsRecords));
    QCOMPARE(home.read(QStringLiteral("Kestrelpoint.ini")).size(), 9);
}

QTEST_GUILESS_MAIN(tst_SettingsFiles)
#include "tst_settingsfiles.moc"
