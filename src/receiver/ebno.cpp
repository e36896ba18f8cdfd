#include "ebno.h"

#include "platform/clock.h"
#include "platform/codec.h"

#include <cmath>
#include <limits>

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

namespace {
bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
} // namespace

int EbNoNumber(const QString &value)
{
    QString text;
    for (const QChar c : value) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            text += c;
    }
    qsizetype i = 0;
    QString number;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        number += text.at(i++);
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isDigit(c)) {
            digits = true;
        } else if (c == QLatin1Char('.') && !point) {
            point = true;
        } else {
            break;
        }
        number += c;
    }
    if (!digits)
        return 0;
    // An exponent counts only when digits follow it: "8.5E" is 8.5.
    if (i < text.size() && (text.at(i) == QLatin1Char('E') || text.at(i) == QLatin1Char('e'))) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < text.size() && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')))
            exponent += text.at(j++);
        const qsizetype firstDigit = j;
        while (j < text.size() && isDigit(text.at(j)))
            exponent += text.at(j++);
        if (j > firstDigit)
            number += exponent;
    }
    const double parsed = number.toDouble();
    if (std::isnan(parsed))
        return 0;
    if (parsed >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (parsed <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return roundHalfEven(parsed);
}

std::optional<QByteArray> ebNoLogLine(const QTime &time, int twoReceivers, const QString &receiverTag,
                                      const QString &value)
{
    const QString clock = time.toString(QStringLiteral("HH:mm:ss"));
    if (twoReceivers == 0)
        return Codec::toWindows1252(clock + QStringLiteral("  ") + value) + "\r\n";
    if (twoReceivers == 1)
        return Codec::toWindows1252(clock + QLatin1Char(' ') + receiverTag + QLatin1Char(' ') + value) + "\r\n";
    return std::nullopt;
}

void setBetterReceiverBits(std::array<int, 8> &portBits, int lastEbNo1, int lastEbNo2)
{
    const bool second = lastEbNo2 > lastEbNo1;
    portBits[3] = second ? 0 : 1;
    portBits[4] = second ? 1 : 0;
}
