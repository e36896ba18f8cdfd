#pragma once

#include <QByteArray>
#include <QString>

// File writes with the system's reason on failure, as ErrorReportText.
namespace FileWrite {
// Opens for appending (creating the file), writes, closes.
bool append(const QString &path, const QByteArray &bytes, QString *error);
// Replaces the whole file so that a power cut leaves either the old or the
// new content, never half of one.
bool replace(const QString &path, const QByteArray &bytes, QString *error);
// Creates an empty file when none exists.
bool ensureExists(const QString &path, QString *error);
}

// Reading a whole file, with the system's reason on failure.
namespace FileRead {
bool whole(const QString &path, QByteArray &bytes, QString *error);
}
