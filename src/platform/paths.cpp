#include "paths.h"

#include <QDir>

QString Paths::dataDir()
{
    const QString home = qEnvironmentVariable("KESTRELPOINT_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    return QDir::homePath() + QStringLiteral("/Kestrelpoint");
}

QString Paths::logsDir()
{
    return dataDir() + QStringLiteral("/logs");
}

QString Paths::dataFile(const QString &name)
{
    return dataDir() + QLatin1Char('/') + name;
}

QString Paths::logFileName(const QString &prefix, const QDate &day)
{
    return prefix + day.toString(QStringLiteral("yyMMdd")) + QStringLiteral(".log");
}

QString Paths::logFile(const QString &prefix, const QDate &day)
{
    return logsDir() + QLatin1Char('/') + logFileName(prefix, day);
}

QString Paths::floppyDir()
{
    const QString floppy = qEnvironmentVariable("KESTRELPOINT_FLOPPY");
    return floppy.isEmpty() ? QStringLiteral("/media/floppy0") : QDir::cleanPath(floppy);
}
