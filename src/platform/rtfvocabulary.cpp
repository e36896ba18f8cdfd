#include "rtfvocabulary.h"

#include <QByteArray>
#include <QHash>
#include <QSet>

namespace Rtf::Vocabulary {

bool isSkippedDestination(QByteArrayView name)
{
    static const QSet<QByteArray> names = {
        "stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf", "footer",
        "footerl", "footerr", "footerf", "footnote", "listtable", "listoverridetable", "revtbl",
        "rsidtbl", "generator", "xmlnstbl", "themedata", "colorschememapping", "latentstyles",
        "datastore", "fldinst", "falt", "filetbl", "pgdsctbl", "nonshppict", "shppict", "bkmkstart",
        "bkmkend", "private", "template", "comment", "annotation", "atnid", "atnauthor", "pn",
        "pntext", "listtext", "fchars", "lchars", "mmathPr", "userprops", "docvar", "objdata",
        "result", "shpinst", "sp", "do", "wgrffmtfilter", "panose", "fname", "keywords", "operator",
    };
    return names.contains(QByteArray(name.data(), name.size()));
}

char16_t namedCharacter(QByteArrayView name)
{
    static const QHash<QByteArray, char16_t> names = {
        {"emdash", 0x2014},    {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},
        {"rquote", 0x2019},    {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
        {"enspace", 0x2002},   {"qmspace", 0x2005},   {"zwj", 0x200D},       {"zwnj", 0x200C},
        {"ltrmark", 0x200E},   {"rtlmark", 0x200F},
    };
    return names.value(QByteArray(name.data(), name.size()), 0);
}

bool isUnderlineOn(QByteArrayView name)
{
    static const QSet<QByteArray> kinds = {"uld",    "uldash", "uldashd", "uldashdd", "uldb",
                                           "ulhwave", "ulldash", "ulth",   "ulthd",    "ulthdash",
                                           "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave",
                                           "ulw",    "ulwave"};
    return kinds.contains(QByteArray(name.data(), name.size()));
}

} // namespace Rtf::Vocabulary
