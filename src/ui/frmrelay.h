#pragma once

#include "receiver/relayconversation.h"

#include <QWidget>

#include <array>
#include <memory>

class QLabel;
class QPushButton;
class SerialChannel;
class Station;

// The relay window: the receiver's relay status and an Open and a Close
// button per relay. Its query, and with it the layout and the buttons'
// commands, is taken from the station when the window opens and kept for
// its whole life, so a later menu choice cannot make a relay button of one
// layout send an extended-relay command.
class frmRelay : public QWidget
{
    Q_OBJECT

public:
    explicit frmRelay(Station &station, QWidget *parent = nullptr);
    ~frmRelay() override;

    // Brings the open window to the front unchanged, or opens a new one on
    // the station's ActivePort and CommandText.
    static frmRelay *showWindow(Station &station, QWidget *parent);
    // The open window, or nullptr.
    static frmRelay *instance();

    // The first status query. False when the port could not be used; the
    // reason is in loadFailure().
    bool Load();
    QString loadFailure() const { return m_loadFailure; }
    Relay::Mode mode() const { return m_mode; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void cmdRClicked(int index);
    void showAnswer();

    Station &m_station;
    std::unique_ptr<SerialChannel> MSComm1;
    Relay::Mode m_mode = Relay::Mode::Relays;
    QString m_query;
    Relay::Line m_line;
    QByteArray RelayAnswer;
    QString m_loadFailure;

    QLabel *lblRelay;
    std::array<QPushButton *, Relay::kButtonCount> cmdR{};
    QPushButton *cmdClose;
};
