#include "activitylog.h"

#include "platform/codec.h"
#include "platform/errorreport.h"
#include "platform/filewrite.h"
#include "platform/paths.h"
#include "settings/stationsettings.h"

#include <QFile>

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
    const QDate weekBack = today.addDays(-7);
    // Missing files, files in use and read-only files are skipped silently.
    QFile::remove(Paths::logFile(QStringLiteral("AL"), weekBack));
    QFile::remove(Paths::logFile(QStringLiteral("MP"), weekBack));
    if (ebNoKeep == QLatin1String("d"))
        purgeInterval = QStringLiteral("d");
    else if (ebNoKeep == QLatin1String("m"))
        purgeInterval = QStringLiteral("m");
    else if (ebNoKeep == QLatin1String("w"))
        purgeInterval = QStringLiteral("ww");
    else if (ebNoKeep == QLatin1String("y"))
        purgeInterval = QStringLiteral("yyyy");
    if (purgeInterval.isEmpty())
        return;
    QFile::remove(Paths::logFile(QStringLiteral("EB"), dateOneIntervalBack(today, purgeInterval)));
}
