#pragma once

#include <QMainWindow>
#include <QPointer>

#include <cstdlib>
#include <functional>
#include <memory>

class frmAbout;
class frmActivityLog;
class frmHelp;
class frmMPEGLog;
class frmRemoteStatus;
class frmProgramSourceCodes;
class frmSchedule;
class frmSetUp;
class frmWeeklySchedule;
class QLabel;
class QListView;
class QProgressBar;
class ReceiverLink;
class Station;
class StatusMonitor;
class SwitchEngine;

// The main window: the first and last window of the program. It shows the
// engine's running state and carries the menus into every other window.
class mnuMenu : public QMainWindow
{
    Q_OBJECT

public:
    explicit mnuMenu(Station &station, QWidget *parent = nullptr);
    ~mnuMenu() override;

    // Start-up, then the clock tick starts. False with the reason when the
    // program cannot run.
    bool Load(QString *error);
    SwitchEngine &engine() { return *m_engine; }
    ReceiverLink &link() { return *m_link; }
    StatusMonitor &statusMonitor() { return *m_monitor; }
    // The two-receiver controls follow the TwoReceivers setting.
    void showReceiver2Controls(bool shown);

    // Ends the program at once, as "Exit Kestrelpoint?" answered Yes does
    // (and a stop signal): the remote-start outputs go off, the activity log
    // records the end, then beforeEnd runs and the program exits with the
    // status; no other window's closing logic runs. Called once more (from
    // an exit handler) it does nothing.
    void End(int status = EXIT_SUCCESS);
    void setBeforeEnd(std::function<void()> beforeEnd) { m_beforeEnd = std::move(beforeEnd); }

    // Answer given to "Exit Kestrelpoint?" without asking; for tests.
    void setExitAnswerForTest(int button) { m_exitAnswerForTest = button; }
    // What End() calls in place of std::_Exit; for tests.
    void setExitForTest(void (*exitFunction)(int)) { m_exit = exitFunction; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void layoutLists();

    Station &m_station;
    std::unique_ptr<ReceiverLink> m_link;
    std::unique_ptr<SwitchEngine> m_engine;
    std::unique_ptr<StatusMonitor> m_monitor;
    QLabel *lblClock;
    QLabel *lblPort;
    QLabel *Label5;
    QLabel *label1;
    QLabel *Label2;
    QListView *lstNextToSwitch;
    QLabel *Label6;
    QLabel *Label3;
    QLabel *Label4;
    QListView *lstNextToSwitch2;
    QProgressBar *ProgressBar1;
    int m_exitAnswerForTest = 0;
    bool m_ending = false;
    std::function<void()> m_beforeEnd;
    void (*m_exit)(int) = nullptr;

    // The windows the menus open, one of each at a time.
    QPointer<frmSetUp> m_setUp;
    QPointer<frmRemoteStatus> m_remoteStatus;
    QPointer<frmProgramSourceCodes> m_sourceCodes;
    QPointer<frmSchedule> m_schedule;
    QPointer<frmWeeklySchedule> m_weekly;
    QPointer<frmActivityLog> m_activityLog;
    QPointer<frmMPEGLog> m_mpegLog;
    QPointer<frmHelp> m_help;
    QPointer<frmAbout> m_about;
};
