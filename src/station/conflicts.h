#pragma once

#include "station/switchlist.h"

#include <QStringList>

class Station;

// Two switches of one receiver that it cannot both carry out: at the same
// second, or closer than the lead with which the receiver is sent its command
// (15 s for receiver 1, 10 s for receiver 2), so that the later one's command
// goes out late. Neighbouring entries of the chronological list are compared;
// each clashing pair is reported as both full lines, so three at one moment,
// A, B and C, give A, B, B, C.
QStringList CheckScheduleConflicts(const QList<SwitchEntry> &switchList, int receiver);
// The receiver's list as the last build left it.
QStringList CheckScheduleConflicts(const Station &station, int receiver);
