#pragma once

#include <QString>

#include <array>

inline constexpr int kRecordLength = 96;
inline constexpr int MaxSchedules = 999;

// One schedule: a fixed 96-character record of SwitchList.dat.
// Day d (0 = Sunday ... 6 = Saturday) of SwitchTime starts at position 41 + 8d.
struct ScheduleRecord
{
    QString InUse;        // "1" in use; anything else is a free slot
    QString PgmName;      // 25 characters, leading spaces removed, padded
    QString SatLen;       // "MM:SS" or five spaces
    QString SatLang;      // source code, 3 characters
    QString SatPort;      // audio port "1"-"6" or a space
    QString SatRoute;     // "0" Left, "1" Right, "2" Stereo, "3" Rev Stereo
    QString SatAtt;       // attenuation "0"-"14", left-aligned in 2
    int RemoteStart = 0;  // 1 none, 2 momentary, 3 hold for the length; 0 unset
    int Receiver = 0;     // 1 or 2; 0 unset
    std::array<QString, 7> SwitchTime; // "HH:MM:SS" or blank, 8 characters

    bool inUse() const { return InUse == QLatin1String("1"); }
};

// Splits a record. For a record not in use only InUse is filled.
ScheduleRecord ParseScheduleRecord(const QString &record);
// Builds the 96 characters by the fixed-width rule, with InUse "1". A
// RemoteStart or Receiver of 0 is stored as a space.
QString BuildScheduleRecord(const ScheduleRecord &values);
// "1" and 95 spaces: what a new schedule starts as.
QString FreshScheduleRecord();
// A text cut or padded with spaces to the width.
QString fixedWidth(const QString &text, int width);
// The numeric value of a one-character field: the digit, or 0.
int digitValue(QChar c);
// The value of a numeric field such as the attenuation: leading spaces
// skipped, then the digits up to the first non-digit; 0 for none.
int leadingNumber(const QString &text);
QString withoutLeadingSpaces(const QString &text);
// A field without the trailing spaces that only pad it to its width.
QString withoutPadding(const QString &field);
