#include "conflicts.h"

#include "station/station.h"

QStringList CheckScheduleConflicts(const QList<SwitchEntry> &switchList, int receiver)
{
    const qint64 lead = receiver == 2 ? 10 : 15;
    QStringList lines;
    for (qsizetype i = 0; i + 1 < switchList.size(); ++i) {
        const SwitchEntry &first = switchList.at(i);
        const SwitchEntry &second = switchList.at(i + 1);
        if (first.at.secsTo(second.at) < lead) {
            lines.append(first.displayLine());
            lines.append(second.displayLine());
        }
    }
    return lines;
}

QStringList CheckScheduleConflicts(const Station &station, int receiver)
{
    return CheckScheduleConflicts(station.switchList(receiver), receiver);
}
