#pragma once

#include "schedule/schedulerecord.h"
#include "schedule/schedulevalidation.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class Station;
class frmDialog1;

// The schedule editor. Schedules are listed by name; choosing one or making
// a new one reveals the edit controls. Apply checks the length and the day
// times, stores the record, then rebuilds the receiver's switch list and
// looks for two switches at one moment. Deleting asks first, through a
// window that does not wait, and then starts the editor afresh.
class frmSchedule : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmSchedule(Station &station, QWidget *parent = nullptr);
    ~frmSchedule() override;

    // Fills the edit controls from the record of CurrentSchedule.
    void ShowScheduleInEditor();
    // The schedule file was replaced (a restore from the floppy): the list is
    // read again, and a schedule being edited that is gone is let go.
    void scheduleFileReplaced();

    // What lstDisplaySchedule lists, in its order: what printing reads.
    QList<ScheduleListEntry> scheduleList() const;
    // The schedule being edited; 0 when none is.
    int currentSchedule() const { return CurrentSchedule; }
    // The open delete confirmation, or nullptr.
    frmDialog1 *deleteConfirmation() const { return m_confirmation.data(); }

Q_SIGNALS:
    // "Print Schedule" in the Files menu.
    void printScheduleRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    // The window as freshly opened: edit controls hidden, nothing current.
    void Load();
    void revealEditor(bool byNew);
    void chooseRemoteStart(int remoteStart);
    // The record of schedule n when it is in use; nothing for a free slot or
    // a number beyond the file.
    std::optional<ScheduleRecord> scheduleInUse(int n) const;
    void forgetStaleSchedule(int n);
    void newSchedule();
    void chooseSchedule();
    void applySchedule();
    void deleteClicked();
    void openDeleteConfirmation();
    void deleteConfirmed();
    void fillScheduleList(int selectNumber);
    // Rebuilds the list of the receiver a schedule belongs to; that
    // receiver, or 0 when the schedule has none.
    int rebuildSwitchList(int receiverField);
    void closeWithConflicts();

    Station &m_station;

    QPushButton *cmdDelete;
    QPushButton *cmdNew;
    QComboBox *cboReceiver;
    QListWidget *lstDisplaySchedule;
    QRadioButton *Option1;
    QRadioButton *Option2;
    QRadioButton *Option3;
    QComboBox *cboSatLang;
    QLineEdit *txtPgmName;
    QPushButton *cmdScheduleClose;
    QPushButton *cmdApply;
    std::array<QLineEdit *, 7> txtSwitchTime{};
    QLineEdit *txtSatLen;
    QComboBox *cboSatAtt;
    QComboBox *cboSatRoute;
    QComboBox *cboSatPort;
    QLabel *lblReceiver;
    QLabel *Label1;
    QLabel *lblRemote;
    QLabel *lblScheduleNo;
    std::array<QLabel *, 7> m_dayLabels{};  // lblSun ... lblSat
    QLabel *lblPgmAtt;
    QLabel *lblPgmRoute;
    QLabel *lblPgmPort;
    QLabel *lblPgmLang;
    QLabel *lblPgmLen;
    QLabel *lblPgmName;
    QMenu *mnuFiles;
    QAction *mnuPrint;
    QAction *mnuExit;

    static constexpr int kNoDay = -1;
    int CurrentSchedule = 0;
    int SelectedDay = 0;
    int RemoteStartChoice = 1;
    std::array<QString, 7> DayTimes;

    QPointer<frmDialog1> m_confirmation;
};
