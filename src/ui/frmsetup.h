#pragma once

#include "settings/setupchoices.h"

#include <QMainWindow>

#include <array>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class Station;

// The setup window. Some choices change the station's settings the moment
// they are made (the number of receivers, receiver two's port, the MPEG log,
// the parallel port, the reset time); the receiver-one port, the baud rate,
// the activity log and the Eb/No rate wait until the window closes. Closing,
// whichever way, writes both settings files.
class frmSetUp : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmSetUp(Station &station, QWidget *parent = nullptr);
    ~frmSetUp() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void buildMenus();
    void connectRules();
    void Form_Load();
    void showEveryChoice();
    void Form_Unload();

    void twoReceiversClicked(bool checked);
    void receiver1PortChosen(int port);
    void receiver2PortChosen(int port);
    void ebNoRateClicked(int row);
    // Leaves no option of the frame selected, which a click cannot do.
    static void clearChoice(QRadioButton *option);
    static int selectedPort(const std::array<QRadioButton *, 4> &options);
    static int selectedRow(const QListWidget *list);

    Station &m_station;
    SetupChoices::Pending m_pending;
    bool m_unloaded = false;

    QGroupBox *Frame1;
    std::array<QRadioButton *, 2> OptModel{};
    QCheckBox *Check1;
    QGroupBox *fraComSelect;
    QRadioButton *optSP1;
    QRadioButton *optSP2;
    QRadioButton *optSP3;
    QRadioButton *optSP4;
    QGroupBox *Frame2;
    QRadioButton *Option1;
    QRadioButton *Option2;
    QRadioButton *Option3;
    QRadioButton *Option4;
    QGroupBox *fraBaudSelect;
    QRadioButton *optBaud1;
    QRadioButton *optBaud2;
    QLabel *lblHistoryEbNo;
    QListWidget *lstHistoryEbNo;
    QLabel *Label1;
    QListWidget *lstSaveLogs;
    QLabel *label2;
    QLineEdit *txtClockResetTime;
    QCheckBox *chkRemote;
    QCheckBox *chkLog;
    QCheckBox *chkMpeg;
    QPushButton *cmdClose;
    QMenu *mnuFiles;
    QAction *mnuExit;

    std::array<QRadioButton *, 4> m_receiver1Options{};
    std::array<QRadioButton *, 4> m_receiver2Options{};
};
