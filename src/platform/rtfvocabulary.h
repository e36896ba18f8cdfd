#pragma once

#include <QByteArrayView>

// What the reader and the writer of the help document's rich text agree on:
// the characters some control words stand for, and the units.
namespace Rtf::Vocabulary {
constexpr double kTwipsPerPixel = 15.0;  // at 96 dots per inch
constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char16_t kNoBreakSpace = 0x00A0;
constexpr char16_t kSoftHyphen = 0x00AD;
constexpr char16_t kNoBreakHyphen = 0x2011;
constexpr char16_t kObjectReplacement = 0xFFFC;

// Destinations whose content is never text of the document.
bool isSkippedDestination(QByteArrayView name);
// The character a control word such as \emdash stands for; 0 for none.
char16_t namedCharacter(QByteArrayView name);
// The underline kinds other than \ul itself.
bool isUnderlineOn(QByteArrayView name);
} // namespace Rtf::Vocabulary
