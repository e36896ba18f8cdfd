#include "engine/switchengine.h"
#include "receiver/receiverlink.h"
#include "station/floppy.h"
#include "schedules.h"
#include "teststation.h"

#include <QtTest>

#include <numeric>

namespace {

const QDate kMonday = kTestMonday.date();

// "11:59:40" or "11:59:40.500" on the day, local time; "00:59:30Z" in UTC;
// a trailing "+" for the day after.
QDateTime at(QString time, const QDate &day = kMonday)
{
    const QDate date = time.endsWith('+') ? day.addDays(1) : day;
    time.remove('+');
    const bool utc = time.endsWith('Z');
    time.remove('Z');
    const QTime t = QTime::fromString(time, time.size() > 8 ? "HH:mm:ss.zzz" : "HH:mm:ss");
    return utc ? QDateTime(date, t, Qt::UTC).toLocalTime() : QDateTime(date, t);
}

// Runs a test in a time zone, and back in UTC afterwards.
struct Zone
{
    explicit Zone(const QString &name) { qputenv("TZ", name.isEmpty() ? "UTC" : name.toLatin1()); }
    ~Zone() { qputenv("TZ", "UTC"); }
};

// The engine over a TestStation with the remote control on. run() ticks every
// 50 ms (or tickMs) and fires an armed switch timer every 2 s after it was
// armed, as the event loop would, and notes each change of the output byte.
class Rig : public TestStation
{
public:
    explicit Rig(const QDateTime &start) : TestStation(start) { station.settings.RemoteControlOn = true; }

    // A Stereo English schedule switching at `time` on the clock's weekday
    // (the next day's with a trailing "+").
    int add(const QString &name, QString time, int remoteStart = 2, const QString &length = {}, int receiver = 1)
    {
        ScheduleRecord r = stereoEnglish(name, receiver, remoteStart, length);
        const int day = clock.today().addDays(time.endsWith('+') ? 1 : 0).dayOfWeek() % 7;
        r.SwitchTime[day] = time.remove('+');
        return addSchedule(r);
    }
    // "12:00:00 A": schedule A at noon on receiver 1 with a momentary start;
    // "12:00:00 B 2" on receiver 2; "12:00:00 H 1 05:30" held for 05:30.
    void add(const QStringList &schedules)
    {
        for (const QString &s : schedules) {
            const QStringList f = s.split(' ');
            if (f.value(2) == "2")
                station.settings.TwoReceivers = 1;
            add(f.at(1), f.at(0), f.size() > 3 ? 3 : 2, f.value(3), f.value(2, "1").toInt());
        }
    }

    void run(const QDateTime &until, int tickMs = 50)
    {
        for (; clock.now() < until; clock.advanceMs(tickMs)) {
            engine.tick();
            for (int r = 1; r <= 2; ++r) {
                QDateTime &due = timerDue[r - 1];
                if (!engine.switchTimerArmed(r))
                    due = {};
                else if (!due.isValid())
                    due = clock.now().addMSecs(2000);
                else if (clock.now() >= due) {
                    engine.switchCycle(r);
                    due = due.addMSecs(2000);
                }
            }
            if (outputs.isEmpty() || outputs.last().second != outputByte())
                outputs.append({clock.now(), outputByte()});
        }
    }

    // The activity log's lines with their spacing and the command's text left
    // out: "11:59:47 Noon News", "12:00:00 Remote Start 1 On".
    QStringList activity(const QDate &day = {}) const
    {
        QStringList lines;
        for (const QByteArray &line : log("AL", day).split('\n'))
            lines << QString::fromLatin1(line.simplified()).remove(QLatin1String(" SETAUDIO 2 S ENG 7"));
        lines.removeAll(QString());
        return lines;
    }
    // Every day's lines from `first` to the clock's day.
    QStringList activitySince(const QDate &first) const
    {
        QStringList lines;
        for (QDate day = first; day <= clock.today(); day = day.addDays(1))
            lines += activity(day);
        return lines;
    }
    // "11:59:47.000 1 SETAUDIO 2 S ENG 7  ": each command line a receiver got.
    QStringList sent(const QString &format = "HH:mm:ss.zzz") const
    {
        QStringList lines;
        for (const FakeReceivers::Sent &s : receivers.sent)
            lines << s.at.toString(format + ' ') + QString::number(s.port) + ' ' + QString::fromLatin1(s.bytes).trimmed();
        return lines;
    }

    ReceiverLink link{station};
    SwitchEngine engine{station, link};
    std::array<QDateTime, 2> timerDue;
    QList<QPair<QDateTime, quint8>> outputs;
};

} // namespace

class tst_SwitchEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void switchAtNoon()
    {
        Rig rig(at("11:59:40"));
        rig.station.settings.MpegLogOn = true;
        rig.add("Noon News", "12:00:00");
        QStringList shown;
        connect(&rig.engine, &SwitchEngine::clockTextChanged, [&](const QString &text) { shown << text; });
        connect(&rig.engine, &SwitchEngine::nextSwitchTextChanged, [&](int, const QString &text) { shown << text; });
        rig.run(at("12:00:05"));
        QCOMPARE(shown.mid(0, 2), (QStringList{"Monday  12/06/2027  11:59:40", "Next to Switch:  Noon News  00:20"}));
        QCOMPARE(shown.mid(shown.size() - 2),
                 (QStringList{"Monday  12/06/2027  12:00:04", "Next to Switch:  Noon News  167:59:56"}));

        QStringList sent;
        for (const FakeReceivers::Sent &s : rig.receivers.sent)
            sent << s.at.toString("HH:mm:ss.zzz ") + QString::number(s.port) + ' ' + QString::fromLatin1(s.bytes) +
                        ' ' + s.settings;
        QCOMPARE(sent,
                 (QStringList{"11:59:47.000 1 SETAUDIO 2 S ENG 7  \r 9600,N,8,1",
                              "11:59:49.000 1 SETAUDIO 2 S ENG 7  \r 9600,N,8,1", "11:59:51.000 1 R M\r 9600,N,8,1"}));
        // Remote start 1 (bit 5) on at the switch time, off one second later.
        QCOMPARE(rig.outputs,
                 (QList<QPair<QDateTime, quint8>>{{at("11:59:40"), 0}, {at("12:00:00"), 32}, {at("12:00:01.050"), 0}}));
        QCOMPARE(rig.log("MP"), QByteArray("11:59:51\r\nMPEG locked\r\n>\r\n"));
        // Counted for the status server: one switch sent, its first send on
        // time, one remote start.
        const ReceiverFigures &counted = rig.station.stats.figures().receivers[0];
        QCOMPARE(counted.switches, (std::array<quint64, 4>{1, 0, 0, 0}));
        QCOMPARE(counted.firstSendCount, quint64(1));
        QCOMPARE(counted.firstSendSum, 0.0);
        QCOMPARE(counted.remoteStarts, quint64(1));
    }

    // What a run switches and logs. The run "A .. B" goes from A to B; a step
    // "A -> B" inside it is a program that stands still from A to B (a long
    // conversation), "A => B" a clock set from A to B (by hand). Schedules as
    // Rig::add takes them. Every switch is carried out, or said to be
    // skipped: none vanishes.
    void timeline_data()
    {
        QTest::addColumn<QString>("run");
        QTest::addColumn<QStringList>("schedules");
        QTest::addColumn<QStringList>("activity");
        const QStringList A = {"12:00:00 A"};
        const QStringList noon = {"11:59:47 A", "11:59:49 A", "12:00:00 Remote Start 1 On",
                                  "12:00:01 Remote Start 1 Off"};
        const QStringList startOnly = noon.mid(2);
        const QStringList skipped = QStringList{"12:00:00 Skipped A 12:00:00"} + startOnly;
        QTest::newRow("armed with 15 s left") << "11:59:40 .. 12:00:05" << A << noon;
        QTest::newRow("armed with 14 s left on the first tick")
            << "11:59:46 .. 12:00:05" << A << QStringList{"11:59:48 A", "11:59:50 A"} + startOnly;
        QTest::newRow("started 10 s before: the start, the command skipped") << "11:59:50 .. 12:00:05" << A << skipped;
        QTest::newRow("receiver 2 armed with 10 s left")
            << "11:59:40 .. 12:00:05" << QStringList{"12:00:00 B 2"}
            << QStringList{"11:59:52 B Receiver 2", "11:59:54 B Receiver 2", "12:00:00 Remote Start 2 On",
                           "12:00:01 Remote Start 2 Off"};

        // Switches close together: each armed in turn, each start at its own second.
        QTest::newRow("1 s apart: the later armed after the earlier's cycle")
            << "11:59:30 .. 12:00:05" << QStringList{"12:00:00 A", "12:00:01 B"}
            << QStringList{"11:59:47 A", "11:59:49 A", "11:59:53 B", "11:59:55 B", "12:00:00 Remote Start 1 On",
                           "12:00:01 Remote Start 1 Off", "12:00:01 Remote Start 1 On", "12:00:02 Remote Start 1 Off"};
        QTest::newRow("5 s apart") << "11:59:30 .. 12:00:10" << QStringList{"12:00:00 A", "12:00:05 B"}
                                   << noon.mid(0, 2) + QStringList{"11:59:53 B", "11:59:55 B"} + startOnly
                                          + QStringList{"12:00:05 Remote Start 1 On", "12:00:06 Remote Start 1 Off"};
        QTest::newRow("14 s apart: the later in its own window")
            << "11:59:30 .. 12:00:20" << QStringList{"12:00:00 A", "12:00:14 B"}
            << noon.mid(0, 2) + QStringList{"12:00:00 Remote Start 1 On", "12:00:01 B", "12:00:01 Remote Start 1 Off",
                                            "12:00:03 B", "12:00:14 Remote Start 1 On", "12:00:15 Remote Start 1 Off"};
        QTest::newRow("1 s apart across midnight")
            << "23:59:30 .. 00:00:05+" << QStringList{"23:59:59 A", "00:00:00+ B"}
            << QStringList{"23:59:46 A", "23:59:48 A", "23:59:52 B", "23:59:54 B", "23:59:59 Remote Start 1 On",
                           "00:00:00 Remote Start 1 Off", "00:00:00 Remote Start 1 On", "00:00:01 Remote Start 1 Off"};
        QTest::newRow("the same second: the first in the list, the other skipped")
            << "11:59:30 .. 12:00:05" << QStringList{"12:00:00 B", "12:00:00 A"}
            << noon.mid(0, 2) + QStringList{"12:00:00 Remote Start 1 On", "12:00:00 Skipped B 12:00:00",
                                            "12:00:01 Remote Start 1 Off"};
        QTest::newRow("a momentary start inside a hold is told, the hold goes on")
            << "11:59:40 .. 12:05:35" << QStringList{"12:00:00 H 1 05:30", "12:03:00 M"}
            << QStringList{"11:59:47 H", "11:59:49 H", "12:00:00 Remote Start 1 On", "12:02:47 M", "12:02:49 M",
                           "12:03:00 Remote Start 1 Already On: Not Started M 12:03:00",
                           "12:05:30 Remote Start 1 Off"};

        // The program stands still.
        QTest::newRow("stood still across the window: armed late")
            << "11:59:40 .. 11:59:43.500 -> 11:59:47 .. 12:00:05" << A
            << QStringList{"11:59:49 A", "11:59:51 A"} + startOnly;
        QTest::newRow("stood still until 4 s before: too late to arm")
            << "11:59:40 .. 11:59:43 -> 11:59:56 .. 12:00:05" << A << skipped;
        QTest::newRow("stood still across the moment: the start comes late")
            << "11:59:40 .. 11:59:59 -> 12:00:01.200 .. 12:00:05" << A
            << noon.mid(0, 2) + QStringList{"12:00:01 Remote Start 1 On", "12:00:02 Remote Start 1 Off"};
        QTest::newRow("stood still 20 s across the moment: skipped")
            << "11:59:58 .. 11:59:59 -> 12:00:20 .. 12:00:25" << A << QStringList{"12:00:20 Skipped A 12:00:00"};

        // The clock is set.
        QTest::newRow("set 40 s forward across the switch: skipped")
            << "11:59:30 .. 11:59:40 => 12:00:20 .. 12:00:25" << A << QStringList{"12:00:20 Skipped A 12:00:00"};
        QTest::newRow("set 5 s forward after the commands: the start is skipped")
            << "11:59:30 .. 11:59:58 => 12:00:03 .. 12:00:05" << QStringList{"11:59:59 A"}
            << QStringList{"11:59:46 A", "11:59:48 A", "12:00:03 Skipped A 11:59:59"};
        QTest::newRow("set 8 s forward into the window: armed late")
            << "11:59:30 .. 11:59:40 => 11:59:48 .. 12:00:05" << A
            << QStringList{"11:59:50 A", "11:59:52 A"} + startOnly;
        QTest::newRow("set 20 s back while armed: armed again, sent once")
            << "11:59:40 .. 11:59:46 => 11:59:26 .. 12:00:05" << A << noon;
        QTest::newRow("set 20 s forward while armed: nothing sent")
            << "11:59:40 .. 11:59:46 => 12:00:06 .. 12:00:10" << A << QStringList{"12:00:06 Skipped A 12:00:00"};
        QTest::newRow("set an hour back while armed: nothing now, all an hour later")
            << "11:59:40 .. 11:59:46 => 10:59:46 .. 12:00:05" << A << noon;
        QTest::newRow("set an hour back after the first send: not sent again")
            << "11:59:40 .. 11:59:48 => 10:59:48 .. 12:00:05" << A
            << QStringList{"11:59:47 A", "12:00:00 Remote Start 1 On", "12:00:01 Remote Start 1 Off"};
        QTest::newRow("set an hour forward while armed: nothing sent")
            << "11:59:40 .. 11:59:46 => 12:59:46 .. 12:59:50" << A << QStringList{"12:59:46 Skipped A 12:00:00"};
        QTest::newRow("set an hour back after the switch: not switched again")
            << "11:59:40 .. 12:00:05 => 11:00:05 .. 12:00:05" << A << noon;
    }

    void timeline()
    {
        QFETCH(QString, run);
        QFETCH(QStringList, schedules);
        const QStringList times = run.split(' ');
        Rig rig(at(times.first()));
        rig.add(schedules);
        // Ticks every 50 ms, or 250 ms until the last minute of a long stretch.
        const auto runTo = [&](const QDateTime &until) {
            if (rig.clock.now().secsTo(until) > 120)
                rig.run(until.addSecs(-60), 250);
            rig.run(until);
        };
        for (int i = 2; i + 2 < times.size(); i += 4) {
            runTo(at(times.at(i)));
            if (times.at(i + 1) == "->")
                rig.clock.set(at(times.at(i + 2)));
            else
                rig.clock.jump(at(times.at(i + 2)));
        }
        runTo(at(times.last()));
        const QStringList activity = rig.activitySince(kMonday);
        QTEST(activity, "activity");
        for (int r = 1; r <= 2; ++r)
            QVERIFY(!rig.engine.switchTimerArmed(r));
        // A device sees every start and every end: each is a change of the
        // output byte that lasts a tick at least.
        QCOMPARE(rig.outputs.size() - 1, activity.filter(QRegularExpression("Remote Start . O(n|ff)$")).size());
        // Each switch ends once, and a skipped one is counted as such.
        std::array<quint64, 4> outcomes{};
        for (const ReceiverFigures &counted : rig.station.stats.figures().receivers) {
            for (int i = 0; i < 4; ++i)
                outcomes[i] += counted.switches[i];
        }
        QCOMPARE(std::accumulate(outcomes.begin(), outcomes.end(), quint64(0)), quint64(schedules.size()));
        QCOMPARE(outcomes[int(SwitchOutcome::Skipped)], quint64(activity.filter(" Skipped ").size()));
    }

    // Daylight saving: the countdown, the commands and the start go by
    // instants. The runs are given in UTC; the activity log shows local time.
    void daylightSaving_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("run");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QStringList>("sent"); // UTC
        QTest::addColumn<QStringList>("activity");
        const QDate berlinAutumn(2027, 10, 31), newYorkAutumn(2027, 11, 7);
        QTest::newRow("Berlin autumn: just after the repeated hour")
            << "Europe/Berlin" << berlinAutumn << "00:59:30Z 02:00:10Z" << "03:00:05"
            << QStringList{"01:59:52", "01:59:54"}
            << QStringList{"02:59:52 A", "02:59:54 A", "03:00:05 Remote Start 1 On", "03:00:06 Remote Start 1 Off"};
        QTest::newRow("New York autumn: just after the repeated hour")
            << "America/New_York" << newYorkAutumn << "05:59:30Z 07:00:10Z" << "02:00:05"
            << QStringList{"06:59:52", "06:59:54"}
            << QStringList{"01:59:52 A", "01:59:54 A", "02:00:05 Remote Start 1 On", "02:00:06 Remote Start 1 Off"};
        QTest::newRow("Berlin autumn: in the repeated hour, once, at its first")
            << "Europe/Berlin" << berlinAutumn << "00:29:40Z 01:30:10Z" << "02:30:00"
            << QStringList{"00:29:47", "00:29:49"}
            << QStringList{"02:29:47 A", "02:29:49 A", "02:30:00 Remote Start 1 On", "02:30:01 Remote Start 1 Off"};
        QTest::newRow("Berlin spring: a time the clock skips is skipped and told")
            << "Europe/Berlin" << QDate(2027, 3, 28) << "00:59:40Z 01:00:05Z" << "02:30:00" << QStringList()
            << QStringList{"03:00:00 Skipped A 02:30:00"};
        QTest::newRow("New York spring") << "America/New_York" << QDate(2027, 3, 14) << "06:59:40Z 07:00:05Z"
                                         << "02:15:00" << QStringList() << QStringList{"03:00:00 Skipped A 02:15:00"};
    }

    void daylightSaving()
    {
        QFETCH(QString, zone);
        QFETCH(QDate, day);
        QFETCH(QString, run);
        QFETCH(QString, time);
        const Zone inZone(zone);
        Rig rig(at(run.section(' ', 0, 0), day));
        rig.add("A", time);
        rig.run(at(run.section(' ', 1, 1), day), 250);
        QStringList sent;
        for (const FakeReceivers::Sent &s : rig.receivers.sent)
            sent << s.at.toUTC().toString("HH:mm:ss");
        QTEST(sent, "sent");
        QTEST(rig.activity(day), "activity");
    }

    // Noon (ENG) and Evening at 18:00 on receiver 1; Noon is armed at
    // 11:59:45 and edited at 11:59:46 (or after its first send). The armed
    // cycle never sends another schedule: it sends Noon as it stands now, or
    // it is cancelled and says so.
    void editsWhileArmed_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("when");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("activity");
        const QString eng = "1 SETAUDIO 2 S ENG 7";
        const QStringList cancelled = {"11:59:46 Cancelled Noon 12:00:00"};
        QTest::newRow("deleted") << "delete" << "11:59:46" << QStringList() << cancelled;
        QTest::newRow("deleted after the first send")
            << "delete" << "11:59:48" << QStringList{"11:59:47 " + eng}
            << QStringList{"11:59:47 Noon", "11:59:48 Cancelled Noon 12:00:00"};
        QTest::newRow("moved to 12:30") << "12:30:00" << "11:59:46" << QStringList() << cancelled;
        QTest::newRow("moved a second later, still in the window")
            << "12:00:01" << "11:59:46" << QStringList{"11:59:47 " + eng, "11:59:49 " + eng}
            << QStringList{"11:59:47 Noon", "11:59:49 Noon", "12:00:01 Remote Start 1 On",
                           "12:00:02 Remote Start 1 Off"};
        QTest::newRow("moved 3 s later, out of the window: armed anew")
            << "12:00:03" << "11:59:46" << QStringList{"11:59:50 " + eng, "11:59:52 " + eng}
            << cancelled + QStringList{"11:59:50 Noon", "11:59:52 Noon", "12:00:03 Remote Start 1 On",
                                       "12:00:04 Remote Start 1 Off"};
        QTest::newRow("now in French: sent as it stands")
            << "FRE" << "11:59:46" << QStringList{"11:59:47 1 SETAUDIO 2 S FRE 7", "11:59:49 1 SETAUDIO 2 S FRE 7"}
            << QStringList{"11:59:47 Noon SETAUDIO 2 S FRE 7", "11:59:49 Noon SETAUDIO 2 S FRE 7",
                           "12:00:00 Remote Start 1 On", "12:00:01 Remote Start 1 Off"};
        QTest::newRow("restored from a floppy without it") << "floppy" << "11:59:46" << QStringList() << cancelled;
        QTest::newRow("given to receiver 2")
            << "receiver 2" << "11:59:46" << QStringList{"11:59:52 2 SETAUDIO 2 S ENG 7", "11:59:54 2 SETAUDIO 2 S ENG 7"}
            << cancelled + QStringList{"11:59:52 Noon Receiver 2", "11:59:54 Noon Receiver 2",
                                       "12:00:00 Remote Start 2 On", "12:00:01 Remote Start 2 Off"};
    }

    void editsWhileArmed()
    {
        QFETCH(QString, edit);
        QFETCH(QString, when);
        Rig rig(at("11:59:40"));
        const int noon = rig.add("Noon", "12:00:00");
        ScheduleRecord evening = stereoEnglish("Evening", 1, 2);
        evening.SatLang = "FRE";
        evening.SwitchTime[1] = "18:00:00";
        rig.addSchedule(evening);
        rig.run(at(when));
        QVERIFY(rig.engine.switchTimerArmed(1));
        ScheduleRecord changed = stereoEnglish("Noon", 1, 2);
        changed.SwitchTime[1] = edit.contains(':') ? edit : "12:00:00";
        if (edit == "FRE")
            changed.SatLang = edit;
        if (edit == "receiver 2") {
            rig.station.settings.TwoReceivers = 1;
            changed.Receiver = 2;
        }
        if (edit == "delete") {
            QVERIFY(rig.station.store().DeleteSchedule(noon));
            rig.station.BuildSwitchList1();
        } else if (edit == "floppy") {
            qputenv("KESTRELPOINT_FLOPPY", rig.home.file("floppy").toLocal8Bit());
            QVERIFY(QDir(rig.home.path()).mkpath("floppy"));
            rig.home.write("floppy/SwitchList.dat", QByteArray(kRecordLength, ' '));
            QVERIFY(LoadSchedules(rig.station));
            qunsetenv("KESTRELPOINT_FLOPPY");
        } else {
            rig.addSchedule(changed, noon);
        }
        rig.run(at("12:00:10"));
        QTEST(rig.sent("HH:mm:ss"), "sent");
        QStringList activity;
        for (const QByteArray &line : rig.log("AL").split('\n'))
            activity << QString::fromLatin1(line.simplified());
        activity.removeAll(QString());
        activity.replaceInStrings(" SETAUDIO 2 S ENG 7", "");
        QTEST(activity, "activity");
        const auto &counted = rig.station.stats.figures().receivers;
        QCOMPARE(counted[0].switches[int(SwitchOutcome::Cancelled)], quint64(activity.filter(" Cancelled ").size()));
        QVERIFY(!rig.engine.switchTimerArmed(1) && !rig.engine.switchTimerArmed(2));
    }

    // A hold lasts the program's length from its switch, never less than a
    // second (a pulse a device can see), also across midnight, and keeps its
    // length in real time when the clock is set while it runs (the step, in
    // seconds, 30 s after it went on).
    void remoteStartLength_data()
    {
        QTest::addColumn<QString>("length");
        QTest::addColumn<QDateTime>("on");
        QTest::addColumn<int>("step");
        QTest::addColumn<QDateTime>("off");
        QTest::addColumn<int>("errors");
        QTest::newRow("held for the program length") << "05:30" << at("12:00:00") << 0 << at("12:05:30.050") << 0;
        QTest::newRow("no length given: one second, told") << QString() << at("12:00:00") << 0 << at("12:00:01.050") << 1;
        QTest::newRow("held for 00:00: one second") << "00:00" << at("12:00:00") << 0 << at("12:00:01.050") << 0;
        QTest::newRow("across midnight") << "02:00" << at("23:59:00") << 0 << at("00:01:00.050+") << 0;
        QTest::newRow("across midnight, the clock set an hour back after it")
            << "02:00" << at("23:59:00") << -3600 << at("23:01:00.050") << 0;
        QTest::newRow("the clock set an hour forward while held")
            << "05:30" << at("12:00:00") << 3600 << at("13:05:30.050") << 0;
    }

    void remoteStartLength()
    {
        QFETCH(QString, length);
        QFETCH(QDateTime, on);
        QFETCH(int, step);
        QFETCH(QDateTime, off);
        Rig rig(on.addSecs(-2));
        rig.add("Long", on.toString("HH:mm:ss"), 3, length);
        rig.run(on.addSecs(90));
        rig.clock.jump(rig.clock.now().addSecs(step));
        rig.run(off.addSecs(2));
        QCOMPARE(rig.outputs, (QList<QPair<QDateTime, quint8>>{{on.addSecs(-2), 0}, {on, 32}, {off, 0}}));
        QCOMPARE(rig.log("AL", on.date()).count("Remote Start 1 On"), 1);
        QCOMPARE(rig.activity(off.date()).last(), off.toString("HH:mm:ss") + " Remote Start 1 Off");
        QTEST(int(rig.home.errors.size()), "errors");
    }

    // A receiver 2 without a further switch, or given up in the Setup
    // window, still ends its hold on time.
    void receiver2HoldEnds_data()
    {
        QTest::addColumn<bool>("givenUp");
        QTest::newRow("no further switch") << false;
        QTest::newRow("receiver 2 given up") << true;
    }

    void receiver2HoldEnds()
    {
        QFETCH(bool, givenUp);
        Rig rig(at("11:59:58"));
        rig.station.settings.TwoReceivers = 1;
        const int only = rig.add("Only", "12:00:00", 3, "00:05", 2);
        rig.run(at("12:00:01"));
        QCOMPARE(rig.outputByte(), quint8(64));
        if (givenUp)
            rig.station.settings.TwoReceivers = 0;
        else
            QVERIFY(rig.station.store().DeleteSchedule(only));
        rig.station.BuildSwitchList1();
        rig.station.BuildSwitchList2();
        rig.run(at("12:00:06"));
        QCOMPARE(rig.outputByte(), quint8(0));
    }

    // Receiver 1 reads at second 12 of the rate's minutes, receiver 2 at
    // second 20, once each although ticks come twice a second.
    void ebNoSlots_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<QList<int>>("minutes");
        QList<int> everyMinute(60);
        std::iota(everyMinute.begin(), everyMinute.end(), 0);
        QTest::newRow("do not log") << 0 << QList<int>();
        QTest::newRow("1 per hour") << 1 << QList<int>{0};
        QTest::newRow("2 per hour") << 2 << QList<int>{0, 30};
        QTest::newRow("3 per hour") << 3 << QList<int>{0, 20, 40};
        QTest::newRow("4 per hour") << 4 << QList<int>{0, 15, 30, 45};
        QTest::newRow("1 per minute") << 5 << everyMinute;
    }

    void ebNoSlots()
    {
        QFETCH(int, rate);
        QFETCH(QList<int>, minutes);
        Rig rig(at("09:59:50"));
        rig.station.settings.TwoReceivers = 1;
        rig.station.settings.EbNoRate = rate;
        rig.run(at("10:59:50"), 500);
        QStringList expected;
        for (int m : minutes)
            expected << QString("10:%1:12 R1").arg(m, 2, 10, QChar('0'))
                     << QString("10:%1:20 R2").arg(m, 2, 10, QChar('0'));
        QStringList readings;
        for (const QByteArray &line : rig.log("EB").split('\n'))
            readings << QString::fromLatin1(line.left(11));
        readings.removeAll(QString());
        QCOMPARE(readings, expected);
    }

    // Each status is held for 200 ms. Status bit 4 low is the alarm, bit 3 low
    // (with bits 0-2 high) the time set to the stored minute and second.
    void portInputs_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QList<int>>("statuses");
        QTest::addColumn<QString>("resetTime");
        QTest::addColumn<QByteArray>("logged");
        QTest::addColumn<int>("errors");
        QTest::newRow("alarm logged once per activation") << "10:00:00" << QList<int>{111, 111, 127, 111} << "54:30"
                                                          << QByteArray("10:00:00  Alarm\r\n10:00:00  Alarm\r\n") << 0;
        QTest::newRow("time set in its minute")
            << "10:54:27" << QList<int>{119, 119} << "54:30" << QByteArray("10:54:30  Time Set 10:54:27\r\n") << 0;
        QTest::newRow("time set the minute before") << "10:53:59" << QList<int>{119} << "54:30" << QByteArray() << 0;
        QTest::newRow("alarm and time set together")
            << "10:54:27" << QList<int>{103} << "54:30"
            << QByteArray("10:54:27  Alarm\r\n10:54:30  Time Set 10:54:27\r\n") << 0;
        QTest::newRow("status bit 0 low too") << "10:54:27" << QList<int>{118} << "54:30" << QByteArray() << 0;
        QTest::newRow("half-typed reset time: told once")
            << "10:54:27" << QList<int>{119, 119} << "54:3 " << QByteArray() << 1;
        QTest::newRow("no reset time") << "10:54:27" << QList<int>{119} << QString() << QByteArray() << 0;
    }

    // The clock is set where the log says so (the manual clock moves with it).
    void portInputs()
    {
        QFETCH(QString, start);
        QFETCH(QList<int>, statuses);
        QFETCH(QString, resetTime);
        Rig rig(at(start));
        rig.station.settings.ClockResetTime = resetTime;
        for (int status : statuses) {
            rig.setInputs(quint8(status));
            rig.run(rig.clock.now().addMSecs(200));
        }
        QTEST(rig.log("AL"), "logged");
        QCOMPARE(rig.clock.timesSet.size(), rig.log("AL").count("Time Set"));
        QTEST(int(rig.home.errors.size()), "errors");
    }

    // The purge runs once a day, on the first tick of 10:00:15: a log that
    // turns up later that second stays until the next day's.
    void purgeRunsOnceAtTenFifteen()
    {
        Rig rig(at("10:00:14"));
        const QString weekBack = "logs/AL" + kMonday.addDays(-7).toString("yyMMdd") + ".log";
        rig.home.write(weekBack, "x");
        rig.run(at("10:00:14.500"));
        QVERIFY(QFile::exists(rig.home.file(weekBack)));
        rig.run(at("10:00:15"));
        QVERIFY(!QFile::exists(rig.home.file(weekBack)));
        rig.home.write(weekBack, "x");
        rig.run(at("10:00:16"));
        QVERIFY(QFile::exists(rig.home.file(weekBack)));
    }
};

QTEST_GUILESS_MAIN(tst_SwitchEngine)
#include "tst_switchengine.moc"
