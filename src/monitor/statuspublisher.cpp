#include "statuspublisher.h"

#include "engine/switchengine.h"
#include "platform/clock.h"
#include "station/station.h"

#include <chrono>

namespace {
constexpr qint64 kPublishEveryMs = 1000;

int ebNoIntervalSeconds(int rate)
{
    if (rate >= 1 && rate <= 4)
        return 3600 / rate;
    return rate == 5 ? 60 : 0;
}
} // namespace

StatusPublisher::StatusPublisher(Station &station, const SwitchEngine &engine, QObject *parent)
    : QObject(parent), m_station(station), m_engine(engine), m_started(station.clock().now())
{
    // Until the first tick, the tick's age counts from the start.
    m_lastTick.store(steadyMs(), std::memory_order_relaxed);
    connect(&engine, &SwitchEngine::ticked, this, &StatusPublisher::tickDone);
    connect(&station, &Station::switchListChanged, this, [this] { m_listsChanged = true; });
}

qint64 StatusPublisher::steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void StatusPublisher::setActive(bool active)
{
    m_active = active;
    if (active)
        publish(steadyMs());
}

void StatusPublisher::tickDoneAt(qint64 steady)
{
    m_lastTick.store(steady, std::memory_order_relaxed);
    if (!m_active)
        return;
    if (steady - m_publishedAt < kPublishEveryMs && !m_listsChanged
        && m_station.stats.generation() == m_publishedGeneration)
        return;
    publish(steady);
}

void StatusPublisher::publish(qint64 steady)
{
    auto s = std::make_shared<StatusSnapshot>();
    s->stationTime = m_station.clock().now();
    s->steadyMs = steady;
    s->started = m_started;
    const StationSettings &settings = m_station.settings;
    s->receivers = settings.twoReceivers() ? 2 : 1;
    s->ebNoIntervalSeconds = ebNoIntervalSeconds(settings.EbNoRate);
    s->remoteControlOn = settings.RemoteControlOn;
    const auto &bits = m_station.PortBits;
    s->betterReceiver = bits[4] ? 2 : bits[3] ? 1 : 0;
    for (int r = 1; r <= s->receivers; ++r) {
        const NextSwitch &next = m_station.nextSwitch(r);
        StatusSnapshot::Receiver &out = s->receiver[r - 1];
        out.hasNext = next.NextRecord != 0;
        if (out.hasNext) {
            out.nextName = next.NextSwitchName.trimmed();
            out.nextAt = next.NextSwitchAt.toLocalTime();
        }
        out.remoteStartOn = m_engine.remoteStartOn(r);
    }
    s->figures = m_station.stats.figures();
    m_publishedGeneration = m_station.stats.generation();
    m_publishedAt = steady;
    m_listsChanged = false;
    std::lock_guard lock(m_mutex);
    m_latest = std::move(s);
}

std::shared_ptr<const StatusSnapshot> StatusPublisher::latest() const
{
    std::lock_guard lock(m_mutex);
    return m_latest;
}

StatusView StatusPublisher::view() const
{
    StatusView v;
    v.snapshot = latest();
    if (!v.snapshot)
        return v;
    const qint64 steady = steadyMs();
    const qint64 lastTick = m_lastTick.load(std::memory_order_relaxed);
    // The station's clock runs on from the snapshot at the pace of real time.
    v.now = v.snapshot->stationTime.addMSecs(steady - v.snapshot->steadyMs);
    v.lastTick = v.snapshot->stationTime.addMSecs(lastTick - v.snapshot->steadyMs);
    v.tickAgeSeconds = (steady - lastTick) / 1000.0;
    return v;
}
