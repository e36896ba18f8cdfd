#include "platform/rtf.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QtTest>

namespace {

// One line per document: blocks joined by " / ", a block's alignment as
// <C>, <R> or <J> and its space before and after in pixels as <sbN> <saN>, each fragment with its kept attributes in brackets, a line
// break as <br>.
QString describe(const QTextDocument &document)
{
    QStringList blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line;
        const Qt::Alignment a = block.blockFormat().alignment();
        if (a & Qt::AlignHCenter)
            line += QStringLiteral("<C>");
        else if (a & Qt::AlignJustify)
            line += QStringLiteral("<J>");
        else if (a & Qt::AlignRight)
            line += QStringLiteral("<R>");
        if (block.blockFormat().topMargin() > 0)
            line += QStringLiteral("<sb%1>").arg(block.blockFormat().topMargin());
        if (block.blockFormat().bottomMargin() > 0)
            line += QStringLiteral("<sa%1>").arg(block.blockFormat().bottomMargin());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat f = fragment.charFormat();
            QStringList flags;
            if (f.fontWeight() > QFont::Normal)
                flags << QStringLiteral("b");
            if (f.fontItalic())
                flags << QStringLiteral("i");
            if (f.fontUnderline())
                flags << QStringLiteral("u");
            if (f.fontStrikeOut())
                flags << QStringLiteral("s");
            if (f.fontPointSize() > 0)
                flags << QString::number(f.fontPointSize()) + QStringLiteral("pt");
            if (f.foreground().style() != Qt::NoBrush)
                flags << f.foreground().color().name();
            if (!f.fontFamilies().toStringList().isEmpty())
                flags << f.fontFamilies().toStringList().first();
            QString text = fragment.text();
            text.replace(QChar(0x2028), QStringLiteral("<br>"));
            line += flags.isEmpty() ? text : QLatin1Char('[') + flags.join(QLatin1Char(' ')) + QLatin1Char(']') + text;
        }
        blocks.append(line);
    }
    return blocks.join(QStringLiteral(" / "));
}

QString readDescribed(const QByteArray &rtf)
{
    QTextDocument document;
    Rtf::read(rtf, document);
    return describe(document);
}

// A document with every attribute the writer keeps.
void fillEveryFeature(QTextDocument &document)
{
    QTextCursor c(&document);
    QTextCharFormat plain;
    auto with = [](auto set) {
        QTextCharFormat f;
        set(f);
        return f;
    };
    c.insertText(QStringLiteral("Plain "), plain);
    c.insertText(QStringLiteral("bold"), with([](QTextCharFormat &f) { f.setFontWeight(QFont::Bold); }));
    c.insertText(QStringLiteral("italic"), with([](QTextCharFormat &f) { f.setFontItalic(true); }));
    c.insertText(QStringLiteral("under"), with([](QTextCharFormat &f) { f.setFontUnderline(true); }));
    c.insertText(QStringLiteral("struck"), with([](QTextCharFormat &f) { f.setFontStrikeOut(true); }));
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    c.insertBlock(centred);
    c.insertText(QStringLiteral("big"), with([](QTextCharFormat &f) { f.setFontPointSize(14.5); }));
    c.insertText(QStringLiteral("red"), with([](QTextCharFormat &f) { f.setForeground(QColor(200, 0, 10)); }));
    c.insertText(QStringLiteral("mono"),
                 with([](QTextCharFormat &f) { f.setFontFamilies(QStringList{QStringLiteral("Courier New")}); }));
    c.insertText(QStringLiteral("all"), with([](QTextCharFormat &f) {
                     f.setFontWeight(QFont::Bold);
                     f.setFontItalic(true);
                     f.setFontUnderline(true);
                     f.setFontPointSize(8);
                     f.setForeground(QColor(0, 0, 255));
                     f.setFontFamilies(QStringList{QStringLiteral("Times New Roman")});
                 }));
    QTextBlockFormat left;
    left.setAlignment(Qt::AlignLeft);
    c.insertBlock(left);
    c.insertText(QStringLiteral("a\tb") + QChar(0x2028) + QStringLiteral("c {braces} \\ back"), plain);
    c.insertBlock(left);
    c.insertText(QStringLiteral("Caf\u00e9 \u2013 \u20ac 20 \u00a0nbsp \u03a9 \u4e2d ") + QString::fromUtf8("\xF0\x9F\x98\x80") +
                     QStringLiteral(" 5?"),
                 plain);
    c.insertBlock(left);
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.insertBlock(right);
    c.insertText(QStringLiteral("right"), plain);
    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    justified.setTopMargin(8);
    justified.setBottomMargin(4);
    c.insertBlock(justified);
    c.insertText(QStringLiteral("justified"), plain);
}

} // namespace

class tst_Rtf : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyKeptFeatureSurvivesWriteAndRead();
    void writerUsesSevenBitCharactersOnly();
    void emptyDocumentRoundTrips();
    void savingACopyGivesTheSameFile_data();
    void savingACopyGivesTheSameFile();
    void reading_data();
    void reading();
    void plainTextIsReadAsText();
    void shippedHelpDocumentSurvivesASave();
};

void tst_Rtf::everyKeptFeatureSurvivesWriteAndRead()
{
    QTextDocument original;
    fillEveryFeature(original);
    const QByteArray rtf = Rtf::write(original);

    QTextDocument copy;
    Rtf::read(rtf, copy);
    QCOMPARE(describe(copy), describe(original));
    QCOMPARE(copy.toRawText(), original.toRawText());
    // A second save of the read copy is the same file.
    QCOMPARE(Rtf::write(copy), rtf);
}

void tst_Rtf::writerUsesSevenBitCharactersOnly()
{
    QTextDocument document;
    fillEveryFeature(document);
    const QByteArray rtf = Rtf::write(document);
    QVERIFY(rtf.startsWith("{\\rtf1"));
    for (const char c : rtf)
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, rtf.constData());
    QVERIFY(rtf.contains("\\'e9"));
    QVERIFY(rtf.contains("\\u937?"));
    QVERIFY(rtf.contains("\\{braces\\} \\\\ back"));
}

void tst_Rtf::emptyDocumentRoundTrips()
{
    QTextDocument empty;
    QTextDocument copy;
    copy.setPlainText(QStringLiteral("old content"));
    Rtf::read(Rtf::write(empty), copy);
    QCOMPARE(copy.toRawText(), QString());
    QCOMPARE(copy.blockCount(), 1);
}

// The help window saves what it read; saving what that save reads back must
// give the same file, or every save would change the document a little.
void tst_Rtf::savingACopyGivesTheSameFile_data()
{
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QString>("tail");        // appended in a font of its own
    QTest::addColumn<QString>("tailFamily");

    QTest::newRow("plain text ending in control characters")
        << QByteArray("Not RTF\r\n\x1f\x1f\x01") << QString() << QString();
    QTest::newRow("control characters alone in their own font")
        << QByteArray("{\\rtf1 a}") << QStringLiteral("\x01\x02") << QStringLiteral("Courier New");
    QTest::newRow("empty last paragraph with alignment and spacing")
        << QByteArray("{\\rtf1 a\\par\\pard\\qc\\sb120\\sa60}") << QString() << QString();
    QTest::newRow("font name outside 7-bit characters")
        << QByteArray("{\\rtf1 a}") << QStringLiteral("b") << QStringLiteral("Caf\u00e9 \u4e2d Sans");
    QTest::newRow("font name with braces, a tab and spaces around it")
        << QByteArray("{\\rtf1 a}") << QStringLiteral("b") << QStringLiteral(" {Odd\tName} ");
    QTest::newRow("font name of braces alone")
        << QByteArray("{\\rtf1 a}") << QStringLiteral("b") << QStringLiteral("{}");
}

void tst_Rtf::savingACopyGivesTheSameFile()
{
    QFETCH(QByteArray, read);
    QFETCH(QString, tail);
    QFETCH(QString, tailFamily);

    QTextDocument document;
    Rtf::read(read, document);
    if (!tail.isEmpty()) {
        QTextCursor end(&document);
        end.movePosition(QTextCursor::End);
        QTextCharFormat format;
        format.setFontFamilies(QStringList{tailFamily});
        end.insertText(tail, format);
    }
    const QByteArray saved = Rtf::write(document);
    for (const char c : saved)
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, saved.constData());
    QTextDocument copy;
    Rtf::read(saved, copy);
    QCOMPARE(copy.toPlainText(), document.toPlainText().remove(QRegularExpression(QStringLiteral("[\\x00-\\x08\\x0b-\\x1f]"))));
    QCOMPARE(Rtf::write(copy), saved);
}

void tst_Rtf::reading_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");

    QTest::newRow("paragraphs, line break and tab")
        << QByteArray("{\\rtf1 one\\par two\\line three\\tab four}") << QStringLiteral("one / two<br>three\tfour");
    QTest::newRow("backslash before a line end is a paragraph")
        << QByteArray("{\\rtf1 one\\\r\ntwo}") << QStringLiteral("one / two");
    QTest::newRow("Windows-1252 hex escapes")
        << QByteArray("{\\rtf1 Caf\\'e9 \\'80 \\'96}") << QStringLiteral("Caf\u00e9 \u20ac \u2013");
    QTest::newRow("unicode with its stand-in skipped")
        << QByteArray("{\\rtf1 \\u937?m \\u8364\\'80!}") << QStringLiteral("\u03a9m \u20ac!");
    QTest::newRow("uc0 has no stand-in") << QByteArray("{\\rtf1\\uc0 \\u937 x}") << QStringLiteral("\u03a9x");
    QTest::newRow("uc2 skips two stand-ins") << QByteArray("{\\rtf1\\uc2 \\u20013??x}") << QStringLiteral("\u4e2dx");
    QTest::newRow("negative unicode units make a surrogate pair")
        << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("control symbols")
        << QByteArray("{\\rtf1 a\\~b\\{c\\}d\\\\e}") << QStringLiteral("a\u00a0b{c}d\\e");
    QTest::newRow("bold on and off, group end restores")
        << QByteArray("{\\rtf1 a\\b b\\b0 c{\\b d}e}") << QStringLiteral("a[b]bc[b]de");
    QTest::newRow("plain resets every attribute")
        << QByteArray("{\\rtf1\\b\\i\\ul\\fs30 x\\plain y}") << QStringLiteral("[b i u 15pt]xy");
    QTest::newRow("underline kinds and ulnone")
        << QByteArray("{\\rtf1\\uldb a\\ulnone b\\ul c\\ul0 d}") << QStringLiteral("[u]ab[u]cd");
    QTest::newRow("font size in half points") << QByteArray("{\\rtf1\\fs21 x}") << QStringLiteral("[10.5pt]x");
    QTest::newRow("colour table with automatic first entry")
        << QByteArray("{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}a\\cf1 b\\cf2 c\\cf0 d}")
        << QStringLiteral("a[#ff0000]b[#008000]cd");
    QTest::newRow("colour index beyond the table is automatic")
        << QByteArray("{\\rtf1{\\colortbl ;}\\cf9 x}") << QStringLiteral("x");
    QTest::newRow("font table: the default font is the window's own")
        << QByteArray("{\\rtf1\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern\\fcharset0 Courier New;}}"
                      "\\f0 a\\f1 b\\f7 c}")
        << QStringLiteral("a[Courier New]bc");
    QTest::newRow("font table without groups")
        << QByteArray("{\\rtf1{\\fonttbl\\f0 Arial;\\f1 Courier;}\\f1 x}") << QStringLiteral("[Courier]x");
    QTest::newRow("alignment is kept per paragraph and reset by pard")
        << QByteArray("{\\rtf1\\qc a\\par\\pard b\\par\\qr c\\par\\qj d}") << QStringLiteral("<C>a / b / <R>c / <J>d");
    QTest::newRow("space before and after a paragraph, reset by pard")
        << QByteArray("{\\rtf1\\sb120\\sa60 a\\par b\\par\\pard c\\sa-5 d}") << QStringLiteral("<sb8><sa4>a / <sb8><sa4>b / cd");
    QTest::newRow("empty last paragraph keeps the spacing set before the closing brace")
        << QByteArray("{\\rtf1 a\\par\\pard\\qc\\sb120}") << QStringLiteral("a / <C><sb8>");
    QTest::newRow("named characters")
        << QByteArray("{\\rtf1 \\lquote x\\rquote \\emdash \\bullet}") << QStringLiteral("\u2018x\u2019\u2014\u2022");
    QTest::newRow("ignorable destination skipped")
        << QByteArray("{\\rtf1 a{\\*\\generator Writer 1.0;}{\\*\\unknownthing secret}b}") << QStringLiteral("ab");
    QTest::newRow("style sheet and information skipped")
        << QByteArray("{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}text}")
        << QStringLiteral("text");
    QTest::newRow("picture skipped with its hex data")
        << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e47}b}") << QStringLiteral("ab");
    QTest::newRow("binary data with braces inside is skipped")
        << QByteArray("{\\rtf1 a{\\pict\\bin5 {}}}{b}c}") << QStringLiteral("ac");
    QTest::newRow("field instruction skipped, its result kept")
        << QByteArray("{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt page}} now}")
        << QStringLiteral("see page now");
    QTest::newRow("header and footer skipped")
        << QByteArray("{\\rtf1{\\header Head}{\\footer Foot}body}") << QStringLiteral("body");
    QTest::newRow("unknown control words dropped, text kept")
        << QByteArray("{\\rtf1 a\\foo12 b\\zzz-3 c\\expndtw10\\sl276\\slmult1 d}") << QStringLiteral("abcd");
    QTest::newRow("extra closing braces keep the text after them")
        << QByteArray("{\\rtf1 one}} two}}") << QStringLiteral("one two");
    QTest::newRow("missing closing braces") << QByteArray("{\\rtf1 {\\b one {\\i two") << QStringLiteral("[b]one [b i]two");
    QTest::newRow("truncated inside a control word") << QByteArray("{\\rtf1 abc\\pa") << QStringLiteral("abc");
    QTest::newRow("truncated inside a hex escape") << QByteArray("{\\rtf1 abc\\'e") << QStringLiteral("abc");
    QTest::newRow("truncated after a backslash") << QByteArray("{\\rtf1 abc\\") << QStringLiteral("abc");
    QTest::newRow("truncated inside the font table") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Ari") << QString();
    QTest::newRow("hex escape without hex digits is text")
        << QByteArray("{\\rtf1 a\\'zzb\\'-1}") << QStringLiteral("azzb-1");
    QTest::newRow("huge parameters are held to their limits")
        << QByteArray("{\\rtf1\\fs99999999999999999999 big\\uc99999999999 \\u99999999 x}") << QStringLiteral("[1638pt]big");
    QTest::newRow("binary count beyond the end") << QByteArray("{\\rtf1 a\\bin999999 xyz") << QStringLiteral("a");
    QTest::newRow("very deep nesting") << QByteArray("{\\rtf1 ") + QByteArray(100000, '{') + "deep" + QByteArray(5, '}') + "end"
                                       << QStringLiteral("deepend");
    QTest::newRow("control characters and line ends in text are ignored")
        << QByteArray("{\\rtf1 a\r\nb\x01\x7f" "c\td}") << QStringLiteral("abc\td");
    QTest::newRow("escaped control characters are dropped")
        << QByteArray("{\\rtf1 a\\u2 b\\'01c\\u9?d}") << QStringLiteral("ac\td");
    QTest::newRow("leading white space before the header")
        << QByteArray("\r\n {\\rtf1 x}") << QStringLiteral("x");
}

void tst_Rtf::reading()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QCOMPARE(readDescribed(rtf), expected);
}

void tst_Rtf::plainTextIsReadAsText()
{
    QTextDocument document;
    Rtf::read(QByteArray("Line one\r\nCaf\xE9"), document);
    QCOMPARE(document.toPlainText(), QStringLiteral("Line one\nCaf\u00e9"));
    QVERIFY(!Rtf::isRtf(QByteArray("Line one")));
}

void tst_Rtf::shippedHelpDocumentSurvivesASave()
{
    QFile file(QStringLiteral(KP_SOURCE_DIR "/docs/Kestrelpoint.hlp"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument shipped;
    Rtf::read(file.readAll(), shipped);
    QVERIFY(shipped.toPlainText().contains(QStringLiteral("Kestrelpoint")));
    QVERIFY(!shipped.toPlainText().contains(QLatin1Char('\\')));
    QVERIFY(!shipped.toPlainText().contains(QLatin1Char('{')));

    QTextDocument saved;
    Rtf::read(Rtf::write(shipped), saved);
    QCOMPARE(describe(saved), describe(shipped));
}

QTEST_MAIN(tst_Rtf)
#include "tst_rtf.moc"
