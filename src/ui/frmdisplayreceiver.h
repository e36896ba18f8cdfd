#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QPushButton;
class SerialChannel;
class Station;

// The receiver status window: the answer to one status query, shown as the
// receiver sent it. "&Refresh" asks the query the station holds at that
// moment, on the port the window opened with.
class frmDisplayReceiver : public QWidget
{
    Q_OBJECT

public:
    explicit frmDisplayReceiver(Station &station, QWidget *parent = nullptr);
    ~frmDisplayReceiver() override;

    // Brings the open window to the front unchanged, or opens a new one that
    // asks the station's CommandText on its ActivePort.
    static frmDisplayReceiver *showWindow(Station &station, QWidget *parent);
    // The open window, or nullptr.
    static frmDisplayReceiver *instance();

    // The first query. False when the port could not be used; the reason is
    // in loadFailure().
    bool Load();
    QString loadFailure() const { return m_loadFailure; }

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void cmdDisplayReceiverRefreshClicked();
    void showAnswer();

    Station &m_station;
    std::unique_ptr<SerialChannel> MSComm1;
    int m_port = 0;
    QString m_settings;
    QByteArray DisplayAnswer;
    QString m_loadFailure;

    QPushButton *cmdDisplayReceiverRefresh;
    QPushButton *cmdDisplayReceiverExit;
    QLabel *lblDisplayReceiver;
};
