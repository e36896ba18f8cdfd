#pragma once

#include <QByteArray>
#include <QString>

// Every file the program reads or writes holds one byte per character in
// Windows-1252, the 8-bit set of the station's original Western systems.
// Characters outside the set are stored as '?'.
namespace Codec {
QString fromWindows1252(QByteArrayView bytes);
QByteArray toWindows1252(QStringView text);
// Whether every character of the text has a byte of its own in the set.
bool canEncode(QStringView text);
}
