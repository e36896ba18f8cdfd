#include "relayconversation.h"

#include "conversation.h"

#include "platform/clock.h"
#include "platform/serialchannel.h"

#include <cmath>

namespace Relay {

Mode modeFor(const QString &query)
{
    return query == kRelayQuery ? Mode::Relays : Mode::ExtendedRelays;
}

int visibleButtons(Mode mode)
{
    return mode == Mode::Relays ? 4 : kButtonCount;
}

QString buttonCommand(Mode mode, int index)
{
    if (index < 0 || index >= visibleButtons(mode))
        return {};
    // Even buttons open, odd buttons close; two buttons per relay.
    const bool opens = index % 2 == 0;
    const QString relay = QString::number(index / 2 + 1);
    if (mode == Mode::Relays)
        return (opens ? QStringLiteral("RE O ") : QStringLiteral("RE C ")) + relay;
    return (opens ? QStringLiteral("ER D ") : QStringLiteral("ER E ")) + relay;
}

void removeLeadingPrompt(QByteArray &answer)
{
    const qsizetype prompt = answer.indexOf('>');
    if (prompt >= 0 && prompt < 4)
        answer.remove(0, prompt + 1);
}

namespace {

int msecsLeft(const Clock &clock, const Conversation::Limit &limit)
{
    const double left = limit.mark + limit.span - clock.secondsSinceMidnight();
    return qBound(1, int(std::ceil(left * 1000.0)) + 1, 5000);
}

bool fail(SerialChannel &channel, QString *failure)
{
    if (failure)
        *failure = Conversation::portErrorText(channel);
    channel.close();
    return false;
}

} // namespace

bool loadStatus(SerialChannel &channel, const Clock &clock, const Line &line, const QString &query,
                QByteArray &answer, QString *failure)
{
    if (!channel.open(line.port, line.settings))
        return fail(channel, failure);
    answer.clear();
    if (!channel.write(Conversation::commandLine(query)))
        return fail(channel, failure);
    Conversation::collect(channel, clock, Conversation::limitB(clock), Conversation::kPromptAnywhere, answer);
    channel.close();
    return true;
}

bool pressButton(SerialChannel &channel, Clock &clock, const Line &line, const QString &command, const QString &query,
                 QByteArray &answer, QString *failure)
{
    if (!channel.isOpen() && !channel.open(line.port, line.settings))
        return fail(channel, failure);
    answer.clear();
    if (!channel.write(Conversation::commandLine(command)) || !channel.write(Conversation::commandLine(query)))
        return fail(channel, failure);

    const Conversation::Limit wait = Conversation::limitC(clock);
    Conversation::pureWait(clock, wait);
    const Conversation::Limit reading{wait.mark, 2.0};
    for (;;) {
        answer += channel.readAll();
        removeLeadingPrompt(answer);
        if (answer.contains('>') || !Conversation::within(clock, reading))
            break;
        channel.waitForReadyRead(msecsLeft(clock, reading));
    }
    channel.close();
    return true;
}

} // namespace Relay
