// The Eb/No reading: whatever the receiver answers, the logged value is at
// most 20 characters, holds no line break and no space at either end, comes
// from the answer's twelfth line, and the log line is one line. The value's
// number never overflows and the better-receiver bits are never both set.
// The log line reads back as written, and any line reads safely.

#include "fuzzsupport.h"

#include "platform/clock.h"
#include "platform/codec.h"
#include "receiver/ebno.h"

#include <QTime>

#include <cmath>

namespace {

// The twelfth line with the line feed before it: every character counted
// after the eleventh line feed and before the twelfth.
QByteArray twelfthLine(const QByteArray &answer)
{
    int lineFeeds = 0;
    QByteArray line;
    for (const char c : answer) {
        if (c == '\n')
            ++lineFeeds;
        if (lineFeeds == 11)
            line += c;
    }
    return line;
}

bool isSubsequence(const QByteArray &part, const QByteArray &whole)
{
    qsizetype j = 0;
    for (qsizetype i = 0; i < whole.size() && j < part.size(); ++i) {
        if (whole.at(i) == part.at(j))
            ++j;
    }
    return j == part.size();
}

void checkValue(const QByteArray &answer)
{
    const QString value = EbNoValue(answer);
    FUZZ_CHECK(!value.isEmpty());
    FUZZ_CHECK(value.size() <= 20);
    FUZZ_CHECK(!value.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('\n')));
    FUZZ_CHECK(!value.startsWith(QLatin1Char(' ')) && !value.endsWith(QLatin1Char(' ')));
    if (answer.count('\n') < 11)
        FUZZ_CHECK(value == QLatin1String("None"));
    const QByteArray line = twelfthLine(answer);
    if (value != QLatin1String("None"))
        FUZZ_CHECK(isSubsequence(Codec::toWindows1252(value), line.right(20)));

    // Two readings in a row give the same value: the answer is the only input.
    FUZZ_CHECK(EbNoValue(answer) == value);

    const int number = EbNoNumber(value);
    if (value == QLatin1String("None"))
        FUZZ_CHECK(number == 0);

    const QTime time(14, 0, 12);
    const std::optional<QByteArray> one = ebNoLogLine(time, 0, QStringLiteral("R1"), value);
    FUZZ_CHECK(one.has_value());
    FUZZ_CHECK(one->startsWith("14:00:12  "));
    FUZZ_CHECK(one->endsWith("\r\n"));
    FUZZ_CHECK(one->count('\n') == 1 && one->count('\r') == 1);
    FUZZ_CHECK(one->size() == 10 + value.size() + 2);
    for (const QString &tag : {QStringLiteral("R1"), QStringLiteral("R2")}) {
        const std::optional<QByteArray> two = ebNoLogLine(time, 1, tag, value);
        FUZZ_CHECK(two.has_value());
        FUZZ_CHECK(two->startsWith("14:00:12 " + tag.toLatin1() + ' '));
        FUZZ_CHECK(two->count('\n') == 1 && two->count('\r') == 1);
    }
    FUZZ_CHECK(!ebNoLogLine(time, 2, QStringLiteral("R1"), value).has_value());

    // The charts read back what was written: the time, the tag and the value.
    const QString written = Codec::fromWindows1252(one->chopped(2));
    const std::optional<EbNoLogLine> read = readEbNoLogLine(written);
    FUZZ_CHECK(read && read->seconds == 14 * 3600 + 12 && read->receiver == 0 && read->value == value);
    const QString tagged = Codec::fromWindows1252(ebNoLogLine(time, 1, QStringLiteral("R2"), value)->chopped(2));
    const std::optional<EbNoLogLine> readTagged = readEbNoLogLine(tagged);
    FUZZ_CHECK(readTagged && readTagged->receiver == 2 && readTagged->value == value);
    // A reading is the number the output bits round.
    if (const std::optional<double> dB = ebNoReading(value))
        FUZZ_CHECK(EbNoNumber(value) == roundHalfEven(*dB));
}

// Any line read as an Eb/No log line: a time of day and a known receiver, or nothing.
void checkLogLine(const QByteArray &bytes)
{
    const QString line = Codec::fromWindows1252(bytes);
    const std::optional<EbNoLogLine> read = readEbNoLogLine(line);
    if (!read)
        return;
    FUZZ_CHECK(read->seconds >= 0 && read->seconds < 86400);
    FUZZ_CHECK(read->receiver >= 0 && read->receiver <= 2);
    FUZZ_CHECK(line.endsWith(read->value));
    if (const std::optional<double> dB = ebNoReading(read->value))
        FUZZ_CHECK(*dB >= kLowestEbNo && *dB <= kHighestEbNo);
}

// Any text as a value: the number is whole, its sign follows the text, and
// the port bits name exactly one receiver.
void checkNumber(const QByteArray &bytes)
{
    const QString text = Codec::fromWindows1252(bytes);
    const int number = EbNoNumber(text);
    bool anyDigit = false;
    for (const QChar c : text)
        anyDigit = anyDigit || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
    if (!anyDigit)
        FUZZ_CHECK(number == 0);
    const QString squeezed = QString(text).remove(QLatin1Char(' ')).remove(QLatin1Char('\t')).remove(QLatin1Char('\n'));
    if (number < 0)
        FUZZ_CHECK(squeezed.startsWith(QLatin1Char('-')));
    FUZZ_CHECK(EbNoNumber(QLatin1Char(' ') + text) == number);

    std::array<int, 8> bits{};
    bits.fill(7);
    setBetterReceiverBits(bits, number, EbNoNumber(text.mid(text.size() / 2)));
    FUZZ_CHECK(bits[3] + bits[4] == 1);
    FUZZ_CHECK(bits[0] == 7 && bits[1] == 7 && bits[2] == 7 && bits[5] == 7 && bits[6] == 7 && bits[7] == 7);
}

// A value the receiver prints right-aligned at the end of its twelfth line,
// far from the label, is logged exactly as printed.
void checkPrintedValue(const QByteArray &bytes)
{
    QByteArray printed;
    for (const char c : bytes.left(8)) {
        if (c != '\r' && c != '\n' && c != ' ')
            printed += c;
    }
    if (printed.isEmpty())
        return;
    const QByteArray answer = QByteArray("line\r\n").repeated(11) + "Eb/No (dB)     :" + QByteArray(12, ' ')
        + printed.rightJustified(8) + "\r\nFrame sync     : Locked\r\n>";
    FUZZ_CHECK(EbNoValue(answer) == Codec::fromWindows1252(printed));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzSupport::bytesOf(data, size);
    checkValue(bytes);
    checkNumber(bytes);
    checkPrintedValue(bytes);
    checkLogLine(bytes);
    // The same answer behind twelve short lines, so the fuzzer's text lands
    // where the value is taken from.
    checkValue(QByteArray("line\r\n").repeated(11) + bytes);
    checkNumber(Codec::toWindows1252(EbNoValue(QByteArray("\n").repeated(11) + bytes)));
    return 0;
}
