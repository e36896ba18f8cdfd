#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>

// The Eb/No log's line format, both ways. A reading is one line: the time
// "HH:MM:SS", then two spaces and the value with one receiver ("14:00:12  8.5"),
// or one space, the receiver tag "R1" or "R2", one space and the value with two
// ("14:00:12 R2 8.5"). The value is the receiver's own text, at most 20
// characters, or "None" when the receiver gave nothing.

// One line with its CR LF; nothing for a TwoReceivers other than 0 or 1.
std::optional<QByteArray> ebNoLogLine(const QTime &time, int twoReceivers, const QString &receiverTag,
                                      const QString &value);

struct EbNoLogLine
{
    int seconds = 0;    // the time of day, in seconds since midnight
    int receiver = 0;   // 0 for a line without a tag, else 1 or 2
    QStringView value;  // a view into the line that was read
};

// A line in either layout; nothing when its time is no time of day or its
// layout is neither (a line cut short by a power cut, a tag other than R1/R2).
std::optional<EbNoLogLine> readEbNoLogLine(QStringView line);

// The number a value begins with: spaces, tabs and line feeds are ignored
// wherever they stand, then an optional sign, digits with at most one decimal
// point and an exponent when digits follow it; what comes after ("dB") does
// not count. Nothing when the value does not begin with a digit ("None",
// "EbNo 9.5"). A number too large for a double is an infinity.
std::optional<double> ebNoLeadingNumber(QStringView value);

// The whole-number Eb/No the output bits compare: the leading number rounded
// with halves to even, 0 when there is none; held at the ends of the integer
// range.
int EbNoNumber(QStringView value);

// What the charts take as a reading in dB: the leading number, when it lies
// within what a receiver can report. "8.5dB" is 8.5 dB and "-3" is -3 dB (the
// carrier below the noise). "None", text before the number, and a number no
// receiver reports (a garbled "1234") are no reading: the charts show a gap.
inline constexpr double kLowestEbNo = -10.0;
inline constexpr double kHighestEbNo = 40.0;
std::optional<double> ebNoReading(QStringView value);
