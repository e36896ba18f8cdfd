#include "conflicts.h"

#include "station/station.h"

namespace {
constexpr int kMomentLength = 12;
}

QStringList CheckScheduleConflicts(const QList<SwitchEntry> &switchList)
{
    QStringList lines;
    for (qsizetype i = 0; i + 1 < switchList.size(); ++i) {
        const QString first = switchList.at(i).displayLine();
        const QString second = switchList.at(i + 1).displayLine();
        if (first.left(kMomentLength) == second.left(kMomentLength)) {
            lines.append(first);
            lines.append(second);
        }
    }
    return lines;
}

QStringList CheckScheduleConflicts(const Station &station, int receiver)
{
    return CheckScheduleConflicts(station.switchList(receiver));
}
