// Any bytes read as RTF; the writer's 7-bit RTF reads back to the same text,
// and writing that copy again gives the same file.

#include "fuzzsupport.h"

#include "platform/rtf.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// The text as a reader sees it: object replacement and control characters
// other than the tab are no text of a help document, and the writer leaves
// them out.
QString visibleText(const QTextDocument &document)
{
    return document.toRawText().removeIf([](QChar c) {
        return c.unicode() == 0xFFFC || c.unicode() == 0x7F || (c.unicode() < 0x20 && c.unicode() != '\t');
    });
}

void checkRoundTrip(const QTextDocument &original)
{
    const QByteArray rtf = Rtf::write(original);
    FUZZ_CHECK(Rtf::isRtf(rtf) && std::all_of(rtf.begin(), rtf.end(), [](char c) { return uchar(c) < 0x80; }));
    QTextDocument copy;
    Rtf::read(rtf, copy);
    FUZZ_CHECK(visibleText(copy) == visibleText(original) && copy.blockCount() == original.blockCount());
    FUZZ_CHECK(Rtf::write(copy) == rtf);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Made on the first input and kept: destroying it after libFuzzer's exit
    // handlers have started is not safe. Qt may take arguments out of the
    // list it is given, so it gets its own.
    static int argc = 1;
    static char name[] = "fuzz_rtf";
    static char *argv[] = {name, nullptr};
    static QGuiApplication *app = (qputenv("QT_QPA_PLATFORM", "offscreen"), new QGuiApplication(argc, argv));
    Q_UNUSED(app);

    const QByteArray bytes = FUZZ_BYTES(data, size);
    QTextDocument document;
    Rtf::read(bytes, document);
    checkRoundTrip(document);
    // Behind an RTF header, so that text that is not RTF goes through the reader too.
    QTextDocument wrapped;
    Rtf::read("{\\rtf1\\ansi " + bytes + '}', wrapped);
    checkRoundTrip(wrapped);
    return 0;
}
