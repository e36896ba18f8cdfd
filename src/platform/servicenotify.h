#pragma once

#include <QElapsedTimer>
#include <QString>

// The program's side of a supervising service manager (systemd's notify
// protocol): READY=1 once the first clock tick has run, WATCHDOG=1 while the
// ticks go on, STOPPING=1 at a normal end. The supervisor restarts the
// program when the pings stop, so they come from the tick itself: a tick
// that no longer runs is a program that no longer switches.
//
// Without NOTIFY_SOCKET in the environment (started from a terminal or the
// menu) every call does nothing.
class ServiceNotify
{
public:
    ServiceNotify();

    bool supervised() const { return m_supervised; }
    // How often the tick pings: a quarter of the supervisor's WATCHDOG_USEC,
    // and no more often than needed (once a second at most). 0: no watchdog.
    qint64 watchdogIntervalMs() const { return m_pingEveryNs / 1000000; }

    // At the end of every clock tick; costs one comparison between pings.
    void tickDone()
    {
        if (m_supervised && (!m_ready || (m_pingEveryNs > 0 && m_sincePing.nsecsElapsed() >= m_pingEveryNs)))
            alive();
    }
    void stopping();
    // A line for `systemctl status`, such as why start-up failed.
    void status(const QString &text);

private:
    void alive();

    bool m_supervised = false;
    bool m_ready = false;
    qint64 m_pingEveryNs = 0;
    QElapsedTimer m_sincePing;
};
