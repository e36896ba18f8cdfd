#pragma once

#include "platform/codec.h"
#include "schedule/schedulerecord.h"

// The schedule the switching tests use: source ENG on audio port 2, Stereo,
// attenuation 7, so a model 4K receiver gets "SETAUDIO 2 S ENG 7  ".
inline ScheduleRecord stereoEnglish(const QString &name, int receiver = 1, int remoteStart = 1,
                                    const QString &length = QStringLiteral("05:30"))
{
    ScheduleRecord r;
    r.PgmName = name;
    r.SatLen = length;
    r.SatLang = QStringLiteral("ENG");
    r.SatPort = QStringLiteral("2");
    r.SatRoute = QStringLiteral("2");
    r.SatAtt = QStringLiteral("7");
    r.RemoteStart = remoteStart;
    r.Receiver = receiver;
    return r;
}

// A schedule by name, receiver and switch times (Sunday first), the rest of
// its fields blank as a new schedule's are.
inline ScheduleRecord schedule(const QString &name, int receiver = 1, const std::array<QString, 7> &times = {})
{
    ScheduleRecord r;
    r.PgmName = name;
    r.Receiver = receiver;
    r.SwitchTime = times;
    return r;
}

// The same switch time on one day (0 Sunday ... 6 Saturday), or every day.
inline std::array<QString, 7> onDay(int day, const QString &time)
{
    std::array<QString, 7> times;
    times[day] = time;
    return times;
}
inline std::array<QString, 7> everyDay(const QString &time)
{
    std::array<QString, 7> times;
    times.fill(time);
    return times;
}

// The record as the schedule file holds it.
inline QByteArray recordBytes(const ScheduleRecord &r)
{
    return Codec::toWindows1252(BuildScheduleRecord(r));
}
