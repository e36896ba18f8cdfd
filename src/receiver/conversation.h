#pragma once

#include <QByteArray>
#include <QString>

class Clock;
class SerialChannel;

// A conversation with a receiver: the port is opened, one command line is
// written, the answer is collected until the receiver's prompt ">" or a time
// limit, and the port is closed. The limits count on the seconds-since-
// midnight clock from a mark rounded to the whole second (halves to even),
// so a wait ends between half a second early and half a second late, and a
// wait that crosses midnight ends at once.
namespace Conversation {

// The limits: A ends 0.5-1.5 s after the start, B 2.5-3.5 s, C's pure wait
// 0.5-1.5 s and its reading 1.5-2.5 s.
struct Limit
{
    double mark = 0;   // seconds since midnight
    double span = 1.0; // the loop goes on while |clock - mark| <= span
};
Limit limitA(const Clock &clock);
Limit limitB(const Clock &clock);
// Limit C: the mark is taken before the pure wait; the wait uses span 1.0
// and the reading after it span 2.0.
Limit limitC(const Clock &clock);
bool within(const Clock &clock, const Limit &limit);

// A command line: the text and one carriage return.
QByteArray commandLine(const QString &text);

// Where the prompt that ends an answer is looked for: anywhere, or (the
// carrier status) from character position 700 on.
inline constexpr int kPromptAnywhere = 1;
inline constexpr int kCarrierPromptFrom = 700;
bool answerEnded(const QByteArray &buffer, int promptFrom);
// The answer up to and including its first prompt (all of it without one):
// whatever came after the prompt in the same read belongs to no answer.
QByteArray answerThroughPrompt(const QByteArray &buffer);

// Reads into `buffer` until the prompt stands at or after `promptFrom`
// (1-based) or the limit passes. Sleeps in waitForReadyRead for the time
// left instead of spinning.
void collect(SerialChannel &channel, const Clock &clock, const Limit &limit, int promptFrom, QByteArray &buffer);
// Lets the limit pass without reading anything.
void pureWait(Clock &clock, const Limit &limit);

// Opens the port; on failure the channel's number and text are returned.
bool open(SerialChannel &channel, int port, const QString &lineSettings, int *errorNumber, QString *errorText);
// The error number in decimal, one space and the description.
QString portErrorText(const SerialChannel &channel);

} // namespace Conversation
