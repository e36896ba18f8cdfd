#include "statusmonitor.h"

#include "monitor/statusserver.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/filewrite.h"
#include "platform/paths.h"
#include "station/logviews.h"
#include "station/station.h"

#include <cstdio>

StatusMonitor::StatusMonitor(Station &station, SwitchEngine &engine, QObject *parent)
    : QObject(parent), m_station(station), m_publisher(station, engine),
      m_server(std::make_unique<StatusServer>(m_publisher))
{
}

StatusMonitor::~StatusMonitor() = default;

void StatusMonitor::start(const std::optional<ListenAddress> &commandLine)
{
    m_commandLine = commandLine;
    if (m_commandLine) {
        listen(*m_commandLine);
        return;
    }
    RemoteStatusSettings settings;
    QString error;
    if (!RemoteStatusFile::read(Paths::dataFile(RemoteStatusFile::kName), settings, &error))
        ShowErrorMessage(QStringLiteral("The status server stays off: ") + error + QLatin1Char('.'));
    apply(settings);
}

bool StatusMonitor::apply(const RemoteStatusSettings &settings)
{
    if (m_commandLine)
        return m_server->running();
    if (!settings.enabled) {
        stop();
        return true;
    }
    const std::optional<ListenAddress> now = serving();
    if (now && now->host == settings.address && now->port == settings.port)
        return true;
    return listen(settings.listenAddress());
}

std::optional<ListenAddress> StatusMonitor::serving() const
{
    return m_server->running() ? std::optional(m_server->address()) : std::nullopt;
}

bool StatusMonitor::listen(const ListenAddress &address)
{
    stop();
    // After a restart the page draws the day's readings from the start; the
    // log is read here, once, never on the clock tick, and only its first
    // megabytes (a day of readings is a few hundred kilobytes): a log grown
    // huge by a fault costs no more.
    constexpr qint64 kLogHead = 4 << 20;
    const QDate today = m_station.clock().today();
    const FileRead::Head log = FileRead::head(Paths::logFile(QStringLiteral("EB"), today), kLogHead);
    if (log.error.isEmpty())
        m_station.stats.takeEbNoLog(SplitLogLines(log.bytes), today);
    // The first snapshot is there before the first request can come.
    m_publisher.setActive(true);
    QString reason;
    const bool listening = m_server->start(address, &reason);
    if (listening) {
        std::fprintf(stderr, "kestrelpoint: the status server answers on http://%s/\n",
                     qPrintable(m_server->address().text()));
        std::fflush(stderr);
    } else {
        m_publisher.setActive(false);
        ShowErrorMessage(QStringLiteral("The status server cannot listen on %1: %2. Kestrelpoint runs on without it; %3")
                             .arg(address.text(), reason,
                                  m_commandLine ? QStringLiteral("give --status-listen another address or port.")
                                                : QStringLiteral("choose another address or port in SetUp > Remote Status.")));
    }
    Q_EMIT servingChanged();
    return listening;
}

void StatusMonitor::stop()
{
    if (!m_server->running())
        return;
    m_server->stop();
    m_publisher.setActive(false);
    Q_EMIT servingChanged();
}
