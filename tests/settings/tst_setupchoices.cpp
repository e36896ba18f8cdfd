#include "settings/setupchoices.h"

#include <QtTest>

using namespace SetupChoices;

class tst_SetupChoices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ebNoRateRows_data();
    void ebNoRateRows();
    void saveLogsRows_data();
    void saveLogsRows();
    void storedOptions_data();
    void storedOptions();
    void portConflicts_data();
    void portConflicts();
    void closing_data();
    void closing();
};

void tst_SetupChoices::ebNoRateRows_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("keepingShown");

    QTest::newRow("do not log hides the keeping controls") << 0 << 0 << "Do Not Log" << false;
    QTest::newRow("once an hour") << 1 << 1 << "1 per hour" << true;
    QTest::newRow("four an hour") << 4 << 4 << "4 per hour" << true;
    QTest::newRow("once a minute is the last row") << 5 << 5 << "1 per minute" << true;
    QTest::newRow("a stored 6 selects no row") << 6 << -1 << QString() << false;
    QTest::newRow("a negative rate selects no row") << -1 << -1 << QString() << false;
}

void tst_SetupChoices::ebNoRateRows()
{
    QFETCH(int, rate);
    QFETCH(int, row);
    QFETCH(QString, item);
    QCOMPARE(ebNoRateRow(rate), row);
    QCOMPARE(EbNoRateItems().value(row), item);
    QTEST(ebNoKeepingShown(row), "keepingShown");
}

void tst_SetupChoices::saveLogsRows_data()
{
    QTest::addColumn<QString>("keep");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("written");

    QTest::newRow("d is a day") << "d" << 0 << "1 Day"
                                << "d";
    QTest::newRow("w is a week") << "w" << 1 << "1 Week"
                                 << "w";
    QTest::newRow("m is a month") << "m" << 2 << "1 Month"
                                  << "m";
    QTest::newRow("y is a year") << "y" << 3 << "1 Year"
                                 << "y";
    // With no row selected at closing the old value is written back.
    QTest::newRow("upper case letter is no choice, kept") << "W" << -1 << QString() << "W";
    QTest::newRow("never set selects nothing, stays empty") << QString() << -1 << QString() << QString();
    QTest::newRow("a space selects nothing, kept") << " " << -1 << QString() << " ";
}

void tst_SetupChoices::saveLogsRows()
{
    QFETCH(QString, keep);
    QFETCH(int, row);
    QCOMPARE(saveLogsRow(keep), row);
    QTEST(SaveLogsItems().value(row), "item");
    QTEST(ebNoKeepForRow(row, keep), "written");
}

void tst_SetupChoices::storedOptions_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("port");

    QTest::newRow("never set selects nothing") << 0 << 0 << 0;
    QTest::newRow("one") << 1 << 1 << 1;
    QTest::newRow("two") << 2 << 2 << 2;
    QTest::newRow("three is no baud option") << 3 << 0 << 3;
    QTest::newRow("four is the last port") << 4 << 0 << 4;
    QTest::newRow("five is no port") << 5 << 0 << 0;
    QTest::newRow("nine") << 9 << 0 << 0;
}

void tst_SetupChoices::storedOptions()
{
    QFETCH(int, value);
    QTEST(baudOption(value), "baud");
    QTEST(portOption(value), "port");
}

void tst_SetupChoices::portConflicts_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("otherSelected");
    QTest::addColumn<int>("twoReceivers");
    QTest::addColumn<bool>("receiver1Refused");
    QTest::addColumn<bool>("receiver2Refused");

    QTest::newRow("same port with two receivers") << 2 << 2 << 1 << true << true;
    QTest::newRow("same port with one receiver: only receiver two is refused") << 3 << 3 << 0 << false << true;
    QTest::newRow("different ports") << 1 << 2 << 1 << false << false;
    QTest::newRow("nothing selected on the other side") << 4 << 0 << 1 << false << false;
}

void tst_SetupChoices::portConflicts()
{
    QFETCH(int, port);
    QFETCH(int, otherSelected);
    QFETCH(int, twoReceivers);
    QTEST(receiver1PortRefused(port, otherSelected, twoReceivers), "receiver1Refused");
    QTEST(receiver2PortRefused(port, otherSelected), "receiver2Refused");
    QCOMPARE(kPortConflictMessage, QStringLiteral("Receiver one and receiver two Ports may not be the same."));
}

void tst_SetupChoices::closing_data()
{
    QTest::addColumn<int>("saveLogsRow");
    QTest::addColumn<bool>("fourK");
    QTest::addColumn<QString>("keep");
    QTest::addColumn<QString>("model");

    QTest::newRow("week and 500") << 1 << false << "w"
                                  << "1";
    QTest::newRow("year and 4K") << 3 << true << "y"
                                 << "0";
    QTest::newRow("no keeping row keeps the old letter") << -1 << true << "m"
                                                         << "0";
    QTest::newRow("no model selected is the 500") << 0 << false << "d"
                                                  << "1";
}

void tst_SetupChoices::closing()
{
    QFETCH(int, saveLogsRow);
    QFETCH(bool, fourK);

    StationSettings settings;
    settings.Receiver1Port = 1;
    settings.BaudChoice = 1;
    settings.EbNoKeep = QStringLiteral("m");
    settings.ReceiverModel = QStringLiteral("0");
    settings.TwoReceivers = 1;
    settings.Receiver2Port = 3;
    settings.MpegLogOn = true;
    settings.ClockResetTime = QStringLiteral("54:30");

    Pending pending;
    pending.Receiver1Port = 2;
    pending.BaudChoice = 2;
    pending.ActivityLogOn = 1;
    pending.EbNoRate = 5;
    applyClosing(settings, pending, {saveLogsRow, fourK});

    QCOMPARE(settings.Receiver1Port, 2);
    QCOMPARE(settings.BaudChoice, 2);
    QCOMPARE(settings.ActivityLogOn, 1);
    QCOMPARE(settings.EbNoRate, 5);
    QTEST(settings.EbNoKeep, "keep");
    QTEST(settings.ReceiverModel, "model");
    // What changed at once while the window was open is not touched.
    QCOMPARE(settings.TwoReceivers, 1);
    QCOMPARE(settings.Receiver2Port, 3);
    QCOMPARE(settings.MpegLogOn, true);
    QCOMPARE(settings.ClockResetTime, QStringLiteral("54:30"));
}

QTEST_GUILESS_MAIN(tst_SetupChoices)
#include "tst_setupchoices.moc"
