#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>

#include <array>
#include <optional>

// The carrier-quality reading: the receiver's "R C" answer carries the Eb/No
// value at the end of its twelfth line.

// The value as logged: the twelfth line of the answer, cut to its last 20
// characters, without line breaks and without spaces at either end; "None"
// when nothing is left (a short answer or no answer at all).
QString EbNoValue(const QByteArray &answer);

// The whole-number Eb/No of a logged value: its leading number (spaces, tabs
// and line feeds ignored wherever they stand; sign, digits, one decimal
// point, exponent), rounded with halves to even; 0 when it starts with no
// number, as "None" does. Values beyond the integer range are held at its ends.
int EbNoNumber(const QString &value);

// One line of the Eb/No log with its CR LF: "HH:MM:SS  8.5" with one
// receiver, "HH:MM:SS R2 8.5" with two. Nothing for any other TwoReceivers.
std::optional<QByteArray> ebNoLogLine(const QTime &time, int twoReceivers, const QString &receiverTag,
                                      const QString &value);

// Output bit 3 tells that receiver 1 has the better carrier, bit 4 receiver 2;
// a tie goes to receiver 1.
void setBetterReceiverBits(std::array<int, 8> &portBits, int lastEbNo1, int lastEbNo2);
