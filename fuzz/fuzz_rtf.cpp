// The help document's RTF: any bytes read without failing; what the writer
// makes of the document is 7-bit RTF that reads back to the same text, and
// writing that copy again gives the same file.

#include "fuzzsupport.h"

#include "platform/rtf.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>


namespace {

// Kept to the end of the process: destroying it after libFuzzer's exit
// handlers have started is not safe.
QGuiApplication *g_app = nullptr;

// The document's text as a reader sees it: blocks on lines. Object
// replacement characters and control characters other than the tab are no
// text of a help document, and the writer leaves them out.
QString visibleText(const QTextDocument &document)
{
    QString text;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            text += QLatin1Char('\n');
        for (const QChar c : block.text()) {
            const char16_t u = c.unicode();
            if (u == 0xFFFC || u == 0x7F || (u < 0x20 && u != '\t'))
                continue;
            text += c;
        }
    }
    return text;
}

void checkRoundTrip(const QTextDocument &original)
{
    const QByteArray rtf = Rtf::write(original);
    FUZZ_CHECK(Rtf::isRtf(rtf));
    for (const char c : rtf)
        FUZZ_CHECK(static_cast<unsigned char>(c) < 0x80);

    QTextDocument copy;
    Rtf::read(rtf, copy);
    if (visibleText(copy) != visibleText(original)) {
        FuzzSupport::report("original", visibleText(original));
        FuzzSupport::report("read back", visibleText(copy));
        FuzzSupport::report("rtf", QString::fromLatin1(rtf));
    }
    FUZZ_CHECK(visibleText(copy) == visibleText(original));
    FUZZ_CHECK(copy.blockCount() == original.blockCount());

    const QByteArray again = Rtf::write(copy);
    if (again != rtf) {
        FuzzSupport::report("first save", QString::fromLatin1(rtf));
        FuzzSupport::report("second save", QString::fromLatin1(again));
    }
    FUZZ_CHECK(again == rtf);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::quietQt();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt may take arguments out of the list it is given: not libFuzzer's.
    static int argc = 1;
    static char name[] = "fuzz_rtf";
    static char *argv[] = {name, nullptr};
    g_app = new QGuiApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzSupport::bytesOf(data, size);
    QTextDocument document;
    Rtf::read(bytes, document);
    checkRoundTrip(document);

    // The same bytes behind an RTF header, so text that is not RTF still
    // goes through the reader.
    if (!Rtf::isRtf(bytes)) {
        QTextDocument wrapped;
        Rtf::read("{\\rtf1\\ansi " + bytes + '}', wrapped);
        checkRoundTrip(wrapped);
    }
    return 0;
}
