// Collecting a receiver's answer: the input is an answer in pieces, each
// arriving some time after the one before, and a moment of the day to start
// at (midnight included). Whatever arrives, the collected answer is exactly
// what was read, never more than was fed; reading stops at once when the
// prompt stands where it is looked for, and otherwise only once the limit
// has passed, never later than the limit or midnight allow.

#include "fuzzsupport.h"

#include "platform/clock.h"
#include "platform/serialchannel.h"
#include "receiver/conversation.h"
#include "receiver/relayconversation.h"

#include <QDateTime>
#include <QList>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

constexpr int kMaxReads = 100000;

struct Piece
{
    qint64 arrivesMs = 0;  // after the start
    QByteArray bytes;
};

// A port whose input arrives on the test's clock: a wait moves the clock to
// the next piece's arrival, or by the whole wait when none comes in time.
class FedChannel final : public SerialChannel
{
public:
    FedChannel(ManualClock &clock, QList<Piece> pieces) : m_clock(clock), m_start(clock.now()), m_pieces(std::move(pieces))
    {
    }

    bool open(int, const QString &) override
    {
        m_open = true;
        return true;
    }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes) override
    {
        FUZZ_CHECK(m_open);
        written += bytes;
        return true;
    }
    QByteArray readAll() override
    {
        FUZZ_CHECK(m_open);
        ++reads;
        FUZZ_CHECK(reads < kMaxReads);
        QByteArray out;
        while (m_next < m_pieces.size() && m_pieces.at(m_next).arrivesMs <= elapsedMs())
            out += m_pieces.at(m_next++).bytes;
        handedOut += out;
        lastRead = out;
        return out;
    }
    bool waitForReadyRead(int msecs) override
    {
        FUZZ_CHECK(msecs >= 1 && msecs <= 5000);
        ++waits;
        FUZZ_CHECK(waits < kMaxReads);
        const qint64 now = elapsedMs();
        if (m_next < m_pieces.size() && m_pieces.at(m_next).arrivesMs <= now + msecs) {
            m_clock.advanceMs(std::max<qint64>(0, m_pieces.at(m_next).arrivesMs - now));
            return true;
        }
        m_clock.advanceMs(msecs);
        return false;
    }
    void clearInput() override
    {
        while (m_next < m_pieces.size() && m_pieces.at(m_next).arrivesMs <= elapsedMs())
            ++m_next;
    }
    void close() override { m_open = false; }
    int errorNumber() const override { return 0; }
    QString errorText() const override { return {}; }

    qint64 elapsedMs() const { return m_start.msecsTo(m_clock.now()); }

    QByteArray written;
    QByteArray handedOut;
    QByteArray lastRead;
    int reads = 0;
    int waits = 0;

private:
    ManualClock &m_clock;
    QDateTime m_start;
    QList<Piece> m_pieces;
    qsizetype m_next = 0;
    bool m_open = false;
};

QDateTime startOfDay()
{
    return QDateTime(QDate(2026, 12, 7), QTime(0, 0));
}

// The latest the limit lets a wait end, in milliseconds from the start: the
// end of its span, or midnight when that comes first; a millisecond or two
// for the rounding of each sleep.
qint64 latestEndMs(double startSeconds, const Conversation::Limit &limit)
{
    const double end = std::min(limit.mark + limit.span, 86400.0);
    return std::max<qint64>(0, qint64(std::ceil((end - startSeconds) * 1000.0))) + 2;
}

void checkCollected(const QByteArray &buffer, const FedChannel &channel, const QByteArray &allFed)
{
    FUZZ_CHECK(buffer == channel.handedOut);
    FUZZ_CHECK(allFed.startsWith(buffer));
    const QByteArray answer = Conversation::answerThroughPrompt(buffer);
    FUZZ_CHECK(buffer.startsWith(answer));
    FUZZ_CHECK(answer.count('>') <= 1);
    FUZZ_CHECK(buffer.contains('>') == answer.endsWith('>'));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::quietQt();
    // Days of 86400 seconds: the limits count on seconds since midnight.
    qputenv("TZ", "UTC");
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool nearMidnight = in.ConsumeBool();
    const int startMs = nearMidnight ? 86400000 - in.ConsumeIntegralInRange<int>(1, 6000)
                                     : in.ConsumeIntegralInRange<int>(0, 86399999);
    const int kind = in.ConsumeIntegralInRange<int>(0, 4);
    QList<Piece> pieces;
    QByteArray allFed;
    qint64 arrives = 0;
    while (in.remaining_bytes() > 0 && pieces.size() < 200) {
        arrives += in.ConsumeIntegralInRange<int>(0, 400);
        const std::string bytes = in.ConsumeRandomLengthString(64);
        pieces.append({arrives, QByteArray(bytes.data(), qsizetype(bytes.size()))});
        allFed += pieces.last().bytes;
    }

    ManualClock clock(startOfDay().addMSecs(startMs));
    const double startSeconds = clock.secondsSinceMidnight();
    FedChannel channel(clock, pieces);
    FUZZ_CHECK(channel.open(1, QStringLiteral("9600,N,8,1")));
    QByteArray buffer;

    if (kind <= 2) {
        const Conversation::Limit limit = kind == 2 ? Conversation::limitB(clock) : Conversation::limitA(clock);
        FUZZ_CHECK(limit.mark >= 0 && limit.mark <= 86401);
        const int promptFrom = kind == 1 ? Conversation::kCarrierPromptFrom : Conversation::kPromptAnywhere;
        Conversation::collect(channel, clock, limit, promptFrom, buffer);
        checkCollected(buffer, channel, allFed);
        FUZZ_CHECK(channel.elapsedMs() <= latestEndMs(startSeconds, limit));
        if (Conversation::answerEnded(buffer, promptFrom)) {
            // The read that brought the prompt was the last one.
            const QByteArray before = buffer.left(buffer.size() - channel.lastRead.size());
            FUZZ_CHECK(!Conversation::answerEnded(before, promptFrom));
        } else {
            FUZZ_CHECK(!Conversation::within(clock, limit));
        }
    } else if (kind == 3) {
        // The relay window's button: a pure wait, then reading that drops the
        // relay command's own prompt.
        const Relay::Line line{1, QStringLiteral("9600,N,8,1")};
        const Conversation::Limit wait = Conversation::limitC(clock);
        QString failure;
        FUZZ_CHECK(Relay::pressButton(channel, clock, line, QStringLiteral("RE O 1"), QStringLiteral("R R"), buffer,
                                      &failure));
        FUZZ_CHECK(!channel.isOpen());
        FUZZ_CHECK(channel.written == "RE O 1\rR R\r");
        FUZZ_CHECK(channel.handedOut.endsWith(buffer));
        FUZZ_CHECK(allFed.startsWith(channel.handedOut));
        FUZZ_CHECK(buffer.size() <= channel.handedOut.size());
        const Conversation::Limit reading{wait.mark, 2.0};
        if (!buffer.contains('>'))
            FUZZ_CHECK(!Conversation::within(clock, reading));
        FUZZ_CHECK(channel.elapsedMs() <= latestEndMs(startSeconds, reading));
    } else {
        // A pure wait reads nothing and lets the whole limit pass.
        const Conversation::Limit limit = Conversation::limitC(clock);
        Conversation::pureWait(clock, limit);
        FUZZ_CHECK(channel.reads == 0);
        FUZZ_CHECK(!Conversation::within(clock, limit));
        FUZZ_CHECK(channel.elapsedMs() <= latestEndMs(startSeconds, limit));
        const Conversation::Limit reading{limit.mark, 2.0};
        Conversation::collect(channel, clock, reading, Conversation::kPromptAnywhere, buffer);
        checkCollected(buffer, channel, allFed);
        FUZZ_CHECK(channel.elapsedMs() <= latestEndMs(startSeconds, reading));
    }

    // A command line is its text and one carriage return, whatever the text.
    const QString text = QString::fromLatin1(allFed.left(40));
    const QByteArray line = Conversation::commandLine(text);
    FUZZ_CHECK(line.size() == text.size() + 1 && line.endsWith('\r'));
    return 0;
}
