#include "switchengine.h"

#include "station/activitylog.h"
#include "station/station.h"
#include "station/switchlist.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/servicenotify.h"
#include "receiver/receiverlink.h"

#include <QLocale>

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
// The time of day moving this much more (or less) than the time that passed
// is a clock that was set, not timer jitter or a slewing clock.
constexpr qint64 kClockStepMs = 2000;

// What the engine did for one switch occurrence.
enum Handled { kArmed = 1, kStarted = 2 };

// One switch occurrence: its day, schedule and second.
quint64 occurrenceKey(const NextSwitch &next)
{
    return (quint64(next.NextSwitchDate.toJulianDay()) << 40) | (quint64(next.NextRecord) << 17)
        | quint64(next.NextSwitchSeconds);
}

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

// The time this part of the tick works with. A conversation inside the tick
// lets time pass, so the receiver-2 half takes the time again.
void SwitchEngine::takeTime()
{
    const QDateTime now = m_station.clock().now();
    m_moment = now;
    m_today = now.date();
    m_now = now.time().msecsSinceStartOfDay() / 1000.0;
    // Whole seconds: the countdown reaches 0 at the switch time itself, so
    // the remote start goes on at that moment and the first send 13 s before.
    m_whole = int(m_now);
}

// How far the time of day moved beyond the time that passed since the last
// tick. The local date and time are compared as written, so a daylight-saving
// change counts as the step the operator sees on the clock.
void SwitchEngine::measureClockStep()
{
    const qint64 wall = m_today.toJulianDay() * 86400000 + m_moment.time().msecsSinceStartOfDay();
    const qint64 monotonic = m_station.clock().monotonicMs();
    m_clockStepMs = m_lastWallMs < 0 ? 0 : (wall - m_lastWallMs) - (monotonic - m_lastMonotonicMs);
    m_lastWallMs = wall;
    m_lastMonotonicMs = monotonic;
    if (!clockStepped())
        return;
    // A held output keeps the length it was given in real time.
    for (ReceiverState &s : m_receivers) {
        if (s.RemoteStartOn)
            s.RemoteStartOffAt += m_clockStepMs / 1000.0;
    }
}

bool SwitchEngine::clockStepped() const
{
    return qAbs(m_clockStepMs) > kClockStepMs;
}

void SwitchEngine::tick()
{
    takeTime();
    measureClockStep();
    m_tickBegan = m_moment;
    m_talked = false;
    const QDateTime now = m_moment;

    if (m_station.settings.RemoteControlOn) {
        if (std::optional<QString> label = m_inputs.ReadPortInputs())
            Q_EMIT portStatusChanged(*label);
    }
    remoteStartOff(1);
    // The texts change once a second; they are made and shown only then.
    const int second = now.time().msecsSinceStartOfDay() / 1000;
    if (second != m_clockShownSecond || now.date() != m_clockShownDate) {
        m_clockShownSecond = second;
        m_clockShownDate = now.date();
        static const QLocale english(QLocale::English);
        Q_EMIT clockTextChanged(english.toString(now, QStringLiteral("dddd  MM/dd/yyyy  HH:mm:ss")));
    }

    if (m_station.nextSwitch(1).NextRecord != 0)
        countDown(1);
    ebNoSlot(1);

    if (m_station.settings.TwoReceivers == 1) {
        // A reading of receiver 1 lets up to a second and a half pass.
        if (m_talked)
            takeTime();
        Receiver2();
    }

    if (roundHalfEven(m_now) == kPurgeSecond)
        PurgeOldLogs(m_today, m_station.settings.EbNoKeep, m_station.PurgeInterval);
}

void SwitchEngine::Receiver2()
{
    // The hold of remote start 2 ends on time even when receiver 2 has no
    // further switch.
    remoteStartOff(2);
    if (m_station.nextSwitch(2).NextRecord != 0)
        countDown(2);
    ebNoSlot(2);
}

int SwitchEngine::secondsToSwitch(int receiver) const
{
    const NextSwitch &next = m_station.nextSwitch(receiver);
    return next.NextSwitchSeconds - m_whole + 86400 * int(m_today.daysTo(next.NextSwitchDate));
}

quint64 SwitchEngine::nextOccurrence(int receiver) const
{
    return occurrenceKey(m_station.nextSwitch(receiver));
}

bool SwitchEngine::sameSwitchAsLastTick(int receiver) const
{
    return m_receivers[index(receiver)].seen == nextOccurrence(receiver);
}

void SwitchEngine::remember(int receiver, int secondsToSwitch)
{
    ReceiverState &s = m_receivers[index(receiver)];
    s.seen = nextOccurrence(receiver);
    s.seenCountdown = secondsToSwitch;
}

void SwitchEngine::countDown(int receiver)
{
    const auto show = [&](int seconds) {
        ReceiverState &s = m_receivers[index(receiver)];
        const NextSwitch &next = m_station.nextSwitch(receiver);
        if (seconds == s.shownCountdown && next.NextSwitchName == s.shownName)
            return;
        s.shownCountdown = seconds;
        s.shownName = next.NextSwitchName;
        Q_EMIT nextSwitchTextChanged(receiver, QStringLiteral("Next to Switch:  ") + next.NextSwitchName
                                                   + QStringLiteral("  ") + FormatCountdown(seconds));
    };
    int seconds = secondsToSwitch(receiver);
    show(seconds);
    if (seconds < 0) {
        // Still ahead at the last tick: its moment passed in between.
        if (sameSwitchAsLastTick(receiver) && m_receivers[index(receiver)].seenCountdown >= 1)
            passedBetweenTicks(receiver, -seconds);
        m_station.buildSwitchList(receiver);
        // Only the last day's occurrences can come round again.
        QHash<quint64, int> &handled = m_receivers[index(receiver)].handled;
        const quint64 yesterday = quint64(m_today.addDays(-1).toJulianDay()) << 40;
        handled.removeIf([yesterday](const auto &entry) { return entry.key() < yesterday; });
        if (m_station.nextSwitch(receiver).NextRecord == 0)
            return;
        seconds = secondsToSwitch(receiver);
        show(seconds);
    }
    if (seconds < 1 && m_station.settings.RemoteControlOn)
        remoteStartOn(receiver);
    armSwitchTimer(receiver, seconds);
    remember(receiver, seconds);
}

// A switch whose moment came between two ticks. When the program stood still
// across it, its remote start is given late, if only a few seconds late. When
// the time of day was moved forward across it, or the program stood still far
// longer, nothing is given now, and a switch that did not get all it asked
// for (its command, its remote start) is named in the activity log, so the
// station's record says why it did not switch.
void SwitchEngine::passedBetweenTicks(int receiver, int secondsLate)
{
    const bool remoteStarts = m_station.settings.RemoteControlOn;
    if (!clockStepped() && secondsLate <= kCatchUpSeconds) {
        if (remoteStarts)
            remoteStartOn(receiver);
        return;
    }
    const NextSwitch &next = m_station.nextSwitch(receiver);
    const int handled = m_receivers[index(receiver)].handled.value(occurrenceKey(next));
    bool startMissed = false;
    if (remoteStarts && !(handled & kStarted)) {
        const std::optional<QString> text = m_station.store().ReadScheduleRecord(next.NextRecord);
        const ScheduleRecord r = ParseScheduleRecord(text.value_or(QString()));
        startMissed = r.inUse() && (r.RemoteStart == 2 || r.RemoteStart == 3);
    }
    if ((handled & kArmed) && !startMissed)
        return;
    m_station.WriteActivityLog(QStringLiteral("Skipped ") + next.NextSwitchName + QLatin1Char(' ')
                               + QTime::fromMSecsSinceStartOfDay(next.NextSwitchSeconds * 1000)
                                     .toString(QStringLiteral("HH:mm:ss")));
}

void SwitchEngine::remoteStartOn(int receiver)
{
    ReceiverState &s = m_receivers[index(receiver)];
    const NextSwitch &next = m_station.nextSwitch(receiver);
    int &handled = s.handled[occurrenceKey(next)];
    // One start per switch occurrence, also when the time of day comes round
    // to it again.
    if (s.RemoteStartOn || (handled & kStarted))
        return;
    handled |= kStarted;
    const std::optional<QString> text = m_station.store().ReadScheduleRecord(next.NextRecord);
    if (!text)
        return;
    const ScheduleRecord r = ParseScheduleRecord(*text);
    // Only "momentary" and "hold" ask for a start; a schedule whose remote
    // start was never chosen gives none.
    if (!r.inUse() || (r.RemoteStart != 2 && r.RemoteStart != 3))
        return;
    int duration = 1;
    if (r.RemoteStart == 3) {
        const QString length = QStringLiteral("00:") + r.SatLen;
        const std::optional<int> seconds = TimeTextToSeconds(length);
        if (!seconds)
            ShowErrorMessage(QStringLiteral("13  Type mismatch: the length \"%1\" of schedule %2 (%3) is not MM:SS; "
                                            "the remote start is held for one second")
                                 .arg(r.SatLen.trimmed(), QString::number(next.NextRecord), r.PgmName.trimmed()));
        duration = seconds.value_or(0);
    }
    m_station.PortBits[receiver == 2 ? 6 : 5] = 1;
    m_station.WritePortBits();
    // A start a device can see: never shorter than the momentary second, also
    // when given late in its second or for a hold of no length.
    s.RemoteStartOffAt = std::max(double(m_whole + duration), m_now + 1.0);
    s.offAtDay = m_today;
    s.RemoteStartOn = true;
    m_station.WriteActivityLog(QStringLiteral("Remote Start %1 On").arg(receiver));
    Q_EMIT remoteStartShown(receiver, true);
}

void SwitchEngine::remoteStartOff(int receiver)
{
    ReceiverState &s = m_receivers[index(receiver)];
    if (!s.RemoteStartOn)
        return;
    // An off time set before midnight for after it comes into the new day on
    // the first tick of that day, even when a conversation hid second 0.
    if (s.offAtDay.isValid() && s.offAtDay < m_today) {
        s.RemoteStartOffAt -= 86400.0 * double(s.offAtDay.daysTo(m_today));
        s.offAtDay = m_today;
    }
    if (m_now <= s.RemoteStartOffAt)
        return;
    s.RemoteStartOn = false;
    m_station.PortBits[receiver == 2 ? 6 : 5] = 0;
    m_station.WritePortBits();
    Q_EMIT remoteStartShown(receiver, false);
    m_station.WriteActivityLog(QStringLiteral("Remote Start %1 Off").arg(receiver));
}

void SwitchEngine::armSwitchTimer(int receiver, int secondsToSwitch)
{
    QTimer &timer = switchTimer(receiver);
    if (timer.isActive())
        return;
    ReceiverState &s = m_receivers[index(receiver)];
    const ArmingWindow window = kArming[index(receiver)];
    bool arm = window.above < secondsToSwitch && secondsToSwitch < window.below;
    // The previous tick of the same switch was before the window and this one
    // is past it: the program stood still across the window, or the time of
    // day was moved into it. The switch is still ahead: sent now, its command
    // still goes out before its moment.
    if (!arm && sameSwitchAsLastTick(receiver) && s.seenCountdown >= window.below
        && secondsToSwitch <= window.above && secondsToSwitch >= kLatestArming)
        arm = true;
    if (!arm)
        return;
    int &handled = s.handled[occurrenceKey(m_station.nextSwitch(receiver))];
    if (handled & kArmed)
        return;
    handled |= kArmed;
    timer.start();
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
    ReceiverState &s = m_receivers[index(receiver)];
    if (s.SwitchPass != 2) {
        m_link.SwitchReceiver(receiver);
        ++s.SwitchPass;
        return;
    }
    s.SwitchPass = 0;
    switchTimer(receiver).stop();
    m_station.CommandText = QStringLiteral("R M");
    if (m_station.settings.MpegLogOn)
        m_link.ReadMpeg(QString::number(receiver));
}
