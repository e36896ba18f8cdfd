// Collecting an answer from pieces arriving at any times, at any moment of the
// day: it is what had arrived, ends at once at the prompt, else after the
// limit, and never later than the limit or midnight allow.

#include "fuzzsupport.h"

#include "fakereceivers.h"
#include "receiver/conversation.h"
#include "receiver/relayconversation.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const int startMs = in.ConsumeBool() ? 86400000 - in.ConsumeIntegralInRange<int>(1, 6000)
                                         : in.ConsumeIntegralInRange<int>(0, 86399999);
    const int kind = in.ConsumeIntegralInRange<int>(0, 3); // A, carrier status, B, a relay button
    const int promptFrom = kind == 1 ? Conversation::kCarrierPromptFrom : Conversation::kPromptAnywhere;
    QList<FakeReceivers::Reply> pieces;
    for (int at = 0; in.remaining_bytes() > 0 && pieces.size() < 200;) {
        at += in.ConsumeIntegralInRange<int>(0, 400);
        pieces.append({at, QByteArray::fromStdString(in.ConsumeRandomLengthString(64))});
    }

    ManualClock clock(QDateTime(QDate(2026, 12, 7), QTime(0, 0)).addMSecs(startMs));
    const QDateTime start = clock.now();
    FakeReceivers receivers(clock);
    receivers.replies = [&](int, const QByteArray &line) { return line == "R R" ? pieces : decltype(pieces){}; };
    auto channel = receivers.factory()();
    const QString settings = QStringLiteral("9600,N,8,1");
    QByteArray answer;
    Conversation::Limit limit;
    if (kind < 3) {
        limit = kind == 2 ? Conversation::limitB(clock) : Conversation::limitA(clock);
        FUZZ_CHECK(channel->open(1, settings) && channel->write("R R\r"));
        Conversation::collect(*channel, clock, limit, promptFrom, answer);
        const QByteArray kept = Conversation::answerThroughPrompt(answer);
        FUZZ_CHECK(answer.startsWith(kept) && kept.count('>') <= 1 && answer.contains('>') == kept.endsWith('>'));
    } else {
        limit = {Conversation::limitC(clock).mark, 2.0};
        FUZZ_CHECK(Relay::pressButton(*channel, clock, {1, settings}, QStringLiteral("RE O 1"), Relay::kRelayQuery,
                                      answer, nullptr));
        FUZZ_CHECK(!channel->isOpen() && receivers.linesSent() == (QList<QByteArray>{"RE O 1\r", "R R\r"}));
    }
    // Everything that had arrived (less a relay's leading prompt); a prompt
    // only in the last read, or else the limit passed.
    const qint64 took = start.msecsTo(clock.now());
    QByteArray arrived, before;
    for (const FakeReceivers::Reply &piece : pieces) {
        arrived += piece.delayMs <= took ? piece.bytes : QByteArray();
        before += piece.delayMs < took ? piece.bytes : QByteArray();
    }
    FUZZ_CHECK(kind < 3 ? answer == arrived : arrived.endsWith(answer));
    const bool ended = kind < 3 ? Conversation::answerEnded(answer, promptFrom) : answer.contains('>');
    FUZZ_CHECK(ended ? kind == 3 || !Conversation::answerEnded(before, promptFrom)
                     : !Conversation::within(clock, limit));
    // No later than the end of the span, or midnight when that comes first;
    // a millisecond or two for the rounding of each sleep.
    const double end = std::min(limit.mark + limit.span, 86400.0) - start.time().msecsSinceStartOfDay() / 1000.0;
    FUZZ_CHECK(took <= std::max<qint64>(0, qint64(std::ceil(end * 1000))) + 2);
    return 0;
}
