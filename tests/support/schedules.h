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

// The record as the schedule file holds it.
inline QByteArray recordBytes(const ScheduleRecord &r)
{
    return Codec::toWindows1252(BuildScheduleRecord(r));
}
