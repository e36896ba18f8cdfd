// Any log file splits into lines losing only their line ends; By Event moves
// each time to the end and lists every key once, in order, as the loader does.

#include "fuzzsupport.h"

#include "station/logviews.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray contents = FUZZ_BYTES(data, size);
    const QStringList lines = SplitLogLines(contents);
    QStringList keys;
    for (const QString &line : lines) {
        keys.append(EventSortKey(line));
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && keys.last() == line.mid(9) + QLatin1Char(' ') + line.left(8));
    }
    // A carriage return, with the line feed right after it, ends a line.
    QByteArray text = contents;
    text.replace("\r\n", "\r").replace("\r", "");
    FUZZ_CHECK(Codec::toWindows1252(lines.join(QString())) == text);
    const QStringList sorted = SortByEvent(lines);
    FUZZ_CHECK(FuzzSupport::isSortedPermutation(sorted, keys));

    const QString date = QStringLiteral("03/26/07");
    FuzzSupport::writeFile(LogFileName(QStringLiteral("AL"), date), contents);
    const QStringList byTime = contents.isEmpty() ? QStringList{MissingLogLine(date)} : lines;
    const QStringList byEvent = contents.isEmpty() ? byTime : sorted;
    FUZZ_CHECK(LoadLogDay(QStringLiteral("AL"), date, LogOrder::ByTime).lines == byTime);
    FUZZ_CHECK(LoadLogDay(QStringLiteral("AL"), date, LogOrder::ByEvent).lines == byEvent);
    return 0;
}
