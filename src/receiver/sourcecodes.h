#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Source.dat: the station's program source codes ("LANG" in the receiver's
// manual), one per line in the list's sorted order, and one empty line after
// the last. Every reader drops the last code it reads, which in a file
// written here is that empty line.
namespace SourceCodes {
inline const QString kFileName = QStringLiteral("Source.dat");
inline constexpr int kMaxLength = 3;

// The codes of a file's bytes. A comma ends a code early: the rest of the
// line is read as the next code.
QStringList parse(const QByteArray &bytes);
// Every code as one line ended by CR LF, then one empty line.
QByteArray bytes(const QStringList &codes);
// The codes in the order the list shows them: alphabetical without regard
// to case, equal texts in the order they came.
QStringList sorted(QStringList codes);
// Where a new code goes in a sorted list: after every entry not greater.
qsizetype insertPosition(const QStringList &sortedCodes, const QString &code);
// a to z and the other letters of the 8-bit set in upper case, one
// character for one.
QString upperCase(const QString &code);
}

// The codes of Source.dat in the data folder, or nothing when the file is
// missing or cannot be read.
std::optional<QStringList> ReadSourceCodes();
// Replaces Source.dat whole, so a power cut leaves the old list or the new
// one. False with ErrorReportText of the system's reason.
bool SaveSourceCodes(const QStringList &codes, QString *error);
