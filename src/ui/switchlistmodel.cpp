#include "switchlistmodel.h"

#include "station/station.h"

SwitchListModel::SwitchListModel(Station &station, int receiver, QObject *parent)
    : QAbstractListModel(parent), m_station(station), m_receiver(receiver)
{
    connect(&station, &Station::switchListChanged, this, [this](int changed) {
        if (changed != m_receiver)
            return;
        beginResetModel();
        endResetModel();
    });
}

int SwitchListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_station.switchList(m_receiver).size());
}

QVariant SwitchListModel::data(const QModelIndex &index, int role) const
{
    const QList<SwitchEntry> &entries = m_station.switchList(m_receiver);
    if (!index.isValid() || index.row() >= entries.size())
        return {};
    if (role == Qt::DisplayRole)
        return entries.at(index.row()).displayLine();
    if (role == Qt::UserRole)
        return entries.at(index.row()).record;
    return {};
}
