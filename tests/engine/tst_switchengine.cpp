#include "engine/switchengine.h"
#include "receiver/receiverlink.h"
#include "schedules.h"
#include "teststation.h"

#include <QtTest>

#include <numeric>

namespace {

const QDate kMonday = kTestMonday.date();

QDateTime at(const QString &time, const QDate &day = kMonday)
{
    return QDateTime(day, QTime::fromString(time, time.size() > 8 ? "HH:mm:ss.zzz" : "HH:mm:ss"));
}

// The engine over a TestStation with the remote control on. run() ticks every
// 50 ms (or tickMs) and fires an armed switch timer every 2 s after it was
// armed, as the event loop would, and notes each change of the output byte.
class Rig : public TestStation
{
public:
    explicit Rig(const QDateTime &start) : TestStation(start) { station.settings.RemoteControlOn = true; }

    // A Stereo English schedule switching at `time` on the clock's weekday.
    void add(const QString &name, const QString &time, int remoteStart = 2, const QString &length = {},
             int receiver = 1)
    {
        ScheduleRecord r = stereoEnglish(name, receiver, remoteStart, length);
        r.SwitchTime[clock.today().dayOfWeek() % 7] = time;
        addSchedule(r);
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
    }

    // What a run switches and logs. The run "A .. B" goes from A to B; a step
    // "A -> B" inside it is a program that stands still from A to B (a long
    // conversation), "A => B" a time of day moved from A to B (set by hand).
    // Schedules are "time name" on receiver 1, or "time name 2" on receiver 2,
    // each with a momentary start.
    void timeline_data()
    {
        QTest::addColumn<QString>("run");
        QTest::addColumn<QStringList>("schedules");
        QTest::addColumn<QStringList>("activity");
        const QStringList A = {"12:00:00 A"};
        const QStringList noon = {"11:59:47 A", "11:59:49 A", "12:00:00 Remote Start 1 On",
                                  "12:00:01 Remote Start 1 Off"};
        const QStringList startOnly = noon.mid(2);
        QTest::newRow("armed with 15 s left") << "11:59:40 .. 12:00:05" << A << noon;
        QTest::newRow("armed with 14 s left on the first tick")
            << "11:59:46 .. 12:00:05" << A << QStringList{"11:59:48 A", "11:59:50 A"} + startOnly;
        QTest::newRow("started 10 s before: only the start") << "11:59:50 .. 12:00:05" << A << startOnly;
        QTest::newRow("receiver 2 armed with 10 s left")
            << "11:59:40 .. 12:00:05" << QStringList{"12:00:00 B 2"}
            << QStringList{"11:59:52 B Receiver 2", "11:59:54 B Receiver 2", "12:00:00 Remote Start 2 On",
                           "12:00:01 Remote Start 2 Off"};
        QTest::newRow("10 s apart: the later one is never armed")
            << "11:59:30 .. 12:00:30" << QStringList{"12:00:00 A", "12:00:10 B"}
            << noon + QStringList{"12:00:10 Remote Start 1 On", "12:00:11 Remote Start 1 Off"};
        QTest::newRow("stood still across the window: armed late")
            << "11:59:40 .. 11:59:43.500 -> 11:59:47 .. 12:00:05" << A
            << QStringList{"11:59:49 A", "11:59:51 A"} + startOnly;
        QTest::newRow("stood still until 4 s before: too late to arm")
            << "11:59:40 .. 11:59:43 -> 11:59:56 .. 12:00:05" << A << startOnly;
        QTest::newRow("stood still across the moment: the start comes late")
            << "11:59:58 .. 11:59:59 -> 12:00:01.200 .. 12:00:05" << A
            << QStringList{"12:00:01 Remote Start 1 On", "12:00:02 Remote Start 1 Off"};
        QTest::newRow("stood still 20 s across the moment: skipped")
            << "11:59:58 .. 11:59:59 -> 12:00:20 .. 12:00:25" << A << QStringList{"12:00:20 Skipped A 12:00:00"};
        QTest::newRow("set 40 s forward across the switch: skipped")
            << "11:59:30 .. 11:59:40 => 12:00:20 .. 12:00:25" << A << QStringList{"12:00:20 Skipped A 12:00:00"};
        QTest::newRow("set 5 s forward after the commands: the start is skipped")
            << "11:59:30 .. 11:59:58 => 12:00:03 .. 12:00:05" << QStringList{"11:59:59 A"}
            << QStringList{"11:59:46 A", "11:59:48 A", "12:00:03 Skipped A 11:59:59"};
        QTest::newRow("set 8 s forward into the window: armed late")
            << "11:59:30 .. 11:59:40 => 11:59:48 .. 12:00:05" << A
            << QStringList{"11:59:50 A", "11:59:52 A"} + startOnly;
    }

    void timeline()
    {
        QFETCH(QString, run);
        QFETCH(QStringList, schedules);
        const QStringList times = run.split(' ');
        Rig rig(at(times.first()));
        for (const QString &s : schedules) {
            const QStringList f = s.split(' ');
            if (f.size() > 2)
                rig.station.settings.TwoReceivers = 1;
            rig.add(f.at(1), f.at(0), 2, {}, f.value(2, "1").toInt());
        }
        if (times.size() > 3) {
            rig.run(at(times.at(2)));
            if (times.at(3) == "->")
                rig.clock.set(at(times.at(4)));
            else
                rig.clock.jump(at(times.at(4)));
        }
        rig.run(at(times.last()));
        QTEST(rig.activity(), "activity");
        for (int r = 1; r <= 2; ++r) {
            QVERIFY(!rig.engine.switchTimerArmed(r));
            QVERIFY(rig.station.nextSwitch(r).NextRecord == 0 || rig.station.nextSwitch(r).NextSwitchDate > kMonday);
        }
    }

    // A hold lasts the program's length, never less than a second (a pulse a
    // device can see), also across midnight.
    void remoteStartLength_data()
    {
        QTest::addColumn<QString>("length");
        QTest::addColumn<QDateTime>("on");
        QTest::addColumn<QDateTime>("off");
        QTest::addColumn<int>("errors");
        QTest::newRow("held for the program length") << "05:30" << at("12:00:00") << at("12:05:30.050") << 0;
        QTest::newRow("no length given: one second, told") << QString() << at("12:00:00") << at("12:00:01.050") << 1;
        QTest::newRow("held for 00:00: one second") << "00:00" << at("12:00:00") << at("12:00:01.050") << 0;
        QTest::newRow("across midnight") << "02:00" << at("23:59:00") << at("00:01:00.050", kMonday.addDays(1)) << 0;
    }

    void remoteStartLength()
    {
        QFETCH(QString, length);
        QFETCH(QDateTime, on);
        QFETCH(QDateTime, off);
        Rig rig(on.addSecs(-2));
        rig.add("Long", on.toString("HH:mm:ss"), 3, length);
        rig.run(off.addSecs(2));
        QCOMPARE(rig.outputs, (QList<QPair<QDateTime, quint8>>{{on.addSecs(-2), 0}, {on, 32}, {off, 0}}));
        QCOMPARE(rig.log("AL", on.date()).count("Remote Start 1 On"), 1);
        QCOMPARE(rig.activity(off.date()).last(), off.toString("HH:mm:ss") + " Remote Start 1 Off");
        QTEST(int(rig.home.errors.size()), "errors");
    }

    void receiver2HoldEndsWithoutANextSwitch()
    {
        Rig rig(at("11:59:58"));
        rig.station.settings.TwoReceivers = 1;
        rig.add("Only", "12:00:00", 3, "00:05", 2);
        rig.run(at("12:00:01"));
        QCOMPARE(rig.outputByte(), quint8(64));
        QVERIFY(rig.station.store().DeleteSchedule(1));
        rig.station.BuildSwitchList2();
        rig.run(at("12:00:06"));
        QCOMPARE(rig.outputByte(), quint8(0));
    }

    // Berlin: on Sunday 28 March 2027 02:00 comes as 03:00, a switch at 02:30 is
    // skipped and said so; on Sunday 31 October 2027 the hour from 02:00 comes
    // twice, and a list rebuilt in the repeated hour (an Apply in the editor)
    // shows 02:30 again, which is not switched a second time.
    void daylightSaving()
    {
        qputenv("TZ", "Europe/Berlin");
        const auto backToUtc = qScopeGuard([] { qputenv("TZ", "UTC"); });
        const QDate spring(2027, 3, 28);
        Rig skipped(at("01:59:40", spring));
        skipped.add("Late", "02:30:00");
        skipped.run(at("03:00:05", spring));
        QCOMPARE(skipped.activity(spring), QStringList{"03:00:00 Skipped Late 02:30:00"});

        const QDate autumn(2027, 10, 31);
        const auto utc = [&](const QString &time) {
            return QDateTime(autumn, QTime::fromString(time), Qt::UTC).toLocalTime();
        };
        Rig twice(utc("00:29:40")); // 02:29:40 summer time
        twice.add("Twice", "02:30:00");
        twice.run(utc("00:30:05"));
        twice.clock.set(utc("00:59:58"));
        twice.run(utc("01:00:02")); // 02:00:02 winter time
        twice.clock.set(utc("01:10:00"));
        twice.station.BuildSwitchList1();
        QCOMPARE(twice.station.nextSwitch(1).NextSwitchDate, autumn);
        twice.run(utc("01:30:10"));
        QCOMPARE(twice.receivers.sent.size(), 2);
        QCOMPARE(twice.activity(autumn).count("02:30:00 Remote Start 1 On"), 1);
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

    void purgeRunsAtTenFifteen()
    {
        Rig rig(at("10:00:14"));
        const QString weekBack = "logs/AL" + kMonday.addDays(-7).toString("yyMMdd") + ".log";
        rig.home.write(weekBack, "x");
        rig.run(at("10:00:14.500"));
        QVERIFY(QFile::exists(rig.home.file(weekBack)));
        rig.run(at("10:00:15"));
        QVERIFY(!QFile::exists(rig.home.file(weekBack)));
    }
};

QTEST_GUILESS_MAIN(tst_SwitchEngine)
#include "tst_switchengine.moc"
