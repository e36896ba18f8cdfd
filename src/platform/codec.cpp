#include "codec.h"

#include <array>

namespace {

constexpr char kNotInSet = '?';

// 0x80-0x9F of Windows-1252; 0 marks the five bytes the set leaves undefined,
// which are kept as the C1 control of the same value so that no byte is lost.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t decodeByte(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F && kHighControls[b - 0x80] != 0)
        return kHighControls[b - 0x80];
    return b;
}

char encodeChar(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == c || (kHighControls[i] == 0 && c == 0x80 + i))
            return char(0x80 + i);
    }
    return kNotInSet;
}

} // namespace

QString Codec::fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(decodeByte(static_cast<unsigned char>(bytes[i])));
    return text;
}

QByteArray Codec::toWindows1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        bytes[i] = encodeChar(text[i].unicode());
    return bytes;
}

bool Codec::canEncode(QStringView text)
{
    for (const QChar c : text) {
        if (encodeChar(c.unicode()) == kNotInSet && c != QLatin1Char(kNotInSet))
            return false;
    }
    return true;
}
