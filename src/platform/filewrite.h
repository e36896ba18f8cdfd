#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// File writes with the system's reason on failure, as ErrorReportText.
namespace FileWrite {
// Opens for appending (creating the file), writes, closes.
bool append(const QString &path, const QByteArray &bytes, QString *error);
// Replaces the whole file so that a power cut leaves either the old or the
// new content, never half of one, and once it returns true the new content
// is on the disk. A failure, a failed sync included, keeps the old file.
bool replace(const QString &path, const QByteArray &bytes, QString *error);
// The name of the copy a replace writes before it renames it over the file:
// hidden, with the program's name and six random letters or digits, so that
// no person's copy of a file ever looks like one
// (".kestrelpoint-temp-a1B2c3-SwitchList.dat").
bool isTemporaryName(QStringView fileName);
// Removes from the folder the copies that replaces cut short (by a power cut
// or a kill) left behind, whatever file they were for, and nothing else.
void removeLeftovers(const QString &folder);
// Creates an empty file when none exists.
bool ensureExists(const QString &path, QString *error);
}

namespace FileRead {
// Reading a whole file, with the system's reason on failure.
bool whole(const QString &path, QByteArray &bytes, QString *error);

// At most `limit` bytes from the start of a file, and the file's size, so
// that a file grown huge by a fault costs no more than the limit.
struct Head
{
    QByteArray bytes;
    qint64 size = 0;    // the whole file's size
    QString error;      // ErrorReportText when the file cannot be read
    bool cut() const { return size > bytes.size(); }
};
Head head(const QString &path, qint64 limit);
}
