#include "paths.h"

#include "errorreport.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include <cerrno>

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

bool Paths::makeFolder(const QString &path, QString *error)
{
    // Made step by step so that the reason is the system's own: a path that
    // runs through a regular file is "Not a directory", not a guess.
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    qsizetype next = 0;
    while (next >= 0) {
        next = clean.indexOf(QLatin1Char('/'), next + 1);
        const QByteArray part = QFile::encodeName(next < 0 ? clean : clean.left(next));
        struct stat st{};
        if (::stat(part.constData(), &st) == 0) {
            if (S_ISDIR(st.st_mode))
                continue;
            errno = ENOTDIR;
        } else if (errno == ENOENT && ::mkdir(part.constData(), 0755) == 0) {
            continue;
        }
        if (error)
            *error = QStringLiteral("The folder %1 cannot be created: %2.").arg(path, errnoDescription(errno));
        return false;
    }
    return true;
}
