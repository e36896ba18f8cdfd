#pragma once

#include "station/ebnolog.h"

#include <QByteArray>
#include <QString>

#include <array>

// The carrier-quality reading: the receiver's "R C" answer carries the Eb/No
// value at the end of its twelfth line.

// The value as logged: the twelfth line of the answer, cut to its last 20
// characters, without line breaks and without spaces at either end; "None"
// when nothing is left (a short answer or no answer at all).
QString EbNoValue(const QByteArray &answer);

// The log line and the value's whole number (EbNoNumber) belong to the log's
// format, in station/ebnolog.h.

// Output bit 3 tells that receiver 1 has the better carrier, bit 4 receiver 2;
// a tie goes to receiver 1.
void setBetterReceiverBits(std::array<int, 8> &portBits, int lastEbNo1, int lastEbNo2);
