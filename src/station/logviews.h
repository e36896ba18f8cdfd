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

// The lines of a log file. Each ends at a carriage return and line feed (or
// a lone carriage return, or the end of the file); a lone line feed, such as
// the one an Eb/No value can start with, stays inside its line.
QStringList SplitLogLines(const QByteArray &contents);

// The line from its 10th character on, a space and its first 8 characters:
// the time moves to the end and the separator after it is dropped.
QString EventSortKey(const QString &line);
// Every line turned into its key, in ascending order without regard to case;
// equal keys keep their file order.
QStringList SortByEvent(const QStringList &lines);

// "Log for 03/26/07 does not exist."
QString MissingLogLine(const QString &logDateText);

// What the viewer shows for a day's file: its lines in the order chosen, or
// the single "does not exist" line for a missing or empty file.
QStringList LogLinesToShow(const QByteArray &contents, LogOrder order, const QString &logDateText);

struct LogDayFile
{
    QByteArray contents;  // empty for a missing or empty file
    QString error;        // ErrorReportText when the file exists but cannot be read
};
LogDayFile ReadLogDay(const QString &path);

struct LogDayLines
{
    QStringList lines;
    QString error;  // ErrorReportText when the file exists but cannot be read
};
LogDayLines LoadLogDay(const QString &logKind, const QString &logDateText, LogOrder order);
