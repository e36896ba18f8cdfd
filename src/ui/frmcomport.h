#pragma once

#include <QWidget>

class QPushButton;
class QRadioButton;
class Station;

// Receiver select: with two receivers the relay and status windows first ask
// which receiver to talk to. "&Close" takes the choice and opens the window
// the station's CommandText asks for; closing by the frame opens nothing.
class frmComPort : public QWidget
{
    Q_OBJECT

public:
    explicit frmComPort(Station &station, QWidget *parent = nullptr);

    // Brings the open window to the front unchanged, or opens a new one.
    static frmComPort *showWindow(Station &station, QWidget *parent);
    static frmComPort *instance();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void cmdCloseClicked();

    Station &m_station;
    QRadioButton *Option2;
    QRadioButton *Option1;
    QPushButton *cmdClose;
};
