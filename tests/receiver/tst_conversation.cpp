#include "teststation.h"

#include "receiver/conversation.h"
#include "receiver/receiverlink.h"
#include "receiver/relayconversation.h"
#include "receiver/statusconversation.h"

#include <QtTest>

#include <utility>

namespace {

const QString k9600 = QStringLiteral("9600,N,8,1");
using Pieces = QList<FakeReceivers::Reply>;

QDateTime at(const char *time)
{
    return QDateTime(kTestMonday.date(), QTime::fromString(QLatin1String(time), QStringLiteral("HH:mm:ss.zzz")));
}

// A clock that moves on by 2 ms whenever it is read, as the real one does
// between two readings taken "at once".
class SteppingClock final : public Clock
{
public:
    explicit SteppingClock(const QDateTime &start) : m_now(start) {}
    QDateTime now() const override { return std::exchange(m_now, m_now.addMSecs(2)); }
    qint64 monotonicMs() const override { return 0; }
    bool setTimeOfDay(const QTime &, QString *) override { return false; }
    void sleepMs(int) override {}

private:
    mutable QDateTime m_now;
};

struct Collect
{
    char limit;     // A, B, or C: a relay button
    int promptFrom; // the position from which a prompt ends the answer
    QDateTime start;
    Pieces pieces;  // the answer, arriving after the query
    QByteArray answer;
    int ms;         // how long it took
};

struct StatusCase
{
    bool refresh;
    QString query;
    int promptAt;          // where the answer's only prompt stands
    bool earlierPrompt;    // a prompt of the command sent before is on its way
    bool waitsForTheLimit;
};

struct SendCase
{
    int baudChoice;
    QString trouble;
    QByteArray bytes;
    QString settings;
    QString error;
};

} // namespace

class tst_Conversation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Limit A ends 0.5-1.5 s and B 2.5-3.5 s after the start, counted from a
    // mark rounded halves to even; every wait ends when the clock wraps at
    // midnight. A relay button (C) writes its command and the query, lets
    // the relay act for a pure wait of 0.5-1.5 s, then reads to 1.5-2.5 s,
    // dropping a prompt in the first four characters: the relay's own.
    void collectUntilThePromptOrTheLimit_data()
    {
        QTest::addColumn<Collect>("c");
        const Pieces none;
        const QDateTime noon = at("12:00:00.000");
        QTest::newRow("A on the whole second waits a second") << Collect{'A', 1, noon, none, "", 1000};
        QTest::newRow("A rounded down ends early") << Collect{'A', 1, at("12:00:00.400"), none, "", 600};
        QTest::newRow("A rounded up ends late") << Collect{'A', 1, at("12:00:00.600"), none, "", 1400};
        QTest::newRow("A half rounds to the even second") << Collect{'A', 1, at("12:00:00.500"), none, "", 500};
        QTest::newRow("A crossing midnight ends at the wrap") << Collect{'A', 1, at("23:59:59.700"), none, "", 300};
        QTest::newRow("B on the whole second") << Collect{'B', 1, noon, none, "", 3000};
        QTest::newRow("B rounded up") << Collect{'B', 1, at("12:00:00.600"), none, "", 3400};
        QTest::newRow("B crossing midnight ends at the wrap") << Collect{'B', 1, at("23:59:58.200"), none, "", 1800};
        QTest::newRow("C on the whole second") << Collect{'C', 1, at("08:00:00.000"), none, "", 2000};
        QTest::newRow("C rounded up") << Collect{'C', 1, at("08:00:00.700"), none, "", 2300};
        QTest::newRow("a prompt in the first read ends at once, later text unread")
            << Collect{'A', 1, noon, {{0, "8.5\r\n>"}, {10, "late\r\n>"}}, "8.5\r\n>", 0};
        QTest::newRow("pieces are collected until the prompt")
            << Collect{'A', 1, noon, {{100, "a\n"}, {300, "b\n"}, {700, ">"}, {900, "c"}}, "a\nb\n>", 700};
        const QByteArray early = ">" + QByteArray(100, 'x');
        const QByteArray y597 = QByteArray(597, 'y');
        QTest::newRow("carrier: a prompt at position 699 does not end it")
            << Collect{'A', 700, noon, {{50, early}, {400, y597 + ">"}, {500, "z>"}}, early + y597 + ">z>", 500};
        QTest::newRow("carrier: a prompt at position 700 ends it")
            << Collect{'A', 700, noon, {{50, early}, {400, y597 + "z>"}}, early + y597 + "z>", 400};
        const QByteArray status = "Relay 1 open\r\n>";
        QTest::newRow("C: the relay's prompt dropped, read after the pure wait")
            << Collect{'C', 1, at("08:00:00.000"), {{50, "\r\n>"}, {300, status}}, status, 1000};
        QTest::newRow("C: pure wait rounded up")
            << Collect{'C', 1, at("08:00:00.700"), {{50, ">"}, {300, status}}, status, 1300};
        QTest::newRow("C: a prompt at position 4 is the relay's")
            << Collect{'C', 1, at("08:00:00.000"), {{50, "OK\r>"}, {300, status}}, status, 1000};
        QTest::newRow("C: a prompt at position 5 is the status's own")
            << Collect{'C', 1, at("08:00:00.000"), {{50, "OK\r\n>"}, {300, status}}, "OK\r\n>" + status, 1000};
        QTest::newRow("C: a status without a prompt shown whole at the limit")
            << Collect{'C', 1, at("08:00:00.000"), {{50, "\r\n>Relay"}}, "Relay", 2000};
    }
    void collectUntilThePromptOrTheLimit()
    {
        QFETCH(Collect, c);
        ManualClock clock(c.start);
        FakeReceivers receivers(clock);
        receivers.replies = [&](int, const QByteArray &line) { return line == "R ER" ? c.pieces : Pieces{}; };
        auto channel = receivers.factory()();
        QVERIFY(channel->open(1, k9600));
        QByteArray answer;
        if (c.limit == 'C') {
            QVERIFY(Relay::pressButton(*channel, clock, {1, k9600}, "ER D 2", "R ER", answer, nullptr));
            QCOMPARE(receivers.linesSent(), (QList<QByteArray>{"ER D 2\r", "R ER\r"}));
            // An open port is not opened again; the button leaves it closed.
            QCOMPARE(receivers.opens, 1);
            QCOMPARE(receivers.openNow, 0);
        } else {
            QVERIFY(channel->write("R ER\r"));
            const auto limit = c.limit == 'A' ? Conversation::limitA(clock) : Conversation::limitB(clock);
            Conversation::collect(*channel, clock, limit, c.promptFrom, answer);
            channel->close();
        }
        QCOMPARE(answer, c.answer);
        const qint64 waited = c.start.msecsTo(clock.now());
        QVERIFY2(waited >= c.ms && waited <= c.ms + 10, qPrintable(QString::number(waited)));
        // What came after the prompt is gone with the closed port.
        clock.advanceMs(3000);
        QVERIFY(channel->open(1, k9600));
        QCOMPARE(channel->readAll(), QByteArray());
    }

    void limitBMarkComesBackIntoTheDayAfterMidnight()
    {
        // The first reading is just before midnight, the second just after.
        SteppingClock clock(at("23:59:59.999"));
        const Conversation::Limit l = Conversation::limitB(clock);
        QCOMPARE(l.mark, 1.0);
        QCOMPARE(l.span, 2.0);
        SteppingClock before(at("23:59:59.700"));
        QCOMPARE(Conversation::limitB(before).mark, 86401.0);
    }

    // Opened, the window ends the carrier status at a prompt from position
    // 700 on and the others at any prompt; a refresh waits for one from 700
    // on whatever the query. Prompts of commands sent just before the window
    // opened are dropped.
    void statusWindow_data()
    {
        QTest::addColumn<StatusCase>("c");
        QTest::newRow("carrier with a short answer waits") << StatusCase{false, "RT C", 300, false, true};
        QTest::newRow("carrier ends at a prompt at 700") << StatusCase{false, "RT C", 700, false, false};
        QTest::newRow("carrier: a prompt at 699 does not count") << StatusCase{false, "RT C", 699, false, true};
        QTest::newRow("MPEG ends at its first prompt") << StatusCase{false, "R M", 20, false, false};
        QTest::newRow("an earlier command's prompt is dropped") << StatusCase{false, "R M", 20, true, false};
        QTest::newRow("settings refresh with a short answer waits") << StatusCase{true, "R S", 120, false, true};
        QTest::newRow("MPEG refresh with a short answer waits") << StatusCase{true, "R M", 20, false, true};
        QTest::newRow("carrier refresh ends at a prompt at 800") << StatusCase{true, "RT C", 800, false, false};
    }
    void statusWindow()
    {
        QFETCH(StatusCase, c);
        ManualClock clock(at("10:00:00.000"));
        FakeReceivers receivers(clock);
        const QByteArray reply = QByteArray(c.promptAt - 1, 'x') + '>';
        receivers.answer = [&](int, const QByteArray &) { return reply; };
        if (c.earlierPrompt)
            receivers.pending[1].append({clock.now().addMSecs(50), "OK\r\n>"});
        auto channel = receivers.factory()();
        QByteArray answer("old");
        QVERIFY(c.refresh ? Status::refresh(*channel, clock, 1, k9600, c.query, answer, nullptr)
                          : Status::load(*channel, clock, 1, k9600, c.query, answer, nullptr));
        QCOMPARE(answer, reply);
        QCOMPARE(receivers.linesSent(), QList<QByteArray>{c.query.toLatin1() + '\r'});
        const qint64 waited = at("10:00:00.000").msecsTo(clock.now());
        QVERIFY2(c.waitsForTheLimit ? waited >= 1000 : waited < 500, qPrintable(QString::number(waited)));
        QCOMPARE(receivers.openNow, 0);
    }

    void sendCommand_data()
    {
        QTest::addColumn<SendCase>("c");
        QTest::newRow("text and one carriage return at 9600") << SendCase{1, "", "R C\r", "9600,N,8,1", ""};
        QTest::newRow("19200 chosen") << SendCase{2, "", "R C\r", "19200,N,8,1", ""};
        QTest::newRow("no baud chosen is refused by the port")
            << SendCase{0, "", "", "", "380 Invalid property value Command not sent."};
        QTest::newRow("port that cannot be opened")
            << SendCase{1, "refused", "", "", "1 No such file or directory Command not sent."};
        QTest::newRow("write that fails")
            << SendCase{1, "write fails", "", "", "7 Input/output error Command not sent."};
    }
    void sendCommand()
    {
        QFETCH(SendCase, c);
        TestStation ts;
        ts.station.settings.BaudChoice = c.baudChoice;
        if (c.trouble == QLatin1String("refused"))
            ts.receivers.refusedPorts.insert(3);
        if (c.trouble == QLatin1String("write fails"))
            ts.receivers.failingWrites.insert(3);
        ReceiverLink link(ts.station);
        QCOMPARE(link.SendCommand(3, QStringLiteral("R C")), c.error.isEmpty());
        QCOMPARE(ts.station.ActivePort, 3);
        QByteArray all;
        for (const FakeReceivers::Sent &s : ts.receivers.sent) {
            QCOMPARE(s.port, 3);
            QCOMPARE(s.settings, c.settings);
            all += s.bytes;
        }
        QCOMPARE(all, c.bytes);
        QCOMPARE(ts.home.errors, c.error.isEmpty() ? QStringList() : QStringList{c.error});
        QCOMPARE(ts.receivers.openNow, 0);
    }
};

QTEST_GUILESS_MAIN(tst_Conversation)
#include "tst_conversation.moc"
