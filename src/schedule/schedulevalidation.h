#pragma once

#include <QList>
#include <QString>

#include <array>
#include <optional>

class ScheduleStore;

// What the schedule editor checks before it stores a schedule, and the list
// of schedules it offers.

// A program length: five spaces (none given) or "MM:SS" with minutes and
// seconds 00 to 59. The text is cut or padded to five characters first.
bool isLengthText(const QString &lengthText);
// A day's switch time: eight spaces (no switch that day) or "HH:MM:SS" of a
// real time of day. The text is cut or padded to eight characters first.
bool isSwitchTimeText(const QString &timeText);

QString lengthMessage();
// Day 0 is Sunday.
QString switchTimeMessage(int day);

// The first refusal in the order the operator is told: the length, then the
// days from Sunday to Saturday. Nothing when the schedule may be stored.
std::optional<QString> ScheduleInputError(const QString &lengthText, const std::array<QString, 7> &dayTimes);

struct ScheduleListEntry
{
    QString PgmName;  // 25 characters, as the record holds it
    int ScheduleNumber = 0;
};

// Every schedule in use, alphabetical by name without regard to case;
// schedules of the same name in record-number order.
QList<ScheduleListEntry> BuildScheduleList(const ScheduleStore &store);
