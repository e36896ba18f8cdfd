#pragma once

#include <QDate>
#include <QString>

// Where the program keeps its files. The data folder is $KESTRELPOINT_HOME,
// or ~/Kestrelpoint; the logs live in its "logs" folder.
namespace Paths {
QString dataDir();
QString logsDir();
QString dataFile(const QString &name);
// "logs/" + prefix ("AL", "EB", "MP") + YYMMDD + ".log"
QString logFile(const QString &prefix, const QDate &day);
QString logFileName(const QString &prefix, const QDate &day);
// The removable medium that stands for the floppy drive.
QString floppyDir();

// Creates the folder and any missing parents. False with "The folder <path>
// cannot be created: <the system's reason>." when it cannot be had.
bool makeFolder(const QString &path, QString *error);
}
