#include "settings/setupchoices.h"
#include "settings/stationsettings.h"

#include "testdata.h"

using namespace SetupChoices;

namespace {

// "port1|baud|activity log|Eb/No rate|MPEG log|remote control|keep|two receivers|port2|model"
QString fields(const StationSettings &s)
{
    QStringList f;
    for (int n : {s.Receiver1Port, s.BaudChoice, s.ActivityLogOn, s.EbNoRate, int(s.MpegLogOn), int(s.RemoteControlOn)})
        f << QString::number(n);
    f << s.EbNoKeep << QString::number(s.TwoReceivers) << QString::number(s.Receiver2Port) << s.ReceiverModel;
    return f.join('|');
}

} // namespace

// The two settings files, and the setup window's choices without the window.
class tst_Settings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One character per record; read over settings with the MPEG log on and
    // the remote control off. A switch keeps its value unless the character
    // is 0 or 1.
    void reading_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("settings");
        QTest::newRow("empty file") << QByteArray() << "0|0|0|0|1|0||0|0|";
        QTest::newRow("full file") << QByteArray("221201w131") << "2|2|1|2|0|1|w|1|3|1";
        QTest::newRow("six bytes: records 7 to 10 empty") << QByteArray("121101") << "1|2|1|1|0|1||0|0|";
        QTest::newRow("other characters: numbers 0, switches kept")
            << QByteArray("a \x00xdym9z0", 10) << "0|0|0|0|1|0|m|9|0|0";
        QTest::newRow("bytes beyond the tenth are never read") << QByteArray("1111111111999") << "1|1|1|1|1|1|1|1|1|1";
    }

    void reading()
    {
        QFETCH(QByteArray, bytes);
        StationSettings s;
        s.MpegLogOn = true;
        SettingsFormat::readSettings(bytes, s);
        QTEST(fields(s), "settings");
    }

    // Each file is replaced whole. Bytes an older settings file has beyond
    // the records written stay; TimeReset.ini holds five characters.
    void writing_data()
    {
        QTest::addColumn<StationSettings>("settings");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QByteArray>("timeReset");
        QTest::newRow("worked example") << StationSettings{2, 2, 1, 2, false, true, "w", 1, 3, "1", "54:30"}
                                        << QByteArray() << QByteArray("221201w131") << QByteArray("54:30");
        QTest::newRow("never set: zeros and spaces")
            << StationSettings{} << QByteArray() << QByteArray("000000 00 ") << QByteArray("     ");
        QTest::newRow("longer texts are cut") << StationSettings{4, 1, 0, 5, true, true, "yearly", 0, 2, "1", "54:301"}
                                              << QByteArray() << QByteArray("410511y021") << QByteArray("54:30");
        QTest::newRow("an older file's extra bytes stay; a short reset time is padded")
            << StationSettings{3, 0, 0, 0, false, false, "", 0, 0, "0", "54:3"} << QByteArray("000000d000EXTRA")
            << QByteArray("300000 000EXTRA") << QByteArray("54:3 ");
    }

    void writing()
    {
        QFETCH(StationSettings, settings);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, timeReset);
        TestHome home;
        if (!before.isEmpty())
            home.write("Kestrelpoint.ini", before);
        QString error;
        QVERIFY2(SettingsFiles::WriteSettingsFiles(home.path(), settings, &error), qPrintable(error));
        QTEST(home.read("Kestrelpoint.ini"), "written");
        QCOMPARE(home.read("TimeReset.ini"), timeReset);
        StationSettings back;
        QVERIFY(SettingsFiles::ReadSettingsFile(home.path(), back, &error));
        QVERIFY(SettingsFiles::ReadTimeResetFile(home.path(), back, &error));
        QCOMPARE(SettingsFormat::settingsBytes(back), home.read("Kestrelpoint.ini").left(10));
        QCOMPARE(back.ClockResetTime, QString::fromLatin1(timeReset));
    }

    void missingFilesAreCreatedEmpty()
    {
        TestHome home;
        StationSettings s;
        QString error;
        QVERIFY(SettingsFiles::ReadTimeResetFile(home.path(), s, &error));
        QVERIFY(SettingsFiles::ReadSettingsFile(home.path(), s, &error));
        QVERIFY(QFile::exists(home.file("Kestrelpoint.ini")) && QFile::exists(home.file("TimeReset.ini")));
        QCOMPARE(fields(s) + '|' + s.ClockResetTime, QString("0|0|0|0|0|0||0|0||"));
    }

    // The setup window's lists and options, and the row or option that each
    // stored value selects (-1 or 0: none).
    void setupChoices()
    {
        QCOMPARE(EbNoRateItems(),
                 (QStringList{"Do Not Log", "1 per hour", "2 per hour", "3 per hour", "4 per hour", "1 per minute"}));
        QCOMPARE(SaveLogsItems(), (QStringList{"1 Day", "1 Week", "1 Month", "1 Year"}));
        QList<int> rows, baud, port;
        QList<bool> shown;
        for (int value : {-1, 0, 1, 2, 3, 4, 5, 6}) {
            rows << ebNoRateRow(value);
            shown << ebNoKeepingShown(ebNoRateRow(value));
            baud << baudOption(value);
            port << portOption(value);
        }
        QCOMPARE(rows, (QList<int>{-1, 0, 1, 2, 3, 4, 5, -1}));
        QCOMPARE(shown, (QList<bool>{false, false, true, true, true, true, true, false}));
        QCOMPARE(baud, (QList<int>{0, 0, 1, 2, 0, 0, 0, 0}));
        QCOMPARE(port, (QList<int>{0, 0, 1, 2, 3, 4, 0, 0}));
        // With no row selected at closing the old letter is written back.
        for (const char *keep : {"d", "w", "m", "y", "W", " ", ""}) {
            rows << saveLogsRow(keep);
            QCOMPARE(ebNoKeepForRow(saveLogsRow(keep), keep), QString(keep));
        }
        QCOMPARE(rows.mid(8), (QList<int>{0, 1, 2, 3, -1, -1, -1}));
        QCOMPARE((QList<int>{modelOption("0"), modelOption("1"), modelOption("")}), (QList<int>{0, 1, -1}));
        // Receiver one may not take receiver two's port only while two
        // receivers are controlled; receiver two never takes receiver one's.
        QCOMPARE((QList<bool>{receiver1PortRefused(2, 2, 1), receiver1PortRefused(3, 3, 0),
                              receiver1PortRefused(1, 2, 1), receiver1PortRefused(4, 0, 1), receiver2PortRefused(3, 3),
                              receiver2PortRefused(1, 2), receiver2PortRefused(4, 0)}),
                 (QList<bool>{true, false, false, false, true, false, false}));
        QCOMPARE(kPortConflictMessage, QString("Receiver one and receiver two Ports may not be the same."));
    }

    // At closing the held-back values and the keeping row (none: the old
    // letter) and model go on top of what changed while the window was open.
    void closing()
    {
        QStringList closed;
        for (const ClosingState state : {ClosingState{1, false}, {3, true}, {-1, true}}) {
            StationSettings s{1, 1, 0, 0, true, false, "m", 1, 3, "0", "54:30"};
            applyClosing(s, {2, 2, 1, 5}, state);
            closed << fields(s) + '|' + s.ClockResetTime;
        }
        QCOMPARE(closed,
                 (QStringList{"2|2|1|5|1|0|w|1|3|1|54:30", "2|2|1|5|1|0|y|1|3|0|54:30", "2|2|1|5|1|0|m|1|3|0|54:30"}));
    }
};

QTEST_GUILESS_MAIN(tst_Settings)
#include "tst_settings.moc"
