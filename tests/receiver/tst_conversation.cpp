#include "fakereceivers.h"

#include "platform/clock.h"
#include "receiver/conversation.h"

#include <QtTest>

namespace {

QDateTime at(const QString &time, int day = 7)
{
    return QDateTime(QDate(2026, 12, day), QTime::fromString(time, QStringLiteral("HH:mm:ss.zzz")));
}

// A clock that moves on by a fixed step every time it is read, as the real
// one does between two readings taken "at once".
class SteppingClock final : public Clock
{
public:
    SteppingClock(const QDateTime &start, int stepMs) : m_now(start), m_stepMs(stepMs) {}
    QDateTime now() const override
    {
        const QDateTime t = m_now;
        m_now = m_now.addMSecs(m_stepMs);
        return t;
    }
    qint64 monotonicMs() const override { return 0; }
    bool setTimeOfDay(const QTime &, QString *) override { return false; }
    void sleepMs(int ms) override { m_now = m_now.addMSecs(ms); }

private:
    mutable QDateTime m_now;
    int m_stepMs;
};

} // namespace

class tst_Conversation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void silentReceiverEndsAtLimit_data();
    void silentReceiverEndsAtLimit();
    void promptInFirstReadEndsAtOnce();
    void answerArrivingInPiecesIsCollectedUntilThePrompt();
    void carrierPromptCountsOnlyFromPosition700();
    void limitBMarkComesBackIntoTheDayAfterMidnight();
    void limitCPureWaitThenReading_data();
    void limitCPureWaitThenReading();
    void answerThroughPrompt_data();
    void answerThroughPrompt();
};

void tst_Conversation::silentReceiverEndsAtLimit_data()
{
    QTest::addColumn<QString>("limit");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");

    QTest::newRow("A on the whole second waits a second") << "A" << at("12:00:00.000") << 1000 << 1010;
    QTest::newRow("A rounded down ends early") << "A" << at("12:00:00.400") << 600 << 610;
    QTest::newRow("A rounded up ends late") << "A" << at("12:00:00.600") << 1400 << 1410;
    QTest::newRow("A half rounds to even second") << "A" << at("12:00:00.500") << 500 << 510;
    QTest::newRow("A crossing midnight ends at the wrap") << "A" << at("23:59:59.700") << 300 << 310;
    QTest::newRow("B on the whole second") << "B" << at("12:00:00.000") << 3000 << 3010;
    QTest::newRow("B rounded down") << "B" << at("12:00:00.400") << 2600 << 2610;
    QTest::newRow("B rounded up") << "B" << at("12:00:00.600") << 3400 << 3410;
    QTest::newRow("B crossing midnight ends at the wrap") << "B" << at("23:59:58.200") << 1800 << 1810;
}

void tst_Conversation::silentReceiverEndsAtLimit()
{
    QFETCH(QString, limit);
    QFETCH(QDateTime, start);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);

    ManualClock clock(start);
    FakeReceivers fake(clock);
    auto channel = fake.factory()();
    QVERIFY(channel->open(1, QStringLiteral("9600,N,8,1")));
    QVERIFY(channel->write(Conversation::commandLine(QStringLiteral("R C"))));
    const Conversation::Limit l =
        limit == QLatin1String("A") ? Conversation::limitA(clock) : Conversation::limitB(clock);
    QByteArray buffer;
    Conversation::collect(*channel, clock, l, Conversation::kPromptAnywhere, buffer);
    const qint64 waited = start.msecsTo(clock.now());
    QVERIFY2(waited >= minMs && waited <= maxMs, qPrintable(QString::number(waited)));
    QVERIFY(buffer.isEmpty());
}

void tst_Conversation::promptInFirstReadEndsAtOnce()
{
    ManualClock clock(at("12:00:00.000"));
    FakeReceivers fake(clock);
    fake.replies = [](int, const QByteArray &) {
        return QList<FakeReceivers::Reply>{{0, "8.5\r\n>"}, {10, "late text\r\n>"}};
    };
    auto channel = fake.factory()();
    QVERIFY(channel->open(1, QStringLiteral("9600,N,8,1")));
    QVERIFY(channel->write(Conversation::commandLine(QStringLiteral("R C"))));
    QByteArray buffer;
    Conversation::collect(*channel, clock, Conversation::limitA(clock), Conversation::kPromptAnywhere, buffer);
    QCOMPARE(buffer, QByteArray("8.5\r\n>"));
    QCOMPARE(clock.now(), at("12:00:00.000"));

    // What the receiver sent after the prompt is gone with the closed port.
    channel->close();
    clock.advanceMs(100);
    QVERIFY(channel->open(1, QStringLiteral("9600,N,8,1")));
    QCOMPARE(channel->readAll(), QByteArray());
}

void tst_Conversation::answerArrivingInPiecesIsCollectedUntilThePrompt()
{
    ManualClock clock(at("12:00:00.000"));
    FakeReceivers fake(clock);
    fake.replies = [](int, const QByteArray &) {
        return QList<FakeReceivers::Reply>{{100, "first\r\n"}, {300, "second\r\n"}, {700, ">"}, {900, "after"}};
    };
    auto channel = fake.factory()();
    QVERIFY(channel->open(1, QStringLiteral("9600,N,8,1")));
    QVERIFY(channel->write(Conversation::commandLine(QStringLiteral("R M"))));
    QByteArray buffer;
    Conversation::collect(*channel, clock, Conversation::limitA(clock), Conversation::kPromptAnywhere, buffer);
    QCOMPARE(buffer, QByteArray("first\r\nsecond\r\n>"));
    QCOMPARE(clock.now(), at("12:00:00.700"));
}

void tst_Conversation::carrierPromptCountsOnlyFromPosition700()
{
    ManualClock clock(at("12:00:00.000"));
    FakeReceivers fake(clock);
    const QByteArray early = QByteArray(">") + QByteArray(100, 'x');
    const QByteArray rest = QByteArray(650, 'y') + ">";
    fake.replies = [&](int, const QByteArray &) { return QList<FakeReceivers::Reply>{{50, early}, {400, rest}}; };
    auto channel = fake.factory()();
    QVERIFY(channel->open(1, QStringLiteral("9600,N,8,1")));
    QVERIFY(channel->write(Conversation::commandLine(QStringLiteral("RT C"))));
    QByteArray buffer;
    Conversation::collect(*channel, clock, Conversation::limitA(clock), Conversation::kCarrierPromptFrom, buffer);
    QCOMPARE(buffer, early + rest);
    QCOMPARE(clock.now(), at("12:00:00.400"));
}

void tst_Conversation::limitBMarkComesBackIntoTheDayAfterMidnight()
{
    // The first reading is just before midnight, the second just after.
    SteppingClock clock(at("23:59:59.999"), 2);
    const Conversation::Limit l = Conversation::limitB(clock);
    QCOMPARE(l.mark, 1.0);
    QCOMPARE(l.span, 2.0);

    // Without the day change the mark stays above the day's end.
    SteppingClock before(at("23:59:59.700"), 2);
    QCOMPARE(Conversation::limitB(before).mark, 86401.0);
}

void tst_Conversation::limitCPureWaitThenReading_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<int>("waitEndMs");
    QTest::addColumn<int>("readEndMs");

    QTest::newRow("whole second") << at("08:00:00.000") << 1000 << 2000;
    QTest::newRow("rounded down") << at("08:00:00.300") << 700 << 1700;
    QTest::newRow("rounded up") << at("08:00:00.700") << 1300 << 2300;
}

void tst_Conversation::limitCPureWaitThenReading()
{
    QFETCH(QDateTime, start);
    QFETCH(int, waitEndMs);
    QFETCH(int, readEndMs);

    ManualClock clock(start);
    FakeReceivers fake(clock);
    auto channel = fake.factory()();
    QVERIFY(channel->open(2, QStringLiteral("19200,N,8,1")));
    const Conversation::Limit wait = Conversation::limitC(clock);
    Conversation::pureWait(clock, wait);
    const qint64 waited = start.msecsTo(clock.now());
    QVERIFY2(waited >= waitEndMs && waited <= waitEndMs + 10, qPrintable(QString::number(waited)));

    QByteArray buffer;
    Conversation::collect(*channel, clock, {wait.mark, 2.0}, Conversation::kPromptAnywhere, buffer);
    const qint64 read = start.msecsTo(clock.now());
    QVERIFY2(read >= readEndMs && read <= readEndMs + 10, qPrintable(QString::number(read)));
}

void tst_Conversation::answerThroughPrompt_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("text after the prompt dropped") << QByteArray("a\r\n>tail") << QByteArray("a\r\n>");
    QTest::newRow("no prompt keeps everything") << QByteArray("a\r\nb") << QByteArray("a\r\nb");
    QTest::newRow("empty stays empty") << QByteArray() << QByteArray();
    QTest::newRow("first prompt ends it") << QByteArray(">x>") << QByteArray(">");
}

void tst_Conversation::answerThroughPrompt()
{
    QFETCH(QByteArray, buffer);
    QFETCH(QByteArray, answer);
    QCOMPARE(Conversation::answerThroughPrompt(buffer), answer);
}

QTEST_GUILESS_MAIN(tst_Conversation)
#include "tst_conversation.moc"
