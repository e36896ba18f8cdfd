#pragma once

// The two contents the power-cut writer alternates between. Every byte that
// can differ between the two does, so a file that holds part of each shows.

#include "schedule/schedulerecord.h"
#include "settings/stationsettings.h"

#include <QStringList>

namespace PowerCut {

// The records the writer rewrites. Records 43 and 86 lie across a page
// boundary (4096 and 8192 bytes), where a write in place is copied in two
// steps.
inline const QList<int> kRecords = {1, 2, 43, 86};
inline constexpr int kRecordCount = 86;

inline ScheduleRecord schedule(int content, int n)
{
    ScheduleRecord r;
    const bool first = content == 0;
    r.PgmName = (first ? QStringLiteral("Morning Service %1") : QStringLiteral("EVENING NEWS ROUNDUP %1"))
                    .arg(n, 2, 10, QLatin1Char('0'));
    r.SatLen = first ? QStringLiteral("05:30") : QStringLiteral("59:07");
    r.SatLang = first ? QStringLiteral("ENG") : QStringLiteral("SPA");
    r.SatPort = first ? QStringLiteral("2") : QStringLiteral("6");
    r.SatRoute = first ? QStringLiteral("2") : QStringLiteral("3");
    r.SatAtt = first ? QStringLiteral("7") : QStringLiteral("14");
    r.RemoteStart = first ? 1 : 3;
    r.Receiver = first ? 1 : 2;
    for (int d = 0; d < 7; ++d)
        r.SwitchTime[d] = first ? QStringLiteral("0%1:00:00").arg(d) : QStringLiteral("2%1:59:59").arg(d % 4);
    return r;
}

inline StationSettings settings(int content)
{
    StationSettings s;
    const bool first = content == 0;
    s.Receiver1Port = first ? 1 : 2;
    s.BaudChoice = first ? 1 : 2;
    s.ActivityLogOn = first ? 1 : 0;
    s.EbNoRate = first ? 5 : 3;
    s.MpegLogOn = first;
    s.RemoteControlOn = first;
    s.EbNoKeep = first ? QStringLiteral("w") : QStringLiteral("d");
    s.TwoReceivers = first ? 0 : 1;
    s.Receiver2Port = first ? 2 : 3;
    s.ReceiverModel = first ? QStringLiteral("0") : QStringLiteral("1");
    s.ClockResetTime = first ? QStringLiteral("54:30") : QStringLiteral("12:45");
    return s;
}

inline QStringList sourceCodes(int content)
{
    return content == 0 ? QStringList{QStringLiteral("ENG"), QStringLiteral("SPA")}
                        : QStringList{QStringLiteral("FRE"), QStringLiteral("GER"), QStringLiteral("ITA")};
}

} // namespace PowerCut
