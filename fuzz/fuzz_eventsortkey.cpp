// The log viewers: any log file splits into lines without line ends, each
// line's "By Event" key moves its time to the end, and the sorted listing
// holds every key once, in order. Day entries and file names agree.

#include "fuzzsupport.h"

#include "station/logviews.h"
#include "platform/codec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> g_folder;

bool lessIgnoringCase(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

void checkKey(const QString &line)
{
    const QString key = EventSortKey(line);
    const qsizetype time = std::min<qsizetype>(8, line.size());
    FUZZ_CHECK(key.size() == std::max<qsizetype>(0, line.size() - 9) + 1 + time);
    FUZZ_CHECK(key.endsWith(line.left(8)));
    FUZZ_CHECK(key.startsWith(line.mid(9)));
    FUZZ_CHECK(key.at(key.size() - time - 1) == QLatin1Char(' '));
}

// A carriage return, with the line feed right after it, ends a line.
QByteArray withoutLineEnds(const QByteArray &contents)
{
    QByteArray text;
    for (qsizetype i = 0; i < contents.size(); ++i) {
        if (contents.at(i) == '\r') {
            if (i + 1 < contents.size() && contents.at(i + 1) == '\n')
                ++i;
            continue;
        }
        text += contents.at(i);
    }
    return text;
}

void checkLines(const QByteArray &contents)
{
    const QStringList lines = SplitLogLines(contents);
    qsizetype characters = 0;
    for (const QString &line : lines) {
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')));
        characters += line.size();
        checkKey(line);
    }
    // Nothing but the line ends is dropped.
    FUZZ_CHECK(characters == contents.size() - contents.count('\r') - contents.count("\r\n"));
    FUZZ_CHECK(Codec::toWindows1252(lines.join(QString())) == withoutLineEnds(contents));

    const QStringList sorted = SortByEvent(lines);
    FUZZ_CHECK(sorted.size() == lines.size());
    FUZZ_CHECK(std::is_sorted(sorted.begin(), sorted.end(), lessIgnoringCase));
    QStringList keys;
    for (const QString &line : lines)
        keys.append(EventSortKey(line));
    QStringList a = keys;
    QStringList b = sorted;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    FUZZ_CHECK(a == b);

    const QString date = QStringLiteral("03/26/07");
    const QStringList byTime = LogLinesToShow(contents, LogOrder::ByTime, date);
    const QStringList byEvent = LogLinesToShow(contents, LogOrder::ByEvent, date);
    if (contents.isEmpty()) {
        FUZZ_CHECK(byTime == QStringList{MissingLogLine(date)});
        FUZZ_CHECK(byEvent == byTime);
    } else {
        FUZZ_CHECK(byTime == lines);
        FUZZ_CHECK(byEvent == sorted);
    }
}

// Names from the input, one per line: the days listed are those of the
// names that are logs of the kind, newest first, and each rebuilds its name.
void checkDays(const QByteArray &contents)
{
    const QStringList names = Codec::fromWindows1252(contents).split(QLatin1Char('\n'));
    for (const QString &kind : {QStringLiteral("AL"), QStringLiteral("EB"), QStringLiteral("MP")}) {
        const QStringList entries = LogDayEntries(names, kind);
        FUZZ_CHECK(!entries.isEmpty());
        QStringList logs;
        for (const QString &name : names) {
            if (isLogFileName(name, kind))
                logs.append(name);
        }
        if (logs.isEmpty()) {
            FUZZ_CHECK(entries == QStringList{kNoLogs});
            continue;
        }
        FUZZ_CHECK(entries.size() == logs.size());
        for (const QString &name : logs) {
            const QString date = logDateTextFromFileName(name);
            FUZZ_CHECK(date.size() == 8 && date.at(2) == QLatin1Char('/') && date.at(5) == QLatin1Char('/'));
            FUZZ_CHECK(entries.contains(date));
            FUZZ_CHECK(LogFileName(kind, date).endsWith(QLatin1Char('/') + name));
        }
        for (qsizetype i = 1; i < entries.size(); ++i) {
            const QString newer = entries.at(i - 1);
            const QString older = entries.at(i);
            const QString newerKey = newer.mid(6, 2) + newer.left(2) + newer.mid(3, 2);
            const QString olderKey = older.mid(6, 2) + older.left(2) + older.mid(3, 2);
            FUZZ_CHECK(newerKey >= olderKey);
        }
    }
}

// The day's file through the viewer's loader.
void checkLoad(const QByteArray &contents)
{
    const QString date = QStringLiteral("03/26/07");
    {
        QFile file(LogFileName(QStringLiteral("AL"), date));
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(contents) == contents.size());
    }
    for (const LogOrder order : {LogOrder::ByTime, LogOrder::ByEvent}) {
        const LogDayLines day = LoadLogDay(QStringLiteral("AL"), date, order);
        FUZZ_CHECK(day.error.isEmpty());
        FUZZ_CHECK(day.lines == LogLinesToShow(contents, order, date));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::quietQt();
    g_folder = std::make_unique<QTemporaryDir>();
    FUZZ_CHECK(g_folder->isValid());
    qputenv("KESTRELPOINT_HOME", QFile::encodeName(g_folder->path()));
    FUZZ_CHECK(QDir().mkpath(g_folder->filePath(QStringLiteral("logs"))));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray contents = FuzzSupport::bytesOf(data, size);
    checkKey(Codec::fromWindows1252(contents));
    checkLines(contents);
    checkDays(contents);
    checkLoad(contents);
    return 0;
}
