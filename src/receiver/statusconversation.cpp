#include "statusconversation.h"

#include "conversation.h"

#include "platform/clock.h"
#include "platform/serialchannel.h"

namespace Status {

int loadPromptFrom(const QString &query)
{
    return query == kCarrierQuery ? Conversation::kCarrierPromptFrom : Conversation::kPromptAnywhere;
}

namespace {

// The Set Receiver window opens this window right after its switch and relay
// commands, whose prompts can still be on their way: they are let in and
// dropped before the query, so that only the query's own answer is shown.
constexpr int kQuietMs = 100;
constexpr int kLongestDropMs = 400;

void dropEarlierAnswers(SerialChannel &channel, const Clock &clock)
{
    const qint64 until = clock.monotonicMs() + kLongestDropMs;
    channel.clearInput();
    while (clock.monotonicMs() < until && channel.waitForReadyRead(kQuietMs))
        channel.clearInput();
}

bool fail(SerialChannel &channel, QString *failure)
{
    if (failure)
        *failure = Conversation::portErrorText(channel);
    channel.close();
    return false;
}

} // namespace

bool load(SerialChannel &channel, const Clock &clock, int port, const QString &settings, const QString &query,
          QByteArray &answer, QString *failure)
{
    answer.clear();
    if (!channel.open(port, settings))
        return fail(channel, failure);
    dropEarlierAnswers(channel, clock);
    if (!channel.write(Conversation::commandLine(query)))
        return fail(channel, failure);
    Conversation::collect(channel, clock, Conversation::limitA(clock), loadPromptFrom(query), answer);
    channel.close();
    return true;
}

bool refresh(SerialChannel &channel, const Clock &clock, int port, const QString &settings, const QString &query,
             QByteArray &answer, QString *failure)
{
    if (!channel.open(port, settings))
        return fail(channel, failure);
    if (!channel.write(Conversation::commandLine(query)))
        return fail(channel, failure);
    // The mark comes before the answer is emptied; nothing read is lost,
    // since nothing has been read yet.
    const Conversation::Limit limit = Conversation::limitA(clock);
    answer.clear();
    Conversation::collect(channel, clock, limit, Conversation::kCarrierPromptFrom, answer);
    channel.close();
    return true;
}

} // namespace Status
