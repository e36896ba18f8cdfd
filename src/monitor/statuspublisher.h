#pragma once

#include "station/stationstats.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>

class Station;
class SwitchEngine;

// What the status server shows, as the clock tick left it: the station's
// figures and the state they do not hold (each receiver's next switch, the
// remote-start outputs, the settings that say what to expect). Immutable
// once published; the server thread reads it without asking the tick.
struct StatusSnapshot
{
    struct Receiver
    {
        bool hasNext = false;
        QString nextName;
        QDateTime nextAt;
        bool remoteStartOn = false;
    };

    QDateTime stationTime; // the station's clock when it was taken
    qint64 steadyMs = 0;   // the monotonic clock then
    QDateTime started;
    int receivers = 1;
    int ebNoIntervalSeconds = 0; // 0: no readings
    bool remoteControlOn = false;
    int betterReceiver = 0; // from the output bits; 0 while they say nothing
    std::array<Receiver, 2> receiver;
    StationFigures figures;
};

// The snapshot with what the server adds when it answers: the station's time
// now, the last tick's time and how long ago it ran (on the monotonic clock,
// so a clock that was set does not make the tick look stalled).
struct StatusView
{
    static constexpr double kHealthySeconds = 5.0;

    std::shared_ptr<const StatusSnapshot> snapshot;
    QDateTime now;
    QDateTime lastTick;
    double tickAgeSeconds = 0;

    bool healthy() const { return tickAgeSeconds <= kHealthySeconds; }
};

// Publishes a new snapshot from the clock tick once a second, or at once
// when the figures or a switch list changed, and only while a server reads
// them. Between publishes a tick costs a clock reading and two comparisons.
// The server thread takes the latest snapshot under a short lock: no lock is
// ever held across the tick's work.
class StatusPublisher : public QObject
{
    Q_OBJECT

public:
    StatusPublisher(Station &station, const SwitchEngine &engine, QObject *parent = nullptr);

    void setActive(bool active);
    // At the end of every clock tick; tickDoneAt for a test's own moment.
    void tickDone() { tickDoneAt(steadyMs()); }
    void tickDoneAt(qint64 steady);
    void publish(qint64 steady);

    // Any thread.
    std::shared_ptr<const StatusSnapshot> latest() const;
    StatusView view() const;
    static qint64 steadyMs();

private:
    Station &m_station;
    const SwitchEngine &m_engine;
    const QDateTime m_started;
    bool m_active = false;
    bool m_listsChanged = false;
    quint64 m_publishedGeneration = 0;
    qint64 m_publishedAt = 0;
    std::atomic<qint64> m_lastTick{0};
    mutable std::mutex m_mutex;
    std::shared_ptr<const StatusSnapshot> m_latest;
};
