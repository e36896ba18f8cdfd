#include "switchengine.h"

#include "station/activitylog.h"
#include "station/station.h"
#include "station/switchlist.h"
#include "platform/clock.h"
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

void SwitchEngine::tick()
{
    takeTime();
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

bool SwitchEngine::sameSwitchAsLastTick(int receiver) const
{
    const ReceiverState &s = m_receivers[index(receiver)];
    const NextSwitch &next = m_station.nextSwitch(receiver);
    return s.seenRecord == next.NextRecord && s.seenDate == next.NextSwitchDate
        && s.seenSeconds == next.NextSwitchSeconds;
}

void SwitchEngine::remember(int receiver, int secondsToSwitch)
{
    ReceiverState &s = m_receivers[index(receiver)];
    const NextSwitch &next = m_station.nextSwitch(receiver);
    s.seenRecord = next.NextRecord;
    s.seenDate = next.NextSwitchDate;
    s.seenSeconds = next.NextSwitchSeconds;
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
        // A switch whose moment passed while the program stood still still
        // gets its remote start.
        if (sameSwitchAsLastTick(receiver) && m_receivers[index(receiver)].seenCountdown >= 1
            && m_station.settings.RemoteControlOn)
            remoteStartOn(receiver, m_station.nextSwitch(receiver).NextRecord);
        m_station.buildSwitchList(receiver);
        if (m_station.nextSwitch(receiver).NextRecord == 0)
            return;
        seconds = secondsToSwitch(receiver);
        show(seconds);
    }
    if (seconds < 1 && m_station.settings.RemoteControlOn)
        remoteStartOn(receiver, m_station.nextSwitch(receiver).NextRecord);
    armSwitchTimer(receiver, seconds);
    remember(receiver, seconds);
}

void SwitchEngine::remoteStartOn(int receiver, int record)
{
    ReceiverState &s = m_receivers[index(receiver)];
    if (s.RemoteStartOn)
        return;
    const std::optional<QString> text = m_station.store().ReadScheduleRecord(record);
    if (!text)
        return;
    const ScheduleRecord r = ParseScheduleRecord(*text);
    // Only "momentary" and "hold" ask for a start; a schedule whose remote
    // start was never chosen gives none.
    if (!r.inUse() || (r.RemoteStart != 2 && r.RemoteStart != 3))
        return;
    int duration = 1;
    if (r.RemoteStart == 3)
        duration = TimeTextToSeconds(QStringLiteral("00:") + r.SatLen).value_or(0);
    m_station.PortBits[receiver == 2 ? 6 : 5] = 1;
    m_station.WritePortBits();
    s.RemoteStartOffAt = m_whole + duration;
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
    const ArmingWindow window = kArming[index(receiver)];
    bool arm = window.above < secondsToSwitch && secondsToSwitch < window.below;
    // The previous tick of the same switch was before the window and this one
    // is past it: the program stood still across the window.
    const ReceiverState &s = m_receivers[index(receiver)];
    if (!arm && sameSwitchAsLastTick(receiver) && s.seenCountdown >= window.below
        && secondsToSwitch <= window.above && secondsToSwitch >= kLatestArming)
        arm = true;
    if (arm)
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
