#include "switchengine.h"

#include "station/activitylog.h"
#include "station/station.h"
#include "station/switchlist.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/servicenotify.h"
#include "receiver/receiverlink.h"
#include "schedule/schedulerecord.h"

#include <QLocale>

#include <algorithm>

namespace {

constexpr int kTickMs = 50;
constexpr int kSwitchTimerMs = 2000;
constexpr int kPurgeSecond = 10 * 3600 + 15;
// A late tick still arms a switch when at least this many seconds remain, so
// that both sends go out before the switch time.
constexpr int kLatestArming = 5;
// A remote start whose moment passed while the program stood still is given
// late only this many seconds after it: the longest stand-still the program
// makes itself (two conversations back to back) with room to spare.
constexpr int kCatchUpSeconds = 10;
// The clock moving this much more (or less) than the time that passed is a
// clock that was set, not timer jitter or a slewing clock.
constexpr qint64 kClockStepMs = 2000;
// Switches this close are followed one by one, besides the next switch.
constexpr int kFollowSeconds = 30;
// Finished switches are remembered this long, so that a clock set back does
// not switch them a second time.
constexpr qint64 kRememberMs = 86400 * 1000;

struct ArmingWindow
{
    int above; // armed while above < secondsToSwitch < below
    int below;
};
constexpr ArmingWindow kArming[2] = {{13, 16}, {8, 11}};

// The minutes of each hour at which an Eb/No rate reads, in the receiver's
// slot second; rate 5 reads every minute.
bool inEbNoSlot(int rate, const QTime &time, int slotSecond)
{
    if (time.second() != slotSecond)
        return false;
    const int minute = time.minute();
    switch (rate) {
    case 1:
        return minute == 0;
    case 2:
        return minute % 30 == 0;
    case 3:
        return minute % 20 == 0;
    case 4:
        return minute % 15 == 0;
    case 5:
        return true;
    default:
        return false;
    }
}

QString programName(const SwitchEntry &entry)
{
    return entry.sortText.mid(18).trimmed();
}

// After those of the same instant: in list order.
template <typename Occurrence>
Occurrence &insertInOrder(QList<Occurrence> &followed, Occurrence o)
{
    const auto later = std::upper_bound(followed.begin(), followed.end(), o.at,
                                        [](const QDateTime &at, const Occurrence &other) { return at < other.at; });
    return *followed.insert(later, std::move(o));
}

} // namespace

SwitchEngine::SwitchEngine(Station &station, ReceiverLink &link, QObject *parent)
    : QObject(parent), m_station(station), m_link(link), m_inputs(station)
{
    // Coarse timers may fire 5% early or late; a switch is due to the second.
    for (QTimer *timer : {&tmrClock, &Timer1, &Timer2})
        timer->setTimerType(Qt::PreciseTimer);
    // The ticks keep in step with the clock's 50 ms marks, so a switch is
    // armed and a remote start given within a few milliseconds of its
    // second; a tick that finds itself out of step (the program stood still
    // in a conversation) waits once for the next mark.
    connect(&tmrClock, &QTimer::timeout, this, [this] {
        tick();
        keepInStep();
        if (m_notify)
            m_notify->tickDone();
        Q_EMIT ticked();
    });
    Timer1.setInterval(kSwitchTimerMs);
    Timer2.setInterval(kSwitchTimerMs);
    connect(&Timer1, &QTimer::timeout, this, [this] { switchCycle(1); });
    connect(&Timer2, &QTimer::timeout, this, [this] { switchCycle(2); });
    connect(&m_station, &Station::switchListChanged, this, &SwitchEngine::listRebuilt);
}

void SwitchEngine::start()
{
    tmrClock.setInterval(kTickMs);
    keepInStep();
}

void SwitchEngine::keepInStep()
{
    constexpr int kPastTheMark = 2;
    constexpr int kSlack = 10;
    // The timer keeps its 50 ms from when it fired, however long the tick took
    // (unless it took longer than that): the moment the tick began tells.
    const QDateTime began = m_tickBegan.isValid() ? m_tickBegan : m_station.clock().now();
    const int intoTick = int(began.time().msec() % kTickMs);
    if (intoTick < kPastTheMark || intoTick > kPastTheMark + kSlack)
        tmrClock.start(kTickMs - intoTick + kPastTheMark);
    else if (tmrClock.interval() != kTickMs || !tmrClock.isActive())
        tmrClock.start(kTickMs);
}

// The time this part of the work goes by. A conversation lets time pass, so
// the receiver-2 half of a tick, a switch cycle and a list rebuilt from a
// window take the time again.
void SwitchEngine::takeTime()
{
    const Clock &clock = m_station.clock();
    m_moment = clock.now();
    m_today = m_moment.date();
    m_nowMs = m_moment.toMSecsSinceEpoch();
    m_monoMs = clock.monotonicMs();
}

// How far the clock moved beyond the time that passed since the last tick.
// Instants are compared, so a daylight-saving change is no step at all.
void SwitchEngine::measureClockStep()
{
    m_clockStepMs = m_lastWallMs < 0 ? 0 : (m_nowMs - m_lastWallMs) - (m_monoMs - m_lastMonotonicMs);
    m_lastWallMs = m_nowMs;
    m_lastMonotonicMs = m_monoMs;
}

bool SwitchEngine::clockStepped() const
{
    return qAbs(m_clockStepMs) > kClockStepMs;
}

// Whole seconds from the second the clock is in to the switch's: 0 during
// the switch's own second, so the remote start goes on at that moment and
// the first send 13 s before.
int SwitchEngine::secondsTo(const QDateTime &at) const
{
    return int(at.toSecsSinceEpoch() - m_nowMs / 1000);
}

void SwitchEngine::tick()
{
    takeTime();
    measureClockStep();
    m_tickBegan = m_moment;
    m_talked = false;
    ++m_ticks;
    const QDateTime now = m_moment;

    if (m_station.settings.RemoteControlOn) {
        if (std::optional<QString> label = m_inputs.ReadPortInputs())
            Q_EMIT portStatusChanged(*label);
    }
    // Both holds end on time, also that of a receiver 2 that has no further
    // switch or is no longer in use.
    remoteStartOff(1);
    remoteStartOff(2);
    // The texts change once a second; they are made and shown only then.
    const int second = now.time().msecsSinceStartOfDay() / 1000;
    if (second != m_clockShownSecond || now.date() != m_clockShownDate) {
        m_clockShownSecond = second;
        m_clockShownDate = now.date();
        static const QLocale english(QLocale::English);
        Q_EMIT clockTextChanged(english.toString(now, QStringLiteral("dddd  MM/dd/yyyy  HH:mm:ss")));
    }

    followSwitches(1);
    ebNoSlot(1);

    if (m_station.settings.TwoReceivers == 1) {
        // A reading of receiver 1 lets up to a second and a half pass.
        if (m_talked)
            takeTime();
        followSwitches(2);
        ebNoSlot(2);
    } else if (!m_receivers[1].followed.isEmpty()) {
        // Receiver 2 was given up: its armed switch is cancelled.
        listRebuilt(2);
        m_receivers[1].followed.clear();
    }

    // Once a day, on the first tick of 10:00:15 (rounded to the second).
    if (roundHalfEven(m_moment.time().msecsSinceStartOfDay() / 1000.0) == kPurgeSecond && m_purgedOn != m_today) {
        m_purgedOn = m_today;
        PurgeOldLogs(m_today, m_station.settings.EbNoKeep, m_station.PurgeInterval);
    }
}

void SwitchEngine::followSwitches(int receiver)
{
    if (clockStepped()) {
        // The clock shows another moment: the lists are built again from it,
        // and an armed switch no longer ahead within its window is not sent.
        m_station.buildSwitchList(receiver);
        keepCycleInWindow(receiver, true);
    }
    ReceiverState &s = m_receivers[index(receiver)];
    const QList<SwitchEntry> &list = m_station.switchList(receiver);
    // The next switch however far, and every switch that comes near.
    bool nextFollowed = false;
    for (const SwitchEntry &entry : list) {
        if (nextFollowed && secondsTo(entry.at) > kFollowSeconds)
            break;
        nextFollowed = !follow(receiver, entry).done || nextFollowed;
    }
    // The moments that have come, in order.
    for (Occurrence &o : s.followed) {
        if (!o.done && secondsTo(o.at) <= 0)
            carryOut(receiver, o);
    }
    // Switches whose moment has come move on to next week.
    if (!list.isEmpty() && secondsTo(list.first().at) <= 0)
        m_station.buildSwitchList(receiver);
    arm(receiver);
    const qint64 forgetBefore = m_nowMs - kRememberMs;
    s.followed.removeIf([&](const Occurrence &o) { return o.done && o.at.toMSecsSinceEpoch() < forgetBefore; });
    for (Occurrence &o : s.followed)
        o.lastCountdown = secondsTo(o.at);
    showCountdown(receiver);
}

SwitchEngine::Occurrence &SwitchEngine::follow(int receiver, const SwitchEntry &entry)
{
    if (Occurrence *known = find(receiver, entry.record, entry.at))
        return *known;
    Occurrence o;
    o.record = entry.record;
    o.at = entry.at;
    o.occurs = entry.occurs;
    o.name = programName(entry);
    o.seconds = entry.seconds;
    o.lastCountdown = secondsTo(entry.at);
    return insertInOrder(m_receivers[index(receiver)].followed, std::move(o));
}

SwitchEngine::Occurrence *SwitchEngine::find(int receiver, int record, const QDateTime &at)
{
    for (Occurrence &o : m_receivers[index(receiver)].followed) {
        if (o.record == record && o.at == at)
            return &o;
    }
    return nullptr;
}

SwitchEngine::Occurrence *SwitchEngine::cycleOccurrence(int receiver)
{
    const ReceiverState &s = m_receivers[index(receiver)];
    return switchTimer(receiver).isActive() ? find(receiver, s.cycleRecord, s.cycleAt) : nullptr;
}

// A switch at the same instant as one before it in the list: the receiver can
// take only the first.
bool SwitchEngine::shadowed(int receiver, const Occurrence &o) const
{
    for (const Occurrence &other : m_receivers[index(receiver)].followed) {
        if (&other == &o)
            return false;
        if (other.at == o.at)
            return true;
    }
    return false;
}

// The switch's moment has come. Its remote start goes on now, or a few
// seconds late when the program stood still across it; when the clock was
// set across it, or the program stood still far longer, nothing is given
// now. A switch that did not get all it asked for (its command, its remote
// start) is named in the activity log, so the station's record says why it
// did not switch. False when it waits a tick for its output to be free.
bool SwitchEngine::carryOut(int receiver, Occurrence &o)
{
    const ReceiverState &s = m_receivers[index(receiver)];
    const ScheduleRecord schedule =
        ParseScheduleRecord(m_station.store().ReadScheduleRecord(o.record).value_or(QString()));
    // Only "momentary" and "hold" ask for a start; a schedule whose remote
    // start was never chosen gives none.
    const bool wantsStart = m_station.settings.RemoteControlOn && schedule.inUse()
        && (schedule.RemoteStart == 2 || schedule.RemoteStart == 3);
    const bool inTime =
        o.occurs && !shadowed(receiver, o) && !clockStepped() && -secondsTo(o.at) <= kCatchUpSeconds;
    // A pulse that ends within the second makes way, and the output stays
    // off for a tick before the next start, so that the device sees both.
    if (wantsStart && inTime && (s.RemoteStartOn ? s.offAtMs <= m_monoMs + 1000 : s.offTick == m_ticks))
        return false;
    const bool skipped = !o.sent || (wantsStart && !inTime);
    if (skipped)
        logOccurrence(QStringLiteral("Skipped"), o, receiver);
    if (wantsStart && inTime)
        remoteStartOn(receiver, o, schedule);
    o.done = true;
    m_station.stats.switchDone(receiver, o.name, o.at.toLocalTime(),
                               skipped ? SwitchOutcome::Skipped
                                       : (o.sentOk ? SwitchOutcome::Sent : SwitchOutcome::Failed));
    return true;
}

void SwitchEngine::arm(int receiver)
{
    ReceiverState &s = m_receivers[index(receiver)];
    const ArmingWindow window = kArming[index(receiver)];
    const bool busy = switchTimer(receiver).isActive();
    for (Occurrence &o : s.followed) {
        if (o.done || o.armed || !o.occurs || shadowed(receiver, o))
            continue;
        const int seconds = secondsTo(o.at);
        const bool inWindow = window.above < seconds && seconds < window.below;
        if (busy) {
            o.windowMissed = o.windowMissed || inWindow;
            continue;
        }
        // Past its window without having been armed: the program stood
        // still across the window, the clock was set into it, or the
        // receiver's cycle for an earlier switch took it. Armed now, its
        // command still goes out before its moment.
        const bool late = seconds <= window.above && seconds >= kLatestArming
            && (o.lastCountdown >= window.below || o.windowMissed);
        if (inWindow || late) {
            o.armed = true;
            s.cycleRecord = o.record;
            s.cycleAt = o.at;
            s.SwitchPass = 0;
            switchTimer(receiver).start();
            return;
        }
    }
}

// An armed cycle sends only while its switch is ahead within the window (a
// few seconds behind it too, unless the clock was set): a clock set back or
// forward across it stops it, and nothing goes out for the old moment.
void SwitchEngine::keepCycleInWindow(int receiver, bool strictly)
{
    if (!switchTimer(receiver).isActive())
        return;
    const Occurrence *o = cycleOccurrence(receiver);
    const int seconds = o ? secondsTo(o->at) : INT_MIN;
    if (seconds < (strictly ? 1 : -kCatchUpSeconds) || seconds >= kArming[index(receiver)].below)
        stopCycle(receiver);
}

void SwitchEngine::stopCycle(int receiver)
{
    ReceiverState &s = m_receivers[index(receiver)];
    // A switch stopped before its first send may be armed again when its
    // moment comes round.
    if (Occurrence *o = cycleOccurrence(receiver))
        o->armed = o->sent;
    switchTimer(receiver).stop();
    s.SwitchPass = 0;
    s.cycleRecord = 0;
}

// A rebuilt list no longer holds a followed switch that is still ahead: its
// schedule was deleted, given another time or another receiver. An armed
// one is cancelled, and the activity log says so, unless its schedule's new
// time is still ahead within the window: the cycle then goes on for it.
void SwitchEngine::listRebuilt(int receiver)
{
    ReceiverState &s = m_receivers[index(receiver)];
    if (s.followed.isEmpty())
        return;
    takeTime();
    const QList<SwitchEntry> &list = m_station.switchList(receiver);
    const bool inUse = receiver == 1 || m_station.settings.TwoReceivers == 1;
    const Occurrence *cycling = cycleOccurrence(receiver);
    std::optional<Occurrence> moved;
    for (qsizetype i = 0; i < s.followed.size();) {
        Occurrence &o = s.followed[i];
        const auto entry = std::find_if(list.begin(), list.end(), [&](const SwitchEntry &e) {
            return inUse && e.record == o.record && e.at == o.at;
        });
        // A schedule renamed meanwhile is logged by its new name.
        if (entry != list.end())
            o.name = programName(*entry);
        if (o.done || secondsTo(o.at) <= 0 || entry != list.end()) {
            ++i;
            continue;
        }
        const bool armed = o.armed;
        bool rebound = false;
        if (&o == cycling) {
            const auto again = std::find_if(list.begin(), list.end(), [&](const SwitchEntry &e) {
                const int seconds = secondsTo(e.at);
                return inUse && e.record == o.record && e.occurs && seconds > 0
                    && seconds < kArming[index(receiver)].below;
            });
            if (again != list.end() && !find(receiver, again->record, again->at)) {
                moved = o;
                moved->at = again->at;
                moved->seconds = again->seconds;
                s.cycleAt = again->at;
                rebound = true;
            } else {
                stopCycle(receiver);
            }
        }
        if (armed && !rebound) {
            logOccurrence(QStringLiteral("Cancelled"), o, receiver);
            m_station.stats.switchDone(receiver, o.name, o.at.toLocalTime(), SwitchOutcome::Cancelled);
        }
        s.followed.removeAt(i);
    }
    if (moved)
        insertInOrder(s.followed, *moved);
}

void SwitchEngine::showCountdown(int receiver)
{
    ReceiverState &s = m_receivers[index(receiver)];
    for (const SwitchEntry &entry : m_station.switchList(receiver)) {
        const Occurrence *o = find(receiver, entry.record, entry.at);
        if (o && o->done)
            continue;
        const int seconds = std::max(0, secondsTo(entry.at));
        // The text changes once a second, or with another next switch.
        if (seconds == s.shownCountdown && entry.sortText == s.shownEntry)
            return;
        s.shownCountdown = seconds;
        s.shownEntry = entry.sortText;
        Q_EMIT nextSwitchTextChanged(receiver, QStringLiteral("Next to Switch:  ") + programName(entry)
                                                   + QStringLiteral("  ") + FormatCountdown(seconds));
        return;
    }
}

// "Skipped Noon 12:00:00": what befell a switch, with its time as scheduled.
void SwitchEngine::logOccurrence(const QString &what, const Occurrence &o, int receiver)
{
    m_station.WriteActivityLog(what + QLatin1Char(' ') + o.name + QLatin1Char(' ')
                                   + QTime::fromMSecsSinceStartOfDay(o.seconds * 1000).toString(QStringLiteral("HH:mm:ss")),
                               receiver);
}

void SwitchEngine::remoteStartOn(int receiver, const Occurrence &o, const ScheduleRecord &schedule)
{
    ReceiverState &s = m_receivers[index(receiver)];
    // Another schedule's hold goes on to its end; this start is not given.
    if (s.RemoteStartOn) {
        logOccurrence(QStringLiteral("Remote Start %1 Already On: Not Started").arg(receiver), o, receiver);
        return;
    }
    int duration = 1;
    if (schedule.RemoteStart == 3) {
        const QString length = QStringLiteral("00:") + schedule.SatLen;
        const std::optional<int> seconds = TimeTextToSeconds(length);
        if (!seconds)
            ShowErrorMessage(QStringLiteral("13  Type mismatch: the length \"%1\" of schedule %2 (%3) is not MM:SS; "
                                            "the remote start is held for one second")
                                 .arg(schedule.SatLen.trimmed(), QString::number(o.record), schedule.PgmName.trimmed()));
        duration = seconds.value_or(0);
    }
    m_station.PortBits[receiver == 2 ? 6 : 5] = 1;
    m_station.WritePortBits();
    // The hold ends its length after the switch's instant, and never sooner
    // than a second from now: a start a device can see, also when given late
    // or for a hold of no length. It is held on the monotonic clock, so a
    // clock set meanwhile neither cuts nor stretches it.
    s.offAtMs = m_monoMs + std::max<qint64>(o.at.toMSecsSinceEpoch() + duration * 1000LL - m_nowMs, 1000);
    s.RemoteStartOn = true;
    m_station.WriteActivityLog(QStringLiteral("Remote Start %1 On").arg(receiver), receiver);
    m_station.stats.remoteStart(receiver, true);
    Q_EMIT remoteStartShown(receiver, true);
}

void SwitchEngine::remoteStartOff(int receiver)
{
    const ReceiverState &s = m_receivers[index(receiver)];
    if (s.RemoteStartOn && m_monoMs > s.offAtMs)
        outputOff(receiver);
}

void SwitchEngine::outputOff(int receiver)
{
    ReceiverState &s = m_receivers[index(receiver)];
    s.RemoteStartOn = false;
    s.offTick = m_ticks;
    m_station.PortBits[receiver == 2 ? 6 : 5] = 0;
    m_station.WritePortBits();
    m_station.stats.remoteStart(receiver, false);
    Q_EMIT remoteStartShown(receiver, false);
    m_station.WriteActivityLog(QStringLiteral("Remote Start %1 Off").arg(receiver), receiver);
}

void SwitchEngine::endOutputs()
{
    for (int receiver : {1, 2}) {
        if (m_receivers[index(receiver)].RemoteStartOn)
            outputOff(receiver);
    }
}

void SwitchEngine::ebNoSlot(int receiver)
{
    ReceiverState &s = m_receivers[index(receiver)];
    const QTime time = m_moment.time();
    const int latchRelease = receiver == 2 ? 21 : 13;
    if (time.second() > latchRelease && s.EbNoDone == 1)
        s.EbNoDone = 0;
    if (m_station.settings.EbNoRate == 0 || s.EbNoDone != 0)
        return;
    if (!inEbNoSlot(m_station.settings.EbNoRate, time, receiver == 2 ? 20 : 12))
        return;
    m_link.ReadEbNo(m_station.settings.receiverPort(receiver), receiver == 2 ? QStringLiteral("R2") : QStringLiteral("R1"));
    s.EbNoDone = 1;
    m_talked = true;
}

void SwitchEngine::switchCycle(int receiver)
{
    takeTime();
    keepCycleInWindow(receiver, false);
    Occurrence *o = cycleOccurrence(receiver);
    if (!o)
        return;
    ReceiverState &s = m_receivers[index(receiver)];
    if (s.SwitchPass != 2) {
        // The first send is due as many seconds before the switch as the
        // arming window's lower edge.
        if (!o->sent)
            m_station.stats.firstSendDelay(
                receiver, (m_nowMs - o->at.toMSecsSinceEpoch()) / 1000.0 + kArming[index(receiver)].above);
        const int record = o->record;
        const bool sent = m_link.SwitchReceiver(receiver, record);
        if ((o = cycleOccurrence(receiver))) {
            o->sent = true;
            o->sentOk = o->sentOk || sent;
        }
        ++s.SwitchPass;
        return;
    }
    s.SwitchPass = 0;
    switchTimer(receiver).stop();
    m_station.CommandText = QStringLiteral("R M");
    if (m_station.settings.MpegLogOn)
        m_link.ReadMpeg(QString::number(receiver));
}
