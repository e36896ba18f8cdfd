#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class ScheduleStore;

// True when the text's third character is ':', the mark of a day that switches.
bool hasTimeSeparator(const QString &timeText);
// Seconds since midnight of a switch time "HH:MM:SS" (or "HH:MM"); nothing
// when the text is not a time of day, such as "25:00:00" or "ab:cd:ef".
std::optional<int> TimeTextToSeconds(const QString &workText);
// The countdown text: " 1:02:05", "00:59", "10:00:00", "146:00:00".
QString FormatCountdown(int secondsToSwitch);

// One coming switch: a schedule at an instant. sortText is "YYYYMMDD
// HH:MM:SS " + the 25-character name; the list is ordered by the instant,
// then by the name without regard to case.
struct SwitchEntry
{
    QString sortText;
    int record = 0;
    QDate date;
    int seconds = 0;
    // The instant the local clock first reads the date and time (absolute,
    // in UTC). When a spring change skips that reading, occurs is false and
    // the instant is the one the clock jumps over it.
    QDateTime at;
    bool occurs = true;

    // "Sun 06:05:00 Morning                  ": the line the main window shows.
    QString displayLine() const;
};

// The first switch of a receiver's list. NextRecord 0 means none; a build
// that finds nothing changes only NextRecord.
struct NextSwitch
{
    int NextRecord = 0;
    QDate NextSwitchDate;
    int NextSwitchSeconds = 0;
    QString NextSwitchName;
    QDateTime NextSwitchAt; // the instant, as SwitchEntry::at
};

struct SwitchListBuild
{
    QList<SwitchEntry> entries;
    // One text per switch time that has ':' in third place but is no time.
    QStringList badTimes;
};

// The switches of one receiver in the seven days from `now`'s date: the
// times of today still to come, the next six days, and today's times whose
// instant has come moved to the same weekday next week. With one receiver
// (TwoReceivers 0) every schedule in use belongs to receiver 1; otherwise
// receiver 1 takes the schedules of receiver 1 and receiver 2 those of
// receiver 2.
SwitchListBuild BuildSwitchList(const ScheduleStore &store, int receiver, int twoReceivers, const QDateTime &now);
// Takes the first entry of a build as the next switch.
void takeNextSwitch(const ScheduleStore &store, const QList<SwitchEntry> &entries, NextSwitch &next);
