#pragma once

#include "monitor/remotestatussettings.h"
#include "monitor/statuspublisher.h"

#include <QObject>

#include <memory>
#include <optional>

class StatusServer;

// The status server's place in the program: it reads RemoteStatus.ini at the
// start (or takes the command line's --status-listen, which rules for the
// run), serves while it is on, and moves when the Remote Status window
// applies new settings. A server that cannot listen is reported in the error
// window with the address and the reason, and the program runs on without it.
class StatusMonitor : public QObject
{
    Q_OBJECT

public:
    StatusMonitor(Station &station, SwitchEngine &engine, QObject *parent = nullptr);
    ~StatusMonitor() override;

    // Start-up, once the station runs.
    void start(const std::optional<ListenAddress> &commandLine = std::nullopt);
    // Serves as the settings say, unless the command line rules. False when
    // it could not listen (the error window has said why).
    bool apply(const RemoteStatusSettings &settings);

    bool commandLineRules() const { return m_commandLine.has_value(); }
    std::optional<ListenAddress> commandLine() const { return m_commandLine; }
    // Where it answers, while it serves.
    std::optional<ListenAddress> serving() const;
    StatusPublisher &publisher() { return m_publisher; }

Q_SIGNALS:
    void servingChanged();

private:
    bool listen(const ListenAddress &address);
    void stop();

    Station &m_station;
    StatusPublisher m_publisher;
    std::unique_ptr<StatusServer> m_server;
    std::optional<ListenAddress> m_commandLine;
};
