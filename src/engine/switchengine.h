#pragma once

#include "station/portinputs.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QTimer>

#include <array>
#include <climits>

class ReceiverLink;
class ServiceNotify;
class Station;
struct ScheduleRecord;
struct SwitchEntry;

// The program's main loop. The 50 ms clock tick shows the time, counts down
// to each receiver's next switch, arms the receiver's switch timer 14-15 s
// (receiver 2: 9-10 s) before it, gives the remote starts, polls the
// parallel-port inputs, takes the Eb/No readings in their slots and purges
// old logs once a day at 10:00:15. An armed switch timer sends the switch
// command on its first two expiries, 2 s apart, and reads the MPEG status on
// the third.
//
// A switch is an occurrence: a schedule at an instant, the local date and
// time resolved through the time-zone rules. Every decision compares that
// instant with the clock, never times of day subtracted from each other, so
// a daylight-saving change moves nothing and a late tick cannot drift. The
// engine follows each occurrence from shortly before its moment until it is
// carried out, skipped or cancelled, whatever rebuilds the switch lists in
// between; an armed cycle sends its own occurrence's schedule, never
// "whatever is next". A time of day that was set (by hand, or by the
// time-set input) is told from a program that stood still by the monotonic
// clock: a switch that a forward setting jumps over gets nothing late, only
// an activity line that says it was skipped, and one that a backward setting
// brings round again is not switched a second time. Outputs are held on the
// monotonic clock, so a hold keeps its length whatever is done to the clock.
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
    // The program ends: every remote-start output that is on goes off, and
    // the activity log says so.
    void endOutputs();
    bool switchTimerArmed(int receiver) const { return switchTimer(receiver).isActive(); }
    bool remoteStartOn(int receiver) const { return m_receivers[index(receiver)].RemoteStartOn; }
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
    // One switch the engine follows, from when it comes near (or becomes
    // the next switch) until its moment has been dealt with.
    struct Occurrence
    {
        int record = 0;
        QDateTime at; // the instant, in UTC
        bool occurs = true;
        QString name;    // for the activity log
        int seconds = 0; // its time of day, for the activity log
        int lastCountdown = INT_MAX;
        bool windowMissed = false; // its arming window passed while another cycle ran
        bool armed = false;
        bool sent = false;
        bool sentOk = false;
        bool done = false;
    };

    struct ReceiverState
    {
        QList<Occurrence> followed; // by instant, then in list order
        int SwitchPass = 0;
        int cycleRecord = 0; // the occurrence of the armed cycle
        QDateTime cycleAt;
        bool RemoteStartOn = false;
        qint64 offAtMs = 0;   // monotonic
        quint64 offTick = 0;  // the tick in which the output last went off
        int EbNoDone = 0;
        // What the next-switch line shows now.
        int shownCountdown = INT_MIN;
        QString shownEntry; // its sortText: the day, the time and the name
    };

    static int index(int receiver) { return receiver == 2 ? 1 : 0; }
    const QTimer &switchTimer(int receiver) const { return receiver == 2 ? Timer2 : Timer1; }
    QTimer &switchTimer(int receiver) { return receiver == 2 ? Timer2 : Timer1; }

    void keepInStep();
    void takeTime();
    void measureClockStep();
    bool clockStepped() const;
    int secondsTo(const QDateTime &at) const;
    void followSwitches(int receiver);
    Occurrence &follow(int receiver, const SwitchEntry &entry);
    Occurrence *find(int receiver, int record, const QDateTime &at);
    Occurrence *cycleOccurrence(int receiver);
    bool shadowed(int receiver, const Occurrence &o) const;
    bool carryOut(int receiver, Occurrence &o);
    void arm(int receiver);
    void keepCycleInWindow(int receiver, bool strictly);
    void stopCycle(int receiver);
    void listRebuilt(int receiver);
    void showCountdown(int receiver);
    void logOccurrence(const QString &what, const Occurrence &o, int receiver);
    void remoteStartOn(int receiver, const Occurrence &o, const ScheduleRecord &schedule);
    void remoteStartOff(int receiver);
    void outputOff(int receiver);
    void ebNoSlot(int receiver);

    Station &m_station;
    ReceiverLink &m_link;
    PortInputs m_inputs;
    std::array<ReceiverState, 2> m_receivers;
    QDateTime m_moment;   // the time this part of the tick works with
    qint64 m_nowMs = 0;   // the same, since the epoch
    qint64 m_monoMs = 0;  // the monotonic clock then
    QDate m_today;
    quint64 m_ticks = 0;
    QDate m_purgedOn;
    // The second the clock line shows.
    QDate m_clockShownDate;
    int m_clockShownSecond = -1;
    // This tick talked to a receiver, so time has passed since takeTime().
    bool m_talked = false;
    QDateTime m_tickBegan;
    // The clock and the monotonic clock at the last tick, and how far the
    // clock moved beyond the time that passed since then.
    qint64 m_lastWallMs = -1;
    qint64 m_lastMonotonicMs = 0;
    qint64 m_clockStepMs = 0;
    ServiceNotify *m_notify = nullptr;
};
