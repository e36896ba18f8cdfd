#pragma once

#include <QWidget>

class QListWidget;
class QPushButton;
class Station;

// The week's switches of every schedule in use, by day and time. It shows
// the plan as it was when built; choosing the menu entry again rebuilds it.
class frmWeeklySchedule : public QWidget
{
    Q_OBJECT

public:
    explicit frmWeeklySchedule(Station &station, QWidget *parent = nullptr);

    // Fills the list from the schedule file and shows the window.
    void BuildWeeklySchedule();

private:
    Station &m_station;
    QPushButton *cmdClose;
    QListWidget *lstWeeklySchedule;
};
