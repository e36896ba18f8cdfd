#include "logviews.h"

#include "platform/codec.h"
#include "platform/errorreport.h"
#include "platform/filewrite.h"
#include "platform/paths.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <dirent.h>

bool isLogFileName(const QString &fileName, const QString &logKind)
{
    if (logKind.size() != 2 || fileName.size() != 12 || !fileName.startsWith(logKind)
        || !fileName.endsWith(QLatin1String(".log")))
        return false;
    for (int i = 2; i < 8; ++i) {
        if (!fileName.at(i).isDigit() || fileName.at(i).unicode() > 127)
            return false;
    }
    return true;
}

QString logDateTextFromFileName(const QString &fileName)
{
    return fileName.mid(4, 2) + QLatin1Char('/') + fileName.mid(6, 2) + QLatin1Char('/') + fileName.mid(2, 2);
}

QString LogFileName(const QString &logKind, const QString &logDateText)
{
    const QString yymmdd = logDateText.mid(6, 2) + logDateText.mid(0, 2) + logDateText.mid(3, 2);
    return Paths::logsDir() + QLatin1Char('/') + logKind + yymmdd + QStringLiteral(".log");
}

QDate logDateFromText(const QString &logDateText)
{
    if (logDateText.size() != 8 || logDateText.at(2) != QLatin1Char('/') || logDateText.at(5) != QLatin1Char('/'))
        return {};
    const QString yyyymmdd = QStringLiteral("20") + logDateText.mid(6, 2) + logDateText.mid(0, 2) + logDateText.mid(3, 2);
    return QDate::fromString(yyyymmdd, QStringLiteral("yyyyMMdd"));
}

QStringList LogDayEntries(const QStringList &fileNames, const QString &logKind)
{
    QStringList names;
    for (const QString &name : fileNames) {
        if (isLogFileName(name, logKind))
            names.append(name);
    }
    std::sort(names.begin(), names.end());
    QStringList entries;
    for (auto it = names.crbegin(); it != names.crend(); ++it)
        entries.append(logDateTextFromFileName(*it));
    if (entries.isEmpty())
        entries.append(kNoLogs);
    return entries;
}

LogDayListing ListLogDays(const QString &logKind)
{
    LogDayListing listing;
    const QString folder = Paths::logsDir();
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        listing.error = errnoReportText(errno, folder);
        return listing;
    }
    QStringList names;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (!isLogFileName(name, logKind))
            continue;
        const QFileInfo info(folder + QLatin1Char('/') + name);
        if (info.isFile() && !info.isHidden())
            names.append(name);
    }
    ::closedir(dir);
    listing.entries = LogDayEntries(names, logKind);
    return listing;
}

QStringList SplitLogLines(const QByteArray &contents, bool *complete)
{
    QStringList lines;
    const bool all = forEachLogLine(contents, [&](QByteArrayView line) {
        if (line.size() <= kLongestShownLine) {
            lines.append(Codec::fromWindows1252(line));
            return;
        }
        lines.append(Codec::fromWindows1252(line.first(kLongestShownLine))
                     + QStringLiteral(" ... (a line of %1 characters, cut)").arg(line.size()));
    });
    if (complete)
        *complete = all;
    return lines;
}

QString EventSortKey(const QString &line)
{
    return line.mid(9) + QLatin1Char(' ') + line.left(8);
}

QStringList SortByEvent(QStringList lines)
{
    for (QString &line : lines)
        line = EventSortKey(line);
    std::stable_sort(lines.begin(), lines.end(),
                     [](const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    return lines;
}

QString MissingLogLine(const QString &logDateText)
{
    return QStringLiteral("Log for ") + logDateText + QStringLiteral(" does not exist.");
}

QString PartReadLine(const QString &path, qint64 size)
{
    return QStringLiteral("Only the first %1 MB or %2 lines of %3 (%4 MB) are shown.")
        .arg(kLogReadLimit / (1024 * 1024))
        .arg(kMostLogLines)
        .arg(path)
        .arg(double(size) / (1024 * 1024), 0, 'f', 1);
}

LogDayFile ReadLogDay(const QString &path)
{
    LogDayFile file;
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return file;
    FileRead::Head head = FileRead::head(path, kLogReadLimit);
    file.error = head.error;
    file.size = head.size;
    // The line the limit cut in two is left out, unless it is the only one.
    if (const qsizetype end = head.bytes.lastIndexOf('\r'); head.cut() && end >= 0)
        head.bytes.truncate(end + 1);
    file.contents = std::move(head.bytes);
    return file;
}

LogDayLines LoadLogDay(const QString &logKind, const QString &logDateText, LogOrder order)
{
    LogDayLines day;
    const QString path = LogFileName(logKind, logDateText);
    const LogDayFile file = ReadLogDay(path);
    if (!file.error.isEmpty()) {
        day.error = file.error;
        return day;
    }
    if (file.contents.isEmpty()) {
        day.lines = {MissingLogLine(logDateText)};
        return day;
    }
    bool complete = true;
    day.lines = SplitLogLines(file.contents, &complete);
    if (order == LogOrder::ByEvent)
        day.lines = SortByEvent(std::move(day.lines));
    if (file.cut() || !complete)
        day.lines.prepend(PartReadLine(path, file.size));
    return day;
}
