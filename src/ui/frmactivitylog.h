#pragma once

#include "backgroundload.h"
#include "station/logviews.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QListView;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class Station;
class frmEbNoChart;

// The viewer of the activity and Eb/No logs. It keeps the kind of log it was
// opened with (the station's LogKind at that moment), so its captions, the
// files it loads and its printout always agree with the day list it shows.
class frmActivityLog : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmActivityLog(Station &station, QWidget *parent = nullptr);

    QString logKind() const { return m_logKind; }
    // A day is being read beside the window.
    bool isLoading() const { return m_load.running(); }

    // cmdOk and a double click on a day: show the selected day, or go back
    // to the day list when a day is shown.
    void toggleDay();
    // Files > Print: the lines shown at this moment, as one job, laid out
    // and printed beside the window.
    void printShownLog();
    // cmdChart (Eb/No logs only): the chart of the selected day, in the
    // viewer's one chart window, which closes with the viewer.
    void openChart();

protected:
    void changeEvent(QEvent *event) override;

private:
    enum class ViewState { Choosing, Showing };

    void buildControls();
    void loadDayList();
    bool isEbNo() const;

    Station &m_station;
    QString m_logKind;
    QString LogDateText;
    ViewState m_state = ViewState::Choosing;
    BackgroundLoad m_load{this};

    QWidget *m_area;
    QListWidget *lstDate;
    QRadioButton *Option1;
    QRadioButton *Option2;
    QPushButton *cmdOk;
    QPushButton *cmdClose;
    QPushButton *cmdChart;
    QPointer<frmEbNoChart> m_chart;
    QListView *lstActivityLog;
    QMenu *mnuFiles;
    QAction *mnuPrint;
    QAction *mnuExit;
};
