#include "ebnolog.h"

#include "platform/clock.h"
#include "platform/codec.h"

#include <QVarLengthArray>

#include <limits>

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

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Two digits at `at` no greater than `highest`, or -1.
int twoDigits(QStringView line, int at, int highest)
{
    if (!isDigit(line[at]) || !isDigit(line[at + 1]))
        return -1;
    const int n = (line[at].unicode() - '0') * 10 + (line[at + 1].unicode() - '0');
    return n <= highest ? n : -1;
}

bool ignored(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

// The index of the first character at or after `i` that counts.
qsizetype significant(QStringView text, qsizetype i)
{
    while (i < text.size() && ignored(text[i]))
        ++i;
    return i;
}

} // namespace

std::optional<EbNoLogLine> readEbNoLogLine(QStringView line)
{
    if (line.size() < 10 || line[2] != QLatin1Char(':') || line[5] != QLatin1Char(':') || line[8] != QLatin1Char(' '))
        return std::nullopt;
    const int h = twoDigits(line, 0, 23);
    const int m = twoDigits(line, 3, 59);
    const int s = twoDigits(line, 6, 59);
    if (h < 0 || m < 0 || s < 0)
        return std::nullopt;
    const int seconds = h * 3600 + m * 60 + s;
    if (line[9] == QLatin1Char(' '))
        return EbNoLogLine{seconds, 0, line.mid(10)};
    if (line.size() >= 12 && line[9] == QLatin1Char('R') && (line[10] == QLatin1Char('1') || line[10] == QLatin1Char('2'))
        && line[11] == QLatin1Char(' '))
        return EbNoLogLine{seconds, line[10].unicode() - '0', line.mid(12)};
    return std::nullopt;
}

std::optional<double> ebNoLeadingNumber(QStringView value)
{
    QVarLengthArray<char, 32> number;
    qsizetype i = significant(value, 0);
    if (i < value.size() && (value[i] == QLatin1Char('+') || value[i] == QLatin1Char('-'))) {
        number.append(char(value[i].unicode()));
        i = significant(value, i + 1);
    }
    bool digits = false;
    bool point = false;
    for (; i < value.size(); i = significant(value, i + 1)) {
        const QChar c = value[i];
        if (isDigit(c))
            digits = true;
        else if (c == QLatin1Char('.') && !point)
            point = true;
        else
            break;
        number.append(char(c.unicode()));
    }
    if (!digits)
        return std::nullopt;
    // An exponent counts only when digits follow it: "8.5E" is 8.5.
    if (i < value.size() && (value[i] == QLatin1Char('E') || value[i] == QLatin1Char('e'))) {
        QVarLengthArray<char, 8> exponent{'e'};
        qsizetype j = significant(value, i + 1);
        if (j < value.size() && (value[j] == QLatin1Char('+') || value[j] == QLatin1Char('-'))) {
            exponent.append(char(value[j].unicode()));
            j = significant(value, j + 1);
        }
        bool exponentDigits = false;
        for (; j < value.size() && isDigit(value[j]); j = significant(value, j + 1)) {
            exponent.append(char(value[j].unicode()));
            exponentDigits = true;
        }
        if (exponentDigits)
            number.append(exponent.constData(), exponent.size());
    }
    return QByteArray::fromRawData(number.constData(), number.size()).toDouble();
}

int EbNoNumber(QStringView value)
{
    // The grammar of a leading number admits no NaN; an infinity is held below.
    const double parsed = ebNoLeadingNumber(value).value_or(0.0);
    if (parsed >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (parsed <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return roundHalfEven(parsed);
}

std::optional<double> ebNoReading(QStringView value)
{
    const std::optional<double> number = ebNoLeadingNumber(value);
    if (!number || !(*number >= kLowestEbNo && *number <= kHighestEbNo))
        return std::nullopt;
    return number;
}
