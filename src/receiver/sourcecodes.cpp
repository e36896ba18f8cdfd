#include "sourcecodes.h"

#include "platform/codec.h"
#include "platform/filewrite.h"
#include "platform/paths.h"

#include <QFile>

#include <algorithm>

namespace {
bool lessIgnoringCase(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}
} // namespace

QStringList SourceCodes::parse(const QByteArray &bytes)
{
    const QString text = Codec::fromWindows1252(bytes);
    QStringList codes;
    QString code;
    bool pending = false;  // characters seen since the last code ended
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            codes.append(code);
            code.clear();
            pending = false;
        } else if (c == QLatin1Char(',')) {
            codes.append(code);
            code.clear();
            pending = true;
        } else {
            code.append(c);
            pending = true;
        }
    }
    if (pending)
        codes.append(code);
    // The code whose reading reaches the end of the file is not used.
    if (!codes.isEmpty())
        codes.removeLast();
    return codes;
}

QByteArray SourceCodes::bytes(const QStringList &codes)
{
    QByteArray out;
    for (const QString &code : codes)
        out += Codec::toWindows1252(code) + "\r\n";
    out += "\r\n";
    return out;
}

QStringList SourceCodes::sorted(QStringList codes)
{
    std::stable_sort(codes.begin(), codes.end(), lessIgnoringCase);
    return codes;
}

qsizetype SourceCodes::insertPosition(const QStringList &sortedCodes, const QString &code)
{
    return std::upper_bound(sortedCodes.begin(), sortedCodes.end(), code, lessIgnoringCase) - sortedCodes.begin();
}

QString SourceCodes::upperCase(const QString &code)
{
    QString upper = code;
    for (QChar &c : upper) {
        const QChar u = c.toUpper();
        // Only mappings that stay inside the file's character set: the micro
        // sign's capital, for one, would be stored as '?'.
        if (Codec::toWindows1252(QStringView(&u, 1)) != "?")
            c = u;
    }
    return upper;
}

std::optional<QStringList> ReadSourceCodes()
{
    QFile file(Paths::dataFile(SourceCodes::kFileName));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return SourceCodes::parse(file.readAll());
}

bool SaveSourceCodes(const QStringList &codes, QString *error)
{
    return FileWrite::replace(Paths::dataFile(SourceCodes::kFileName), SourceCodes::bytes(codes), error);
}
