// Source.dat: any bytes read as codes without line breaks or commas; the
// codes written and read again are the same codes; the list order and the
// insert position agree; upper case keeps every character's place.

#include "fuzzsupport.h"

#include "platform/codec.h"
#include "receiver/sourcecodes.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> g_folder;

bool lessIgnoringCase(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

void checkCodes(const QByteArray &bytes)
{
    const QStringList codes = SourceCodes::parse(bytes);
    qsizetype separators = 0;
    for (const char c : bytes)
        separators += (c == '\n' || c == '\r' || c == ',') ? 1 : 0;
    FUZZ_CHECK(codes.size() <= separators + 1);
    qsizetype characters = 0;
    for (const QString &code : codes) {
        FUZZ_CHECK(!code.contains(QLatin1Char('\r')) && !code.contains(QLatin1Char('\n')));
        FUZZ_CHECK(!code.contains(QLatin1Char(',')));
        characters += code.size();
    }
    FUZZ_CHECK(characters <= bytes.size());

    // What the window saves is what every reader offers afterwards.
    const QByteArray file = SourceCodes::bytes(codes);
    FUZZ_CHECK(file.endsWith("\r\n"));
    FUZZ_CHECK(file.count("\r\n") == codes.size() + 1);
    FUZZ_CHECK(SourceCodes::parse(file) == codes);
    FUZZ_CHECK(SourceCodes::bytes(SourceCodes::parse(file)) == file);

    const QStringList sorted = SourceCodes::sorted(codes);
    FUZZ_CHECK(sorted.size() == codes.size());
    FUZZ_CHECK(std::is_sorted(sorted.begin(), sorted.end(), lessIgnoringCase));
    QStringList a = codes;
    QStringList b = sorted;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    FUZZ_CHECK(a == b);

    for (const QString &code : codes.mid(0, 8)) {
        const qsizetype at = SourceCodes::insertPosition(sorted, code);
        FUZZ_CHECK(at >= 0 && at <= sorted.size());
        QStringList inserted = sorted;
        inserted.insert(at, code);
        FUZZ_CHECK(std::is_sorted(inserted.begin(), inserted.end(), lessIgnoringCase));
        // After every equal entry, so codes added twice keep their order.
        FUZZ_CHECK(at == sorted.size() || lessIgnoringCase(code, sorted.at(at)));

        const QString upper = SourceCodes::upperCase(code);
        FUZZ_CHECK(upper.size() == code.size());
        FUZZ_CHECK(Codec::fromWindows1252(Codec::toWindows1252(upper)) == upper);
        FUZZ_CHECK(SourceCodes::upperCase(upper) == upper);
        for (qsizetype i = 0; i < code.size(); ++i) {
            const QChar c = code.at(i);
            if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                FUZZ_CHECK(upper.at(i) == QChar(c.unicode() - 32));
        }
    }
}

// The file itself, through the data folder.
void checkFile(const QByteArray &bytes)
{
    const QString path = g_folder->filePath(SourceCodes::kFileName);
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    const std::optional<QStringList> read = ReadSourceCodes();
    FUZZ_CHECK(read.has_value());
    FUZZ_CHECK(*read == SourceCodes::parse(bytes));
    const QStringList sorted = SourceCodes::sorted(*read);
    QString error;
    FUZZ_CHECK(SaveSourceCodes(sorted, &error));
    const std::optional<QStringList> again = ReadSourceCodes();
    FUZZ_CHECK(again.has_value() && *again == sorted);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::quietQt();
    g_folder = std::make_unique<QTemporaryDir>();
    FUZZ_CHECK(g_folder->isValid());
    qputenv("KESTRELPOINT_HOME", QFile::encodeName(g_folder->path()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzSupport::bytesOf(data, size);
    checkCodes(bytes);
    checkFile(bytes);
    return 0;
}
