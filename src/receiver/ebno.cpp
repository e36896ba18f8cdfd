#include "ebno.h"

#include "platform/codec.h"

QString EbNoValue(const QByteArray &answer)
{
    QByteArray value;
    int lineFeeds = 0;
    for (const char c : answer) {
        if (c == '\n')
            ++lineFeeds;
        if (lineFeeds == 11)
            value += c;
        else if (lineFeeds > 11)
            break;
    }
    value = value.right(20);
    if (value.endsWith('\r'))
        value.chop(1);
    // A short twelfth line keeps the line feed that starts it; a log line
    // must never hold a line break, so every CR and LF goes.
    value.replace('\r', QByteArray()).replace('\n', QByteArray());
    qsizetype from = 0;
    qsizetype to = value.size();
    while (from < to && value.at(from) == ' ')
        ++from;
    while (to > from && value.at(to - 1) == ' ')
        --to;
    value = value.mid(from, to - from);
    if (value.isEmpty())
        return QStringLiteral("None");
    return Codec::fromWindows1252(value);
}

void setBetterReceiverBits(std::array<int, 8> &portBits, int lastEbNo1, int lastEbNo2)
{
    const bool second = lastEbNo2 > lastEbNo1;
    portBits[3] = second ? 0 : 1;
    portBits[4] = second ? 1 : 0;
}
