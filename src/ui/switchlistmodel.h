#pragma once

#include <QAbstractListModel>

class Station;

// A receiver's coming switches as the main window lists them, one line per
// switch with its ScheduleNumber as Qt::UserRole. Follows every rebuild.
class SwitchListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    SwitchListModel(Station &station, int receiver, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    Station &m_station;
    int m_receiver;
};
