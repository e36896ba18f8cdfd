#include "fakereceivers.h"

#include "platform/clock.h"
#include "receiver/relayconversation.h"
#include "receiver/relaymanualset.h"
#include "receiver/statusconversation.h"

#include <QtTest>

namespace {

const QDateTime kStart(QDate(2026, 3, 2), QTime(10, 0, 0));

qint64 elapsedMs(const ManualClock &clock)
{
    return kStart.msecsTo(clock.now());
}

} // namespace

class tst_RelayConversation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buttonCommand_data();
    void buttonCommand();
    void removeLeadingPrompt_data();
    void removeLeadingPrompt();
    void buttonReopensOnlyAClosedPort();
    void statusEndCondition_data();
    void statusEndCondition();
    void manualSetCommands_data();
    void manualSetCommands();
};

void tst_RelayConversation::buttonCommand_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("command");

    QTest::newRow("relay 1 open") << "R R" << 0 << "RE O 1";
    QTest::newRow("relay 1 close") << "R R" << 1 << "RE C 1";
    QTest::newRow("relay 2 close") << "R R" << 3 << "RE C 2";
    QTest::newRow("relay layout has no fifth button") << "R R" << 4 << "";
    QTest::newRow("extended 1 close") << "R ER" << 1 << "ER E 1";
    QTest::newRow("extended 10 without leading zero") << "R ER" << 18 << "ER D 10";
    QTest::newRow("extended 14 open") << "R ER" << 26 << "ER D 14";
    QTest::newRow("extended 14 close") << "R ER" << 27 << "ER E 14";
    QTest::newRow("no button 28") << "R ER" << 28 << "";
}

void tst_RelayConversation::buttonCommand()
{
    QFETCH(QString, query);
    QFETCH(int, index);
    QFETCH(QString, command);
    QCOMPARE(Relay::buttonCommand(Relay::modeFor(query), index), command);
}

void tst_RelayConversation::removeLeadingPrompt_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("kept");

    QTest::newRow("bare prompt first") << QByteArray(">Relay 1 open\r\n>") << QByteArray("Relay 1 open\r\n>");
    QTest::newRow("prompt after CR LF") << QByteArray("\r\n>Relay 1 open\r\n>") << QByteArray("Relay 1 open\r\n>");
    QTest::newRow("prompt at position 4") << QByteArray("OK\r>status>") << QByteArray("status>");
    QTest::newRow("prompt at position 5 is the status's own") << QByteArray("OK\r\n>") << QByteArray("OK\r\n>");
    QTest::newRow("no prompt") << QByteArray("\r\nRel") << QByteArray("\r\nRel");
    QTest::newRow("only the first prompt goes") << QByteArray(">>x") << QByteArray(">x");
}

void tst_RelayConversation::removeLeadingPrompt()
{
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, kept);
    Relay::removeLeadingPrompt(answer);
    QCOMPARE(answer, kept);
}

void tst_RelayConversation::buttonReopensOnlyAClosedPort()
{
    ManualClock clock(kStart);
    FakeReceivers fake(clock);
    auto channel = fake.factory()();
    QVERIFY(channel->open(1, QStringLiteral("9600,N,8,1")));
    QByteArray answer;
    QVERIFY(Relay::pressButton(*channel, clock, {1, QStringLiteral("9600,N,8,1")}, QStringLiteral("ER D 2"),
                               QStringLiteral("R ER"), answer, nullptr));
    QCOMPARE(fake.opens, 1);
    // A silent receiver: the reading ends 2 s after the mark.
    QVERIFY(elapsedMs(clock) > 2000);
    QVERIFY(elapsedMs(clock) < 2100);
    QVERIFY(answer.isEmpty());
    QCOMPARE(fake.openNow, 0);
}

void tst_RelayConversation::statusEndCondition_data()
{
    QTest::addColumn<bool>("refresh");
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("promptAt");
    QTest::addColumn<bool>("fullLimit");

    QTest::newRow("carrier load with short answer waits") << false << "RT C" << 300 << true;
    QTest::newRow("carrier load ends at prompt 700") << false << "RT C" << 700 << false;
    QTest::newRow("carrier load: prompt at 699 does not count") << false << "RT C" << 699 << true;
    QTest::newRow("MPEG load ends at first prompt") << false << "R M" << 20 << false;
    QTest::newRow("settings refresh with short answer waits") << true << "R S" << 120 << true;
    QTest::newRow("MPEG refresh with short answer waits") << true << "R M" << 20 << true;
    QTest::newRow("carrier refresh ends at prompt 800") << true << "RT C" << 800 << false;
}

void tst_RelayConversation::statusEndCondition()
{
    QFETCH(bool, refresh);
    QFETCH(QString, query);
    QFETCH(int, promptAt);
    QFETCH(bool, fullLimit);

    ManualClock clock(kStart);
    FakeReceivers fake(clock);
    const QByteArray reply = QByteArray(promptAt - 1, 'x') + '>';
    fake.answer = [&](int, const QByteArray &) { return reply; };
    auto channel = fake.factory()();
    QByteArray answer("old");
    const bool ok = refresh ? Status::refresh(*channel, clock, 1, QStringLiteral("9600,N,8,1"), query, answer, nullptr)
                            : Status::load(*channel, clock, 1, QStringLiteral("9600,N,8,1"), query, answer, nullptr);
    QVERIFY(ok);
    QCOMPARE(answer, reply);
    QCOMPARE(fake.linesSent(), QList<QByteArray>{query.toLatin1() + '\r'});
    // Opening the window first lets a tenth of a second of earlier answers go by.
    if (fullLimit)
        QVERIFY(elapsedMs(clock) > 1000);
    else
        QVERIFY(elapsedMs(clock) < 250);
    QCOMPARE(fake.openNow, 0);
}

void tst_RelayConversation::manualSetCommands_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("route");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("att");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("port 1 opens relays 11 and 14")
        << "0" << 1 << 0 << "ENG" << "0" << QStringList{"SETAUDIO 1 1 ENG 0  ", "ER D 11", "ER D 14"};
    QTest::newRow("schedule grammar, not code and attenuation run together")
        << "0" << 2 << 2 << "ENG" << "7" << QStringList{"SETAUDIO 2 S ENG 7  ", "ER D 4", "ER D 7"};
    QTest::newRow("port 3 opens relay 1") << "0" << 3 << 1 << "SP" << "14"
                                          << QStringList{"SETAUDIO 3 2 SP  14 ", "ER D 1"};
    QTest::newRow("port 5 sends the command alone") << "0" << 5 << 0 << "ENG" << "0"
                                                     << QStringList{"SETAUDIO 5 1 ENG 0  "};
    QTest::newRow("no source code leaves the field blank") << "0" << 5 << 0 << "" << "0"
                                                            << QStringList{"SETAUDIO 5 1     0  "};
    QTest::newRow("model 500 has no port field and no relays")
        << "1" << 1 << 2 << "ENG" << "7" << QStringList{"SETAUDIO S ENG 7  "};
    QTest::newRow("unknown model is driven as a 4K") << "" << 3 << 0 << "ENG" << "0"
                                                     << QStringList{"SETAUDIO 3 1 ENG 0  ", "ER D 1"};
}

void tst_RelayConversation::manualSetCommands()
{
    QFETCH(QString, model);
    QFETCH(int, port);
    QFETCH(int, route);
    QFETCH(QString, code);
    QFETCH(QString, att);
    QFETCH(QStringList, lines);
    QCOMPARE(ManualSetCommands(model, port, route, code, att), lines);
}

QTEST_GUILESS_MAIN(tst_RelayConversation)
#include "tst_relayconversation.moc"
