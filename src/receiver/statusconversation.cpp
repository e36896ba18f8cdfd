#include "statusconversation.h"

#include "conversation.h"

#include "platform/serialchannel.h"

namespace Status {

int loadPromptFrom(const QString &query)
{
    return query == kCarrierQuery ? Conversation::kCarrierPromptFrom : Conversation::kPromptAnywhere;
}

namespace {

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
