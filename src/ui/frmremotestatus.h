#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class StatusMonitor;

// SetUp > Remote Status: turns the status server on or off and sets where it
// listens. Apply saves RemoteStatus.ini and moves the server at once. The
// address is typed, never chosen from a list, and the window says that
// anyone who can reach it can read the station's status.
class frmRemoteStatus : public QWidget
{
    Q_OBJECT

public:
    explicit frmRemoteStatus(StatusMonitor &monitor, QWidget *parent = nullptr);

private:
    void apply();
    void showState();
    void showReach();

    StatusMonitor &m_monitor;
    QCheckBox *chkServe;
    QLineEdit *txtAddress;
    QSpinBox *txtPort;
    QLabel *lblReach;
    QLabel *lblState;
    QPushButton *cmdApply;
    QPushButton *cmdClose;
};
