#include "activitylog.h"

#include "platform/codec.h"
#include "platform/errorreport.h"
#include "platform/filewrite.h"
#include "platform/paths.h"
#include "settings/stationsettings.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

QByteArray activityLogLine(const QTime &time, const QString &activityText)
{
    return Codec::toWindows1252(time.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("  ") + activityText)
        + "\r\n";
}

bool WriteActivityLog(const StationSettings &settings, const QDateTime &now, const QString &activityText)
{
    if (settings.ActivityLogOn != 1)
        return true;
    QString error;
    if (FileWrite::append(Paths::logFile(QStringLiteral("AL"), now.date()), activityLogLine(now.time(), activityText),
                          &error))
        return true;
    ShowErrorMessage(error + QStringLiteral(".  The activity log line \"") + activityText
                     + QStringLiteral("\" was not written."));
    return false;
}

QDate dateOneIntervalBack(const QDate &today, const QString &purgeInterval)
{
    if (purgeInterval == QLatin1String("d"))
        return today.addDays(-1);
    if (purgeInterval == QLatin1String("ww"))
        return today.addDays(-7);
    if (purgeInterval == QLatin1String("m"))
        return today.addMonths(-1);
    if (purgeInterval == QLatin1String("yyyy"))
        return today.addYears(-1);
    return {};
}

void PurgeOldLogs(const QDate &today, const QString &ebNoKeep, QString &purgeInterval)
{
    if (ebNoKeep == QLatin1String("d"))
        purgeInterval = QStringLiteral("d");
    else if (ebNoKeep == QLatin1String("m"))
        purgeInterval = QStringLiteral("m");
    else if (ebNoKeep == QLatin1String("w"))
        purgeInterval = QStringLiteral("ww");
    else if (ebNoKeep == QLatin1String("y"))
        purgeInterval = QStringLiteral("yyyy");
    const QDate weekBack = today.addDays(-7);
    const QDate ebNoBack = dateOneIntervalBack(today, purgeInterval);
    // Only the program's own daily logs, by their exact names: a copy an
    // operator keeps beside them ("AL261201.log.bak", "al261201.log") stays.
    static const QRegularExpression ours(QStringLiteral("^(AL|EB|MP)(\\d\\d)(\\d\\d)(\\d\\d)\\.log$"));
    const QDir logs(Paths::logsDir());
    for (const QString &name : logs.entryList(QDir::Files | QDir::Hidden, QDir::NoSort)) {
        const QRegularExpressionMatch match = ours.match(name);
        if (!match.hasMatch())
            continue;
        const QDate day(2000 + match.captured(2).toInt(), match.captured(3).toInt(), match.captured(4).toInt());
        const QDate keptAfter = match.captured(1) == QLatin1String("EB") ? ebNoBack : weekBack;
        // A day the program did not run at purge time is caught up; missing
        // files, files in use and read-only files are skipped silently.
        if (day.isValid() && keptAfter.isValid() && day <= keptAfter)
            QFile::remove(logs.filePath(name));
    }
}
