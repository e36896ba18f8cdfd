#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

// What the log viewers read: the days for which a log file exists and the
// lines of one day, in file order or sorted by what follows the time.

enum class LogOrder { ByTime, ByEvent };

// The day list's only entry when the folder holds no log of the kind.
inline const QString kNoLogs = QStringLiteral("No Logs");

// A daily log's name: the kind ("AL", "EB", "MP"), YYMMDD and ".log".
bool isLogFileName(const QString &fileName, const QString &logKind);
// "AL070326.log" -> "03/26/07".
QString logDateTextFromFileName(const QString &fileName);
// The day's file in the log folder, rebuilt from its "MM/DD/YY" text.
QString LogFileName(const QString &logKind, const QString &logDateText);
// "03/26/07" -> 26 March 2007; an invalid date for any other text.
QDate logDateFromText(const QString &logDateText);

// The day entries for the log files named, newest day first, or the single
// entry "No Logs" when none is a log of the kind.
QStringList LogDayEntries(const QStringList &fileNames, const QString &logKind);

struct LogDayListing
{
    QStringList entries;
    QString error;  // ErrorReportText of the reason the folder cannot be listed
};
// Lists the log folder. Only ordinary, visible files count.
LogDayListing ListLogDays(const QString &logKind);

// A log's lines are read from its first 16 MB at most (a real day is a few
// hundred kB), and at most a million of them; a line is shown with its first
// 1,000 characters at most. A file a fault has made huge or garbled costs no
// more than that.
inline constexpr qint64 kLogReadLimit = 16 * 1024 * 1024;
inline constexpr qsizetype kMostLogLines = 1000000;
inline constexpr qsizetype kLongestShownLine = 1000;

// Calls `visit` with each line of a log file, as bytes, and stops after
// `most` lines; false when lines were left. Each line ends at a carriage
// return and line feed (or a lone carriage return, or the end of the file); a
// lone line feed, such as the one an Eb/No value can start with, stays inside
// its line.
template <typename Visit>
bool forEachLogLine(QByteArrayView contents, Visit visit, qsizetype most = kMostLogLines)
{
    qsizetype start = 0;
    for (qsizetype i = contents.indexOf('\r'), count = 0; i >= 0; i = contents.indexOf('\r', start), ++count) {
        if (count == most)
            return false;
        visit(contents.sliced(start, i - start));
        start = i + 1 < contents.size() && contents.at(i + 1) == '\n' ? i + 2 : i + 1;
    }
    if (start < contents.size()) {
        if (most == 0)
            return false;
        visit(contents.sliced(start));
    }
    return true;
}

// The lines of a log file, each cut to what is shown; `complete` false when
// the file has more lines than are shown.
QStringList SplitLogLines(const QByteArray &contents, bool *complete = nullptr);

// The line from its 10th character on, a space and its first 8 characters:
// the time moves to the end and the separator after it is dropped.
QString EventSortKey(const QString &line);
// Every line turned into its key, in ascending order without regard to case;
// equal keys keep their file order.
QStringList SortByEvent(QStringList lines);

// "Log for 03/26/07 does not exist."
QString MissingLogLine(const QString &logDateText);

struct LogDayFile
{
    QByteArray contents;  // empty for a missing or empty file
    QString error;        // ErrorReportText when the file exists but cannot be read
    qint64 size = 0;      // the whole file's size
    // Only its first kLogReadLimit bytes were read.
    bool cut() const { return size > contents.size(); }
};
// The file's first kLogReadLimit bytes, up to the last whole line in them.
LogDayFile ReadLogDay(const QString &path);
// "Only the first 16 MB or 1000000 lines of /home/.../logs/EB070326.log
// (523.4 MB) are shown."
QString PartReadLine(const QString &path, qint64 size);

struct LogDayLines
{
    QStringList lines;
    QString error;  // ErrorReportText when the file exists but cannot be read
};
// What the viewer shows for a day's file: its lines in the order chosen, or
// the single "does not exist" line for a missing or empty file; a file read
// in part begins with the line that says so. Safe to run on any thread.
LogDayLines LoadLogDay(const QString &logKind, const QString &logDateText, LogOrder order);
