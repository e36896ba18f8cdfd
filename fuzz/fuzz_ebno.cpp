// The Eb/No value of any answer: at most 20 characters of the twelfth line,
// no line breaks or edge spaces; its log line reads back as written. Any
// line reads safely, and the better-receiver bits name one receiver.

#include "fuzzsupport.h"

#include "platform/clock.h"
#include "receiver/ebno.h"

#include <QTime>

namespace {

void checkValue(const QByteArray &answer)
{
    const QString value = EbNoValue(answer);
    FUZZ_CHECK(!value.isEmpty() && value.size() <= 20 && !value.contains(QLatin1Char('\r'))
               && !value.contains(QLatin1Char('\n')) && !value.startsWith(QLatin1Char(' '))
               && !value.endsWith(QLatin1Char(' ')));
    if (answer.count('\n') < 11)
        FUZZ_CHECK(value == QLatin1String("None"));
    // Taken from the answer, in order.
    const QByteArray taken = value == QLatin1String("None") ? QByteArray() : Codec::toWindows1252(value);
    qsizetype found = 0;
    for (const char c : answer)
        found += found < taken.size() && c == taken.at(found);
    FUZZ_CHECK(found == taken.size());

    for (const int two : {0, 1}) {
        const QByteArray line = *ebNoLogLine(QTime(14, 0, 12), two, QStringLiteral("R2"), value);
        FUZZ_CHECK(line.endsWith("\r\n") && line.count('\n') == 1 && line.count('\r') == 1);
        const QString text = Codec::fromWindows1252(line.chopped(2));
        const std::optional<EbNoLogLine> read = readEbNoLogLine(text);
        FUZZ_CHECK(read && read->seconds == 14 * 3600 + 12 && read->receiver == 2 * two && read->value == value);
    }
}

void checkText(const QByteArray &bytes)
{
    const QString text = Codec::fromWindows1252(bytes);
    if (const std::optional<EbNoLogLine> read = readEbNoLogLine(text)) {
        FUZZ_CHECK(read->seconds >= 0 && read->seconds < 86400 && read->receiver >= 0 && read->receiver <= 2);
        FUZZ_CHECK(text.endsWith(read->value));
    }
    const int number = EbNoNumber(text);
    if (const std::optional<double> dB = ebNoReading(text))
        FUZZ_CHECK(*dB >= kLowestEbNo && *dB <= kHighestEbNo && number == roundHalfEven(*dB));
    std::array<int, 8> bits{7, 7, 7, 7, 7, 7, 7, 7};
    setBetterReceiverBits(bits, number, EbNoNumber(text.mid(text.size() / 2)));
    FUZZ_CHECK(bits[3] + bits[4] == 1 && bits[0] == 7 && bits[1] == 7 && bits[2] == 7 && bits[5] == 7);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FUZZ_BYTES(data, size);
    checkValue(bytes);
    // The same bytes behind eleven lines, where the value is taken from.
    checkValue(QByteArray("line\r\n").repeated(11) + bytes);
    checkText(bytes);
    return 0;
}
