#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

struct StationSettings;

// The daily activity log: "HH:MM:SS", two spaces, the text, CR LF; opened,
// appended to and closed for every line so each line is on disk at once.
QByteArray activityLogLine(const QTime &time, const QString &activityText);
// Writes the line when ActivityLogOn is 1. A line that cannot be written is
// shown in the error window; the program goes on. False when it failed.
bool WriteActivityLog(const StationSettings &settings, const QDateTime &now, const QString &activityText);

// Log housekeeping, run once a day at 10:00:15: deletes the activity and
// MPEG logs dated a week back or earlier and the Eb/No logs dated one
// keeping period back or earlier, so a day on which it did not run leaves
// nothing behind. PurgeInterval remembers the last known period ("d", "ww",
// "m", "yyyy") across calls, as an unknown EbNoKeep leaves it unchanged.
void PurgeOldLogs(const QDate &today, const QString &ebNoKeep, QString &purgeInterval);
// today minus one interval by calendar arithmetic; invalid for an unknown one.
QDate dateOneIntervalBack(const QDate &today, const QString &purgeInterval);
