#include "servicenotify.h"

#include <systemd/sd-daemon.h>

#include <algorithm>
#include <cstdlib>

namespace {
constexpr qint64 kLongestPingIntervalNs = 1000LL * 1000 * 1000;
}

ServiceNotify::ServiceNotify()
{
    const char *socket = std::getenv("NOTIFY_SOCKET");
    m_supervised = socket && *socket;
    uint64_t usec = 0;
    // WATCHDOG_PID, when set, names the process the watchdog is meant for.
    if (m_supervised && sd_watchdog_enabled(0, &usec) > 0 && usec > 0)
        m_pingEveryNs = std::max<qint64>(1, std::min<qint64>(qint64(usec) * 1000 / 4, kLongestPingIntervalNs));
}

void ServiceNotify::alive()
{
    // The first tick has run: start-up is over and the program switches.
    if (!m_ready) {
        m_ready = true;
        sd_notify(0, "READY=1");
    } else {
        sd_notify(0, "WATCHDOG=1");
    }
    m_sincePing.start();
}

void ServiceNotify::stopping()
{
    if (m_supervised)
        sd_notify(0, "STOPPING=1");
}

void ServiceNotify::status(const QString &text)
{
    if (m_supervised)
        sd_notify(0, ("STATUS=" + text.simplified()).toUtf8().constData());
}
