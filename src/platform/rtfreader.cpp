#include "rtf.h"

#include "codec.h"
#include "rtfvocabulary.h"

#include <QColor>
#include <QList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <optional>

using namespace Rtf::Vocabulary;

namespace {

constexpr int kMaxDepth = 256;        // deeper groups share the state of the deepest
constexpr int kMaxWordLength = 32;
constexpr int kMaxParamDigits = 10;
constexpr int kDefaultHalfPoints = 24;  // what \fs without a value means
constexpr int kMaxHalfPoints = 3276;    // 1638 points, the format's own limit
constexpr int kMaxSpace = 31680;        // 22 inches of space around a paragraph

struct CharState
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int halfPoints = 0;  // 0: the widget's own size
    int colour = 0;      // index into the colour table; 0 is the automatic colour
    int font = -1;       // -1 or the default font: the widget's own family

    bool operator==(const CharState &) const = default;
};

enum class Destination { Text, Skip, FontTable, ColourTable };

struct ParagraphState
{
    Qt::Alignment alignment = Qt::AlignLeft;
    int spaceBefore = 0;  // twips
    int spaceAfter = 0;   // twips
};

struct GroupState
{
    CharState chars;
    ParagraphState paragraph;
    Destination destination = Destination::Text;
    int unicodeSkip = 1;  // \ucN: characters standing in for each \uN
};

class Reader
{
public:
    // Starts at the document's opening brace.
    Reader(QByteArrayView bytes, QTextDocument &document)
        : m_in(bytes), m_pos(std::max<qsizetype>(bytes.indexOf('{'), 0)), m_cursor(&document)
    {
    }

    void run()
    {
        while (m_pos < m_in.size()) {
            const char c = m_in[m_pos];
            if (c == '{') {
                ++m_pos;
                openGroup();
            } else if (c == '}') {
                ++m_pos;
                closeGroup();
            } else if (c == '\\') {
                ++m_pos;
                controlSequence();
            } else {
                ++m_pos;
                textByte(static_cast<unsigned char>(c));
            }
        }
        flush();
        // The last paragraph has no \par: its properties are those of its
        // text, or for an empty one those in force before the document's
        // closing brace, not those left after it.
        m_cursor.setBlockFormat(blockFormat(m_textParagraph.value_or(m_documentEnd.value_or(m_state.paragraph))));
    }

private:
    void openGroup()
    {
        m_unicodeFallback = 0;
        if (m_stack.size() >= kMaxDepth) {
            ++m_overflow;
            return;
        }
        m_stack.append(m_state);
    }

    void closeGroup()
    {
        m_unicodeFallback = 0;
        if (m_overflow > 0) {
            --m_overflow;
            return;
        }
        // A closing brace too many is ignored, so the text after it is kept.
        if (m_stack.isEmpty())
            return;
        if (m_state.destination == Destination::FontTable)
            commitFont();
        if (m_stack.size() == 1)
            m_documentEnd = m_state.paragraph;
        m_state = m_stack.takeLast();
    }

    void controlSequence()
    {
        if (m_pos >= m_in.size())
            return;
        const char c = m_in[m_pos];
        if (isLetter(c)) {
            controlWord();
            return;
        }
        ++m_pos;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            character(QChar::fromLatin1(c));
            break;
        case '~':
            character(QChar(kNoBreakSpace));
            break;
        case '-':
            character(QChar(kSoftHyphen));
            break;
        case '_':
            character(QChar(kNoBreakHyphen));
            break;
        case '*':
            m_state.destination = Destination::Skip;
            break;
        case '\'':
            hexCharacter();
            break;
        case '\r':
        case '\n':
            word("par", false, 0);
            break;
        default:
            break;
        }
    }

    void hexCharacter()
    {
        if (m_pos + 2 > m_in.size()) {
            m_pos = m_in.size();
            return;
        }
        const int high = hexValue(m_in[m_pos]);
        const int low = hexValue(m_in[m_pos + 1]);
        // Not two hex digits: the bytes are read again as text.
        if (high < 0 || low < 0)
            return;
        m_pos += 2;
        const char byte = char(high * 16 + low);
        character(Codec::fromWindows1252(QByteArrayView(&byte, 1)).at(0));
    }

    void controlWord()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_in.size() && isLetter(m_in[m_pos]) && m_pos - start < kMaxWordLength)
            ++m_pos;
        const QByteArrayView name = m_in.sliced(start, m_pos - start);
        // Letters beyond the longest word the format allows are dropped.
        while (m_pos < m_in.size() && isLetter(m_in[m_pos]))
            ++m_pos;
        bool negative = false;
        if (m_pos + 1 < m_in.size() && m_in[m_pos] == '-' && isDigit(m_in[m_pos + 1])) {
            negative = true;
            ++m_pos;
        }
        bool hasParam = false;
        qint64 param = 0;
        int digits = 0;
        while (m_pos < m_in.size() && isDigit(m_in[m_pos])) {
            if (digits < kMaxParamDigits)
                param = param * 10 + (m_in[m_pos] - '0');
            ++digits;
            hasParam = true;
            ++m_pos;
        }
        if (m_pos < m_in.size() && m_in[m_pos] == ' ')
            ++m_pos;
        param = std::clamp<qint64>(negative ? -param : param, -2147483647, 2147483647);
        word(name, hasParam, int(param));
    }

    void word(QByteArrayView name, bool hasParam, int param)
    {
        if (name == "bin") {
            // Binary data: its bytes are skipped whatever they hold.
            m_pos += std::min<qint64>(hasParam ? std::max(param, 0) : 0, m_in.size() - m_pos);
            return;
        }
        if (m_state.destination == Destination::Skip)
            return;
        if (name == "u") {
            unicodeCharacter(param);
            return;
        }
        // Any other control word ends a \u fallback early.
        m_unicodeFallback = 0;
        if (isSkippedDestination(name)) {
            m_state.destination = Destination::Skip;
            return;
        }
        const bool on = !hasParam || param != 0;
        CharState &ch = m_state.chars;
        if (name == "fonttbl") {
            m_state.destination = Destination::FontTable;
        } else if (name == "colortbl") {
            m_state.destination = Destination::ColourTable;
            m_colours.clear();
            m_red = m_green = m_blue = -1;
        } else if (m_state.destination == Destination::FontTable) {
            if (name == "f") {
                commitFont();
                m_fontIndex = param;
            }
        } else if (m_state.destination == Destination::ColourTable) {
            if (name == "red")
                m_red = std::clamp(param, 0, 255);
            else if (name == "green")
                m_green = std::clamp(param, 0, 255);
            else if (name == "blue")
                m_blue = std::clamp(param, 0, 255);
        } else if (name == "deff") {
            m_defaultFont = param;
        } else if (name == "par" || name == "sect" || name == "page") {
            endParagraph();
        } else if (name == "line") {
            character(QChar(kLineSeparator));
        } else if (name == "tab") {
            character(QLatin1Char('\t'));
        } else if (name == "b") {
            ch.bold = on;
        } else if (name == "i") {
            ch.italic = on;
        } else if (name == "strike") {
            ch.strike = on;
        } else if (name == "ul") {
            ch.underline = on;
        } else if (name == "ulnone") {
            ch.underline = false;
        } else if (isUnderlineOn(name)) {
            ch.underline = on;
        } else if (name == "fs") {
            ch.halfPoints = (hasParam && param > 0) ? std::min(param, kMaxHalfPoints) : kDefaultHalfPoints;
        } else if (name == "cf") {
            ch.colour = std::max(param, 0);
        } else if (name == "f") {
            ch.font = param;
        } else if (name == "plain") {
            ch = CharState{};
        } else if (name == "pard") {
            m_state.paragraph = ParagraphState{};
        } else if (name == "ql") {
            m_state.paragraph.alignment = Qt::AlignLeft;
        } else if (name == "qr") {
            m_state.paragraph.alignment = Qt::AlignRight;
        } else if (name == "qc") {
            m_state.paragraph.alignment = Qt::AlignHCenter;
        } else if (name == "qj") {
            m_state.paragraph.alignment = Qt::AlignJustify;
        } else if (name == "sb") {
            m_state.paragraph.spaceBefore = std::clamp(param, 0, kMaxSpace);
        } else if (name == "sa") {
            m_state.paragraph.spaceAfter = std::clamp(param, 0, kMaxSpace);
        } else if (name == "uc") {
            m_state.unicodeSkip = std::clamp(param, 0, 8);
        } else if (const char16_t named = namedCharacter(name)) {
            character(QChar(named));
        }
    }

    void unicodeCharacter(int param)
    {
        const int unit = param < 0 ? param + 65536 : param;
        if (unit > 0 && unit <= 0xFFFF)
            character(QChar(char16_t(unit)));
        m_unicodeFallback = m_state.unicodeSkip;
    }

    void textByte(unsigned char b)
    {
        if (b == '\r' || b == '\n')
            return;
        if (b == '\t') {
            character(QLatin1Char('\t'));
            return;
        }
        if (b < 0x20 || b == 0x7F)
            return;
        const char byte = char(b);
        // Text bytes are the document's 8-bit character set.
        const QChar ch = Codec::fromWindows1252(QByteArrayView(&byte, 1)).at(0);
        if (m_unicodeFallback > 0) {
            --m_unicodeFallback;
            return;
        }
        destinationCharacter(ch);
    }

    // A character from an escape: it may be the stand-in after \uN.
    void character(QChar ch)
    {
        if (m_unicodeFallback > 0) {
            --m_unicodeFallback;
            return;
        }
        destinationCharacter(ch);
    }

    void destinationCharacter(QChar ch)
    {
        switch (m_state.destination) {
        case Destination::Text:
            // Control characters, however escaped, are no text of a document.
            if ((ch.unicode() < 0x20 && ch != QLatin1Char('\t')) || ch.unicode() == 0x7F)
                break;
            if (!m_pending.isEmpty() && m_pendingState != m_state.chars)
                flush();
            m_pendingState = m_state.chars;
            m_pending.append(ch);
            m_textParagraph = m_state.paragraph;
            break;
        case Destination::FontTable:
            if (ch == QLatin1Char(';'))
                commitFont();
            else
                m_fontName.append(ch);
            break;
        case Destination::ColourTable:
            if (ch == QLatin1Char(';')) {
                m_colours.append(m_red < 0 && m_green < 0 && m_blue < 0
                                     ? QColor()
                                     : QColor(std::max(m_red, 0), std::max(m_green, 0), std::max(m_blue, 0)));
                m_red = m_green = m_blue = -1;
            }
            break;
        case Destination::Skip:
            break;
        }
    }

    void commitFont()
    {
        const QString name = m_fontName.trimmed();
        if (m_fontIndex >= 0 && !name.isEmpty())
            m_fonts.insert(m_fontIndex, name);
        m_fontIndex = -1;
        m_fontName.clear();
    }

    void endParagraph()
    {
        flush();
        m_cursor.setBlockFormat(blockFormat(m_state.paragraph));
        m_cursor.insertBlock();
        m_textParagraph.reset();
    }

    static QTextBlockFormat blockFormat(const ParagraphState &paragraph)
    {
        QTextBlockFormat format;
        format.setAlignment(paragraph.alignment);
        if (paragraph.spaceBefore > 0)
            format.setTopMargin(paragraph.spaceBefore / kTwipsPerPixel);
        if (paragraph.spaceAfter > 0)
            format.setBottomMargin(paragraph.spaceAfter / kTwipsPerPixel);
        return format;
    }

    QTextCharFormat charFormat(const CharState &ch) const
    {
        QTextCharFormat format;
        if (ch.bold)
            format.setFontWeight(QFont::Bold);
        if (ch.italic)
            format.setFontItalic(true);
        if (ch.underline)
            format.setFontUnderline(true);
        if (ch.strike)
            format.setFontStrikeOut(true);
        if (ch.halfPoints > 0)
            format.setFontPointSize(ch.halfPoints / 2.0);
        if (ch.colour > 0 && ch.colour < m_colours.size() && m_colours.at(ch.colour).isValid())
            format.setForeground(m_colours.at(ch.colour));
        if (ch.font >= 0 && ch.font != m_defaultFont && m_fonts.contains(ch.font))
            format.setFontFamilies(QStringList{m_fonts.value(ch.font)});
        return format;
    }

    void flush()
    {
        if (m_pending.isEmpty())
            return;
        m_cursor.insertText(m_pending, charFormat(m_pendingState));
        m_pending.clear();
    }

    static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c)
    {
        if (isDigit(c))
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    QByteArrayView m_in;
    qsizetype m_pos;
    QTextCursor m_cursor;
    GroupState m_state;
    QList<GroupState> m_stack;
    int m_overflow = 0;
    int m_unicodeFallback = 0;
    std::optional<ParagraphState> m_textParagraph;
    std::optional<ParagraphState> m_documentEnd;

    QString m_pending;
    CharState m_pendingState;

    int m_defaultFont = 0;
    QHash<int, QString> m_fonts;
    int m_fontIndex = -1;
    QString m_fontName;
    QList<QColor> m_colours;
    int m_red = -1;
    int m_green = -1;
    int m_blue = -1;
};

} // namespace

bool Rtf::isRtf(QByteArrayView bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\t'))
        ++i;
    return bytes.sliced(i).startsWith("{\\rtf");
}

void Rtf::read(QByteArrayView bytes, QTextDocument &document)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    if (isRtf(bytes)) {
        Reader(bytes, document).run();
    } else {
        QString text = Codec::fromWindows1252(bytes);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        document.setPlainText(text);
    }
    document.setUndoRedoEnabled(undo);
}
