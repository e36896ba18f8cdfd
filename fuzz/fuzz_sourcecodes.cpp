// Source.dat: any bytes read as codes without line ends or commas that write
// and read back the same, through the file too; order and insert position
// agree; upper case keeps each character's place within the character set.

#include "fuzzsupport.h"

#include "receiver/sourcecodes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FUZZ_BYTES(data, size);
    const QStringList codes = SourceCodes::parse(bytes);
    for (const QString &code : codes)
        FUZZ_CHECK(std::none_of(code.begin(), code.end(), [](QChar c) { return QStringView(u"\r\n,").contains(c); }));
    const QByteArray file = SourceCodes::bytes(codes);
    FUZZ_CHECK(file.endsWith("\r\n") && file.count("\r\n") == codes.size() + 1 && SourceCodes::parse(file) == codes);

    const QStringList sorted = SourceCodes::sorted(codes);
    FUZZ_CHECK(FuzzSupport::isSortedPermutation(sorted, codes));
    for (const QString &code : codes.mid(0, 8)) {
        QStringList inserted = sorted;
        const qsizetype at = SourceCodes::insertPosition(sorted, code);
        inserted.insert(at, code);
        // After every equal entry, so codes added twice keep their order.
        FUZZ_CHECK(FuzzSupport::isSortedPermutation(inserted, sorted + QStringList{code}));
        FUZZ_CHECK(at == sorted.size() || code.compare(sorted.at(at), Qt::CaseInsensitive) < 0);
        const QString upper = SourceCodes::upperCase(code);
        FUZZ_CHECK(upper.size() == code.size() && SourceCodes::upperCase(upper) == upper);
        FUZZ_CHECK(Codec::fromWindows1252(Codec::toWindows1252(upper)) == upper);
    }

    FuzzSupport::writeFile(FuzzSupport::dataFile(SourceCodes::kFileName), bytes);
    FUZZ_CHECK(ReadSourceCodes() == codes);
    FUZZ_CHECK(SaveSourceCodes(sorted, nullptr) && ReadSourceCodes() == sorted);
    return 0;
}
