#pragma once

#include <QMainWindow>

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class ReceiverLink;
class Station;

// Set Receiver: switches a receiver by hand, outside the schedule, and can
// then show the receiver's MPEG status. The commands go out on the main
// window's serial control, through its ReceiverLink.
class frmSetReceiver : public QMainWindow
{
    Q_OBJECT

public:
    frmSetReceiver(Station &station, ReceiverLink &link, QWidget *parent = nullptr);

    // Brings the open window to the front unchanged, or opens a new one.
    static frmSetReceiver *showWindow(Station &station, ReceiverLink &link, QWidget *parent);
    static frmSetReceiver *instance();

    // Fills the lists. False when Source.dat could not be read; the other
    // lists are filled all the same.
    bool Load();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void cmdSetClicked();

    Station &m_station;
    ReceiverLink &m_link;

    QCheckBox *Check1;
    QRadioButton *Option2;
    QRadioButton *Option1;
    QListWidget *lstAtt;
    QPushButton *cmdClose;
    QListWidget *lstRoute;
    QListWidget *lstPort;
    QListWidget *lstLang;
    QPushButton *cmdSet;
    QLabel *Label1;
    QMenu *mnuFiles;
    QAction *mnuExit;
};

// What the window shows when Source.dat cannot be read.
QString missingSourceCodesMessage();
