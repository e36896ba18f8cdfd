#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QTextDocument;

// A small reader and writer of the Rich Text Format, enough for the help
// document: paragraphs and their alignment, line breaks, tabs, bold,
// italic, underline, strike-out, font family and size, text colour,
// Windows-1252 characters (\'hh) and Unicode characters (\uN). What it does
// not know it skips without losing the text around it: unknown control
// words, ignorable destinations ({\*\...}), the style sheet, document
// information, pictures, headers and footers, embedded binary data.
namespace Rtf {
// Whether the bytes start like an RTF document ("{\rtf").
bool isRtf(QByteArrayView bytes);
// Replaces the document's content. Bytes that are not RTF are taken as
// plain Windows-1252 text. Malformed RTF (unbalanced braces, a truncated
// file, nonsense parameters) never fails: the text read so far is kept.
void read(QByteArrayView bytes, QTextDocument &document);
// The document as RTF, in 7-bit characters only.
QByteArray write(const QTextDocument &document);
}
