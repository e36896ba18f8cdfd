#pragma once

#include "station/switchlist.h"

#include <QStringList>

class Station;

// Two switches of one receiver at the same weekday and second: the receiver
// can only take one of them. Neighbouring entries of the chronological list
// are compared by their first twelve characters ("Mon 06:00:00"), which name
// the moment uniquely within the seven days a list covers. Each clashing
// pair is reported as both full lines, so three at one moment, A, B and C,
// give A, B, B, C.
QStringList CheckScheduleConflicts(const QList<SwitchEntry> &switchList);
// The receiver's list as the last build left it.
QStringList CheckScheduleConflicts(const Station &station, int receiver);
