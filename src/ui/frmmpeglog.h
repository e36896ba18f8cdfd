#pragma once

#include "backgroundload.h"

#include <QWidget>

class QListView;
class QListWidget;
class QPushButton;
class Station;

// The viewer of the MPEG logs: the day list, then one day's file as written.
class frmMPEGLog : public QWidget
{
    Q_OBJECT

public:
    explicit frmMPEGLog(Station &station, QWidget *parent = nullptr);

    // cmdOk and a double click on a day: show the selected day, or go back
    // to the day list when a day is shown.
    void toggleDay();
    // A day is being read beside the window.
    bool isLoading() const { return m_load.running(); }

protected:
    void changeEvent(QEvent *event) override;

private:
    enum class ViewState { Choosing, Showing };

    void loadDayList();

    Station &m_station;
    QString LogDateText;
    ViewState m_state = ViewState::Choosing;
    BackgroundLoad m_load{this};

    QListWidget *lstDate;
    QPushButton *cmdOk;
    QPushButton *cmdClose;
    QListView *lstActivityLog;
};
