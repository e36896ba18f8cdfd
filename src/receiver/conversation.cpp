#include "conversation.h"

#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/serialchannel.h"

#include <algorithm>
#include <cmath>

namespace Conversation {

Limit limitA(const Clock &clock)
{
    return {double(roundHalfEven(clock.secondsSinceMidnight())), 1.0};
}

Limit limitB(const Clock &clock)
{
    double mark = roundHalfEven(clock.secondsSinceMidnight() + 1.0);
    // Read again at once: just after midnight the mark comes back into the day.
    if (int(clock.secondsSinceMidnight()) == 0 && mark > 86400)
        mark -= 86400;
    return {mark, 2.0};
}

Limit limitC(const Clock &clock)
{
    return {double(roundHalfEven(clock.secondsSinceMidnight())), 1.0};
}

bool within(const Clock &clock, const Limit &limit)
{
    return std::abs(clock.secondsSinceMidnight() - limit.mark) <= limit.span;
}

QByteArray commandLine(const QString &text)
{
    return Codec::toWindows1252(text) + '\r';
}

bool answerEnded(const QByteArray &buffer, int promptFrom)
{
    return buffer.indexOf('>', qMax(0, promptFrom - 1)) >= 0;
}

QByteArray answerThroughPrompt(const QByteArray &buffer)
{
    const qsizetype prompt = buffer.indexOf('>');
    return prompt < 0 ? buffer : buffer.left(prompt + 1);
}

namespace {
// Milliseconds until the limit passes, at least one. The clock wraps at
// midnight and the difference to the mark jumps with it, which ends the
// wait: a sleep never runs past midnight.
int msecsLeft(const Clock &clock, const Limit &limit)
{
    const double now = clock.secondsSinceMidnight();
    const double left = std::min(limit.mark + limit.span - now, 86400.0 - now);
    return qBound(1, int(std::ceil(left * 1000.0)) + 1, 5000);
}
} // namespace

void collect(SerialChannel &channel, const Clock &clock, const Limit &limit, int promptFrom, QByteArray &buffer)
{
    for (;;) {
        buffer += channel.readAll();
        if (answerEnded(buffer, promptFrom))
            return;
        if (!within(clock, limit))
            return;
        channel.waitForReadyRead(msecsLeft(clock, limit));
    }
}

void pureWait(Clock &clock, const Limit &limit)
{
    while (within(clock, limit))
        clock.sleepMs(msecsLeft(clock, limit));
}

bool open(SerialChannel &channel, int port, const QString &lineSettings, int *errorNumber, QString *errorText)
{
    if (channel.open(port, lineSettings))
        return true;
    if (errorNumber)
        *errorNumber = channel.errorNumber();
    if (errorText)
        *errorText = channel.errorText();
    return false;
}

QString portErrorText(const SerialChannel &channel)
{
    return QString::number(channel.errorNumber()) + QLatin1Char(' ') + channel.errorText();
}

} // namespace Conversation
