#include "platform/rtf.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QtTest>

namespace {

// One line per document: blocks joined by " / ", a block's alignment as
// <C>, <R> or <J> and its space before and after in pixels as <sbN> <saN>,
// each fragment with its kept attributes in brackets, a line break as <br>.
QString describe(const QTextDocument &document)
{
    QStringList blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat b = block.blockFormat();
        QString line = b.alignment() & Qt::AlignHCenter ? QStringLiteral("<C>")
                       : b.alignment() & Qt::AlignJustify ? QStringLiteral("<J>")
                       : b.alignment() & Qt::AlignRight   ? QStringLiteral("<R>")
                                                          : QString();
        if (b.topMargin() > 0)
            line += QStringLiteral("<sb%1>").arg(b.topMargin());
        if (b.bottomMargin() > 0)
            line += QStringLiteral("<sa%1>").arg(b.bottomMargin());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            QStringList flags;
            const std::pair<bool, const char *> on[] = {{f.fontWeight() > QFont::Normal, "b"}, {f.fontItalic(), "i"},
                                                        {f.fontUnderline(), "u"}, {f.fontStrikeOut(), "s"}};
            for (const auto &[set, flag] : on) {
                if (set)
                    flags << QLatin1String(flag);
            }
            if (f.fontPointSize() > 0)
                flags << QString::number(f.fontPointSize()) + QStringLiteral("pt");
            if (f.foreground().style() != Qt::NoBrush)
                flags << f.foreground().color().name();
            if (!f.fontFamilies().toStringList().isEmpty())
                flags << f.fontFamilies().toStringList().first();
            const QString text = it.fragment().text().replace(QChar(0x2028), QStringLiteral("<br>"));
            line += flags.isEmpty() ? text : QLatin1Char('[') + flags.join(QLatin1Char(' ')) + QLatin1Char(']') + text;
        }
        blocks.append(line);
    }
    return blocks.join(QStringLiteral(" / "));
}

QString readDescribed(const QByteArray &rtf)
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("old content"));
    Rtf::read(rtf, document);
    return describe(document);
}

// Saving what was read, and saving that again, must give the same file, or
// every save of the help window would change the document a little. The
// copy's description, for the tests that compare it.
void checkSavedCopy(const QTextDocument &document, QString *described = nullptr)
{
    const QByteArray saved = Rtf::write(document);
    QVERIFY(saved.startsWith("{\\rtf1"));
    for (const char c : saved)
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, saved.constData());
    QTextDocument copy;
    Rtf::read(saved, copy);
    static const QRegularExpression controls(QStringLiteral("[\\x01-\\x08\\x0b-\\x1f]"));
    QCOMPARE(copy.toPlainText(), document.toPlainText().remove(controls));
    QCOMPARE(Rtf::write(copy), saved);
    if (described)
        *described = describe(copy);
}

} // namespace

class tst_Rtf : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reading_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("paragraphs, line break, tab; a backslash before a line end is a paragraph")
            << QByteArray("{\\rtf1 one\\par two\\line three\\tab four\\\r\nfive}") << "one / two<br>three\tfour / five";
        QTest::newRow("uc0 has no stand-in, uc2 two")
            << QByteArray("{\\rtf1\\uc0 \\u937 x{\\uc2 \\u20013??y}}") << "\u03a9x\u4e2dy";
        QTest::newRow("bold on and off, group end restores")
            << QByteArray("{\\rtf1 a\\b b\\b0 c{\\b d}e}") << "a[b]bc[b]de";
        QTest::newRow("plain resets every attribute")
            << QByteArray("{\\rtf1\\b\\i\\ul\\fs30 x\\plain y}") << "[b i u 15pt]xy";
        QTest::newRow("underline kinds and ulnone")
            << QByteArray("{\\rtf1\\uldb a\\ulnone b\\ul c\\ul0 d}") << "[u]ab[u]cd";
        QTest::newRow("colour table with automatic first entry; index beyond it")
            << QByteArray("{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
                          "a\\cf1 b\\cf2 c\\cf0 d\\cf9 e}")
            << "a[#ff0000]b[#008000]cde";
        QTest::newRow("font table: the default font is the window's own")
            << QByteArray("{\\rtf1\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern\\fcharset0 Courier New;}}"
                          "\\f0 a\\f1 b\\f7 c}")
            << "a[Courier New]bc";
        QTest::newRow("font table without groups")
            << QByteArray("{\\rtf1{\\fonttbl\\f0 Arial;\\f1 Courier;}\\f1 x}") << "[Courier]x";
        QTest::newRow("space before and after a paragraph, reset by pard")
            << QByteArray("{\\rtf1\\sb120\\sa60 a\\par b\\par\\pard c\\sa-5 d}") << "<sb8><sa4>a / <sb8><sa4>b / cd";
        QTest::newRow("empty last paragraph keeps what was set before the brace")
            << QByteArray("{\\rtf1 a\\par\\pard\\qc\\sb120}") << "a / <C><sb8>";
        QTest::newRow("skipped: ignorable destinations, style sheet, information, header, footer, unknown words")
            << QByteArray("{\\rtf1 a{\\*\\generator W;}{\\*\\unknown s}{\\stylesheet{\\s0 N;}}{\\info{\\title T}}"
                          "{\\header H}{\\footer F}b\\foo12 c\\zzz-3 d\\expndtw10\\sl276\\slmult1 e}")
            << "abcde";
        QTest::newRow("picture skipped with its hex data, or binary data with braces")
            << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e47}b{\\pict\\bin5 {}}}{c}d}") << "abd";
        QTest::newRow("field instruction skipped, its result kept")
            << QByteArray("{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt page}} now}") << "see page now";
        QTest::newRow("extra closing braces keep the text after them")
            << QByteArray("{\\rtf1 one}} two}}") << "one two";
        QTest::newRow("missing closing braces") << QByteArray("{\\rtf1 {\\b one {\\i two") << "[b]one [b i]two";
        QTest::newRow("truncated inside a control word") << QByteArray("{\\rtf1 abc\\pa") << "abc";
        QTest::newRow("truncated inside a hex escape") << QByteArray("{\\rtf1 abc\\'e") << "abc";
        QTest::newRow("truncated after a backslash") << QByteArray("{\\rtf1 abc\\") << "abc";
        QTest::newRow("truncated inside the font table") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Ari") << "";
        QTest::newRow("hex escape without hex digits is text") << QByteArray("{\\rtf1 a\\'zzb\\'-1}") << "azzb-1";
        QTest::newRow("huge parameters held to their limits")
            << QByteArray("{\\rtf1\\fs99999999999999999999 big\\uc99999999999 \\u99999999 x}") << "[1638pt]big";
        QTest::newRow("binary count beyond the end") << QByteArray("{\\rtf1 a\\bin999999 xyz") << "a";
        QTest::newRow("very deep nesting")
            << QByteArray("{\\rtf1 ") + QByteArray(100000, '{') + "deep" + QByteArray(5, '}') + "end" << "deepend";
        QTest::newRow("control characters and line ends in text ignored, escaped ones dropped")
            << QByteArray("{\\rtf1 a\r\nb\x01\x7f" "c\td\\u2 e\\'01f\\u9?g}") << "abc\tdf\tg";
        QTest::newRow("white space before the header") << QByteArray("\r\n {\\rtf1 x}") << "x";
        QTest::newRow("not RTF: Windows-1252 text") << QByteArray("Line one\r\nCaf\xE9") << "Line one / Caf\u00e9";
        QTest::newRow("empty RTF") << QByteArray("{\\rtf1}") << "";
    }
    void reading()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QCOMPARE(readDescribed(rtf), expected);
    }

    // Every attribute the writer keeps, in 7-bit RTF, survives a save.
    void everyKeptFeatureSurvivesASave()
    {
        QTextDocument document;
        Rtf::read("{\\rtf1\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}{\\f2 Times New Roman;}}"
                  "{\\colortbl;\\red200\\green0\\blue10;\\red0\\green0\\blue255;}"
                  "Plain {\\b bold}{\\i italic}{\\ul under}{\\strike struck}\\par"
                  "\\qc{\\fs29 big}{\\cf1 red}{\\f1 mono}{\\b\\i\\ul\\fs16\\cf2\\f2 all}\\par"
                  "\\pard a\\tab b\\line c \\{braces\\} \\\\ back\\par "
                  "Caf\\'e9 \\'96 \\'80 20 \\~nbsp \\u937? \\u8364\\'80 \\u20013? \\u-10179?\\u-8704? 5?\\par"
                  "\\lquote x\\rquote \\emdash \\bullet\\par"
                  "\\qr right\\par\\pard\\qj\\sb120\\sa60 justified}",
                  document);
        QCOMPARE(describe(document),
                 QStringLiteral("Plain [b]bold[i]italic[u]under[s]struck / <C>[14.5pt]big[#c8000a]red[Courier New]mono"
                                "[b i u 8pt #0000ff Times New Roman]all / a\tb<br>c {braces} \\ back / "
                                "Caf\u00e9 \u2013 \u20ac 20 \u00a0nbsp \u03a9 \u20ac \u4e2d ")
                     + QString::fromUtf8("\xF0\x9F\x98\x80")
                     + QStringLiteral(" 5? / \u2018x\u2019\u2014\u2022 / <R>right / <J><sb8><sa4>justified"));
        QString copy;
        checkSavedCopy(document, &copy);
        QCOMPARE(copy, describe(document));
        const QByteArray saved = Rtf::write(document);
        QVERIFY(saved.contains("\\'e9") && saved.contains("\\u937?") && saved.contains("\\{braces\\} \\\\ back"));
    }

    void savingACopyGivesTheSameFile_data()
    {
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<QString>("tail"); // appended in a font of its own
        QTest::addColumn<QString>("tailFamily");
        QTest::newRow("empty document") << QByteArray() << QString() << QString();
        QTest::newRow("plain text ending in control characters") << QByteArray("Not RTF\r\n\x1f\x1f\x01") << "" << "";
        QTest::newRow("control characters alone in their own font")
            << QByteArray("{\\rtf1 a}") << "\x01\x02" << "Courier New";
        QTest::newRow("empty last paragraph with alignment and spacing")
            << QByteArray("{\\rtf1 a\\par\\pard\\qc\\sb120\\sa60}") << "" << "";
        QTest::newRow("font name outside 7-bit characters")
            << QByteArray("{\\rtf1 a}") << "b" << "Caf\u00e9 \u4e2d Sans";
        QTest::newRow("font name with braces, a tab and spaces around it")
            << QByteArray("{\\rtf1 a}") << "b" << " {Odd\tName} ";
        QTest::newRow("font name of braces alone") << QByteArray("{\\rtf1 a}") << "b" << "{}";
    }
    void savingACopyGivesTheSameFile()
    {
        QFETCH(QByteArray, read);
        QFETCH(QString, tail);
        QFETCH(QString, tailFamily);
        QTextDocument document;
        Rtf::read(read, document);
        QTextCursor end(&document);
        end.movePosition(QTextCursor::End);
        QTextCharFormat format;
        format.setFontFamilies(QStringList{tailFamily});
        if (!tail.isEmpty())
            end.insertText(tail, format);
        checkSavedCopy(document);
    }

    void shippedHelpDocumentSurvivesASave()
    {
        QFile file(QStringLiteral(KP_SOURCE_DIR "/docs/Kestrelpoint.hlp"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTextDocument shipped;
        Rtf::read(file.readAll(), shipped);
        QVERIFY(shipped.toPlainText().contains(QStringLiteral("Kestrelpoint")));
        QVERIFY(!shipped.toPlainText().contains(QRegularExpression(QStringLiteral("[\\\\{]"))));
        QString copy;
        checkSavedCopy(shipped, &copy);
        QCOMPARE(copy, describe(shipped));
    }
};

QTEST_MAIN(tst_Rtf)
#include "tst_rtf.moc"
