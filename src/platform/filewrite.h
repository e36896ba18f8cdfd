#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// File writes with the system's reason on failure, as ErrorReportText.
namespace FileWrite {
// Opens for appending (creating the file), writes, closes.
bool append(const QString &path, const QByteArray &bytes, QString *error);
// Replaces the whole file so that a power cut leaves either the old or the
// new content, never half of one, and once it returns, the new one.
bool replace(const QString &path, const QByteArray &bytes, QString *error);
// Removes from the folder the temporary copies that a replace of one of the
// named files left when it was cut short ("SwitchList.dat.a1B2c3").
void removeLeftovers(const QString &folder, const QStringList &names);
// Creates an empty file when none exists.
bool ensureExists(const QString &path, QString *error);
}

// Reading a whole file, with the system's reason on failure.
namespace FileRead {
bool whole(const QString &path, QByteArray &bytes, QString *error);
}
