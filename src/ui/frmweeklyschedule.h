#pragma once

#include <QWidget>

class QListWidget;
class QPushButton;
class Station;

// The week's switches of every schedule in use, by day and time. It shows
// the plan as it was when built (at construction, and again by each
// BuildWeeklySchedule); later edits appear only when it is rebuilt.
class frmWeeklySchedule : public QWidget
{
    Q_OBJECT

public:
    explicit frmWeeklySchedule(Station &station, QWidget *parent = nullptr);

    // Fills the list afresh from the schedule file and shows the window.
    void BuildWeeklySchedule();

private:
    void fillList();

    Station &m_station;
    QPushButton *cmdClose;
    QListWidget *lstWeeklySchedule;
};
