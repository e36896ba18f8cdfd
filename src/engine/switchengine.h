#pragma once

#include "station/portinputs.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <array>

class ReceiverLink;
class ServiceNotify;
class Station;

// The program's main loop. The 50 ms clock tick shows the time, counts down
// to each receiver's next switch, arms the receiver's switch timer 14-15 s
// (receiver 2: 9-10 s) before it, gives the remote starts, polls the
// parallel-port inputs, takes the Eb/No readings in their slots and purges
// old logs at 10:00:15. An armed switch timer sends the switch command on
// its first two expiries, 2 s apart, and reads the MPEG status on the third.
//
// Every decision compares the clock with the schedule, never counted ticks,
// so a late tick cannot drift. A tick that comes late because the program
// stood still (a conversation held it) still arms a switch it skipped the
// window of (when at least 5 s remain) and still gives a remote start whose
// moment it skipped, if only a few seconds ago. A time of day that was moved
// (daylight saving, a manual change, the time-set input) is told from a
// program that stood still by the monotonic clock: a switch that a forward
// move jumps over gets nothing late, only an activity line that says it was
// skipped, and one that a backward move brings round again is not switched
// a second time.
class SwitchEngine : public QObject
{
    Q_OBJECT

public:
    SwitchEngine(Station &station, ReceiverLink &link, QObject *parent = nullptr);

    // Starts the clock tick.
    void start();
    // Told at the end of every tick that the program still runs (the
    // supervisor's watchdog); none when unset.
    void setServiceNotify(ServiceNotify *notify) { m_notify = notify; }
    // One tick of tmrClock.
    void tick();
    // One expiry of Timer1 (receiver 1) or Timer2 (receiver 2).
    void switchCycle(int receiver);
    bool switchTimerArmed(int receiver) const { return switchTimer(receiver).isActive(); }
    bool remoteStartOn(int receiver) const { return m_receivers[index(receiver)].RemoteStartOn; }
    double remoteStartOffAt(int receiver) const { return m_receivers[index(receiver)].RemoteStartOffAt; }
    PortInputs &portInputs() { return m_inputs; }

    QTimer tmrClock;
    QTimer Timer1;
    QTimer Timer2;

Q_SIGNALS:
    void clockTextChanged(const QString &text);
    void nextSwitchTextChanged(int receiver, const QString &text);
    void remoteStartShown(int receiver, bool shown);
    void portStatusChanged(const QString &text);
    // The end of every clock tick (20 times a second): a listener that
    // publishes the station's state keeps its own pace.
    void ticked();

private:
    struct ReceiverState
    {
        int SwitchPass = 0;
        bool RemoteStartOn = false;
        double RemoteStartOffAt = 0;
        QDate offAtDay; // the day RemoteStartOffAt counts its seconds from
        int EbNoDone = 0;
        // The switch the last tick counted down to, and what it showed.
        quint64 seen = 0;
        int seenCountdown = 0;
        // What the next-switch line shows now.
        int shownCountdown = 0;
        QString shownName;
        // What was done for each recent switch occurrence (Handled flags).
        QHash<quint64, int> handled;
    };

    static int index(int receiver) { return receiver == 2 ? 1 : 0; }
    const QTimer &switchTimer(int receiver) const { return receiver == 2 ? Timer2 : Timer1; }
    QTimer &switchTimer(int receiver) { return receiver == 2 ? Timer2 : Timer1; }

    void keepInStep();
    void takeTime();
    void measureClockStep();
    bool clockStepped() const;
    void Receiver2();
    void countDown(int receiver);
    int secondsToSwitch(int receiver) const;
    quint64 nextOccurrence(int receiver) const;
    bool sameSwitchAsLastTick(int receiver) const;
    void remember(int receiver, int secondsToSwitch);
    void passedBetweenTicks(int receiver, int secondsLate);
    void remoteStartOff(int receiver);
    void remoteStartOn(int receiver);
    void armSwitchTimer(int receiver, int secondsToSwitch);
    void ebNoSlot(int receiver);

    Station &m_station;
    ReceiverLink &m_link;
    PortInputs m_inputs;
    std::array<ReceiverState, 2> m_receivers;
    QDateTime m_moment;  // the time this part of the tick works with
    double m_now = 0;    // seconds since midnight, with fraction
    int m_whole = 0;     // the same, in whole seconds
    QDate m_today;
    // The second the clock line shows.
    QDate m_clockShownDate;
    int m_clockShownSecond = -1;
    // This tick talked to a receiver, so time has passed since takeTime().
    bool m_talked = false;
    QDateTime m_tickBegan;
    // The local time of day (as milliseconds of a day count) and the
    // monotonic clock at the last tick, and how far the time of day moved
    // beyond the time that passed since then.
    qint64 m_lastWallMs = -1;
    qint64 m_lastMonotonicMs = 0;
    qint64 m_clockStepMs = 0;
    ServiceNotify *m_notify = nullptr;
};
