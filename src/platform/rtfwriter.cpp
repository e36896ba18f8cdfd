#include "rtf.h"

#include "codec.h"
#include "rtfvocabulary.h"

#include <QColor>
#include <QList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <optional>

using namespace Rtf::Vocabulary;

namespace {

// A family as the font table can hold it: names end at ';', may not open or
// close groups and hold no control characters or breaks, and the reader
// trims the spaces around a name.
QString fontName(const QString &family)
{
    QString clean;
    for (const QChar ch : family) {
        const char16_t u = ch.unicode();
        if (u == ';' || u == '{' || u == '}' || u == '\\' || u < 0x20 || u == 0x7F || u == kLineSeparator
            || u == kParagraphSeparator || u == kObjectReplacement)
            continue;
        clean += ch;
    }
    return clean.trimmed();
}

// Everything of a fragment's format that the writer keeps, as a font and
// colour table index each.
struct Tables
{
    QStringList fonts;   // font n+1; font 0 is the default
    QList<QColor> colours;  // colour n+1; colour 0 is automatic

    int fontIndex(const QTextCharFormat &format) const
    {
        const QStringList families = format.fontFamilies().toStringList();
        return families.isEmpty() ? 0 : int(fonts.indexOf(fontName(families.first()))) + 1;
    }
    int colourIndex(const QTextCharFormat &format) const
    {
        if (format.foreground().style() == Qt::NoBrush)
            return 0;
        return int(colours.indexOf(format.foreground().color())) + 1;
    }
};

void appendText(QByteArray &out, const QString &text);

Tables collectTables(const QTextDocument &document)
{
    Tables tables;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QByteArray text;
            appendText(text, it.fragment().text());
            if (text.isEmpty())
                continue;  // not written, so its font and colour are not needed
            const QTextCharFormat format = it.fragment().charFormat();
            const QStringList families = format.fontFamilies().toStringList();
            const QString family = families.isEmpty() ? QString() : fontName(families.first());
            if (!family.isEmpty() && !tables.fonts.contains(family))
                tables.fonts.append(family);
            if (format.foreground().style() != Qt::NoBrush) {
                const QColor colour = format.foreground().color();
                if (!tables.colours.contains(colour))
                    tables.colours.append(colour);
            }
        }
    }
    return tables;
}

void appendText(QByteArray &out, const QString &text)
{
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == kLineSeparator) {
            out += "\\line ";
        } else if (u == kParagraphSeparator) {
            out += "\\par ";
        } else if (u == kNoBreakSpace) {
            out += "\\~";
        } else if (u == kSoftHyphen) {
            out += "\\-";
        } else if (u == kNoBreakHyphen) {
            out += "\\_";
        } else if (u >= 0x20 && u < 0x7F) {
            out += char(u);
        } else if (u < 0x20 || u == 0x7F || u == kObjectReplacement) {
            continue;
        } else if (const QByteArray byte = Codec::toWindows1252(QStringView(&ch, 1)); byte != "?") {
            out += "\\'" + QByteArray::number(static_cast<unsigned char>(byte.at(0)), 16).rightJustified(2, '0');
        } else {
            // \u takes a signed 16-bit value; '?' stands in for older readers.
            out += "\\u" + QByteArray::number(qint16(u)) + '?';
        }
    }
}

QByteArray formatWords(const QTextCharFormat &format, const Tables &tables)
{
    QByteArray words;
    if (format.fontWeight() > QFont::Normal)
        words += "\\b";
    if (format.fontItalic())
        words += "\\i";
    if (format.fontUnderline())
        words += "\\ul";
    if (format.fontStrikeOut())
        words += "\\strike";
    if (const int font = tables.fontIndex(format))
        words += "\\f" + QByteArray::number(font);
    if (format.fontPointSize() > 0)
        words += "\\fs" + QByteArray::number(qRound(format.fontPointSize() * 2));
    if (const int colour = tables.colourIndex(format))
        words += "\\cf" + QByteArray::number(colour);
    return words;
}

QByteArray paragraphWords(const QTextBlockFormat &format)
{
    QByteArray words;
    if (format.topMargin() > 0)
        words += "\\sb" + QByteArray::number(qRound(format.topMargin() * kTwipsPerPixel));
    if (format.bottomMargin() > 0)
        words += "\\sa" + QByteArray::number(qRound(format.bottomMargin() * kTwipsPerPixel));
    return words;
}

QByteArray alignmentWord(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignHCenter)
        return "\\qc";
    if (alignment & Qt::AlignJustify)
        return "\\qj";
    if (alignment & (Qt::AlignRight | Qt::AlignTrailing))
        return "\\qr";
    return {};
}

} // namespace

QByteArray Rtf::write(const QTextDocument &document)
{
    const Tables tables = collectTables(document);
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fswiss MS Sans Serif;}";
    for (int i = 0; i < tables.fonts.size(); ++i) {
        // Escaped like text, so a name outside 7-bit characters stays 7-bit.
        QByteArray name;
        appendText(name, tables.fonts.at(i));
        out += "{\\f" + QByteArray::number(i + 1) + "\\fnil " + name + ";}";
    }
    out += "}\n{\\colortbl ;";
    for (const QColor &colour : tables.colours)
        out += "\\red" + QByteArray::number(colour.red()) + "\\green" + QByteArray::number(colour.green())
               + "\\blue" + QByteArray::number(colour.blue()) + ';';
    out += "}\n";

    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        out += "\\pard" + alignmentWord(block.blockFormat().alignment()) + paragraphWords(block.blockFormat());
        // Neighbouring fragments that differ only in what the file does not
        // keep share one group, as they will share one fragment when read.
        std::optional<QByteArray> groupWords;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QByteArray text;
            appendText(text, fragment.text());
            // A fragment of control characters alone leaves nothing to
            // write; an empty group would not read back as a fragment.
            if (text.isEmpty())
                continue;
            const QByteArray words = formatWords(fragment.charFormat(), tables);
            if (groupWords != words) {
                if (groupWords)
                    out += '}';
                out += '{';
                if (!words.isEmpty())
                    out += words + ' ';
                groupWords = words;
            }
            out += text;
        }
        if (groupWords)
            out += '}';
        if (block.next().isValid())
            out += "\\par\n";
    }
    out += "}\n";
    return out;
}
