#include "station/station.h"
#include "engine/switchengine.h"
#include "fakereceivers.h"
#include "platform/parallelport.h"
#include "receiver/receiverlink.h"
#include "schedules.h"
#include "testdata.h"

#include <QtTest>

namespace {

const QDate kMonday(2027, 12, 6);

QByteArray carrierAnswer(const QByteArray &value)
{
    QByteArray answer;
    for (int line = 1; line <= 11; ++line)
        answer += "Carrier line " + QByteArray::number(line) + "\r\n";
    return answer + value.rightJustified(24, ' ') + "\r\n>";
}

// A simulated parallel port: outputs all off, no input active.
QString idlePortFile(const TestHome &home)
{
    home.write(QStringLiteral("port"), QByteArray("\x00\x7f", 2));
    return home.file(QStringLiteral("port"));
}

// The program's engine on a ManualClock, with simulated receivers and a
// simulated parallel port. run() ticks every 50 ms and fires an armed switch
// timer every 2 s after it was armed, as the event loop would.
class Rig
{
public:
    explicit Rig(const QDateTime &start)
        : clock(start), receivers(clock), station(clock, openParallelPort(idlePortFile(home))), link(station),
          engine(station, link)
    {
        station.serialChannels = receivers.factory();
        QString error;
        if (!station.InitProgram(&error))
            qFatal("start-up failed");
        StationSettings &s = station.settings;
        s.Receiver1Port = 1;
        s.Receiver2Port = 2;
        s.BaudChoice = 1;
        s.ActivityLogOn = 1;
        s.ReceiverModel = QStringLiteral("0");
        receivers.answer = [this](int port, const QByteArray &line) -> QByteArray {
            if (line == "R C")
                return carrierAnswer(port == 2 ? ebNo2 : ebNo1);
            if (line == "R M")
                return "MPEG locked\r\n>";
            return ">";
        };
        QObject::connect(&engine, &SwitchEngine::portStatusChanged, &engine,
                         [this](const QString &text) { portLabel = text; });
    }

    void addSchedule(const QString &name, int receiver, int remoteStart, const QString &length,
                     const std::array<QString, 7> &times)
    {
        ScheduleRecord r = stereoEnglish(name, receiver, remoteStart, length);
        r.SwitchTime = times;
        QVERIFY(station.store().WriteScheduleRecord(station.store().recordCount() + 1, BuildScheduleRecord(r)));
    }
    void rebuild()
    {
        station.BuildSwitchList1();
        if (station.settings.twoReceivers())
            station.BuildSwitchList2();
    }

    void run(const QDateTime &until)
    {
        while (clock.now() < until) {
            engine.tick();
            for (int r = 1; r <= 2; ++r) {
                QDateTime &due = timerDue[r - 1];
                if (!engine.switchTimerArmed(r)) {
                    due = {};
                    continue;
                }
                if (!due.isValid())
                    due = clock.now().addMSecs(2000);
                else if (clock.now() >= due) {
                    engine.switchCycle(r);
                    due = due.addMSecs(2000);
                }
            }
            const quint8 byte = portByte();
            if (portBytes.isEmpty() || portBytes.last().second != byte)
                portBytes.append({clock.now().time(), byte});
            clock.advanceMs(50);
        }
    }

    quint8 portByte() const { return quint8(home.read(QStringLiteral("port")).at(0)); }
    void setStatus(quint8 status) { home.write(QStringLiteral("port"), QByteArray(1, char(portByte())) + char(status)); }

    // The lines sent, each with the time it went out.
    QStringList sent() const
    {
        QStringList out;
        for (const FakeReceivers::Sent &s : receivers.sent)
            out << s.at.time().toString(QStringLiteral("HH:mm:ss.zzz ")) + QString::number(s.port) + QLatin1Char(' ')
                       + QString::fromLatin1(s.bytes);
        return out;
    }
    QByteArray log(const char *prefix, const QDate &day = kMonday) const
    {
        return home.read(QStringLiteral("logs/") + QLatin1String(prefix) + day.toString(QStringLiteral("yyMMdd"))
                         + QStringLiteral(".log"));
    }

    TestHome home;
    ManualClock clock;
    FakeReceivers receivers;
    Station station;
    ReceiverLink link;
    SwitchEngine engine;
    QByteArray ebNo1 = "8.5";
    QByteArray ebNo2 = "9.0";
    QString portLabel;
    std::array<QDateTime, 2> timerDue;
    QList<QPair<QTime, quint8>> portBytes;
};

std::array<QString, 7> monday(const QString &time)
{
    std::array<QString, 7> times;
    times[1] = time;
    return times;
}

QDateTime at(int h, int m, int s, int ms = 0, const QDate &day = kMonday)
{
    return QDateTime(day, QTime(h, m, s, ms));
}

} // namespace

class tst_SwitchEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void switchAtNoon();
    void receiver2SendsLater();
    void remoteStartLength_data();
    void remoteStartLength();
    void holdAcrossMidnight();
    void startedTenSecondsBeforeASwitch();
    void switchesLessThanTheWindowApart();
    void twoSchedulesAtTheSameTime();
    void lateTickStillArmsAndStarts();
    void lateTickTooCloseToTheSwitchDoesNotArm();
    void clockMovedForwardSkipsTheSwitch_data();
    void clockMovedForwardSkipsTheSwitch();
    void clockMovedBackSwitchesOnce();
    void noModelSendsNothing();
    void ebNoSlots_data();
    void ebNoSlots();
    void betterCarrierBits();
    void alarmIsLoggedOncePerActivation();
    void timeSet_data();
    void timeSet();
    void purgeRunsAtTenFifteen();
    void receiver2HoldEndsWithoutANextSwitch();
};

void tst_SwitchEngine::switchAtNoon()
{
    Rig rig(at(11, 59, 40));
    rig.station.settings.MpegLogOn = true;
    rig.station.settings.RemoteControlOn = true;
    rig.addSchedule(QStringLiteral("Noon News"), 1, 2, QStringLiteral("05:30"), monday(QStringLiteral("12:00:00")));
    rig.rebuild();
    rig.run(at(12, 0, 5));

    QCOMPARE(rig.sent(), (QStringList{QStringLiteral("11:59:47.000 1 SETAUDIO 2 S ENG 7  \r"),
                                      QStringLiteral("11:59:49.000 1 SETAUDIO 2 S ENG 7  \r"),
                                      QStringLiteral("11:59:51.000 1 R M\r")}));
    QCOMPARE(rig.receivers.sent.first().settings, QStringLiteral("9600,N,8,1"));
    QCOMPARE(rig.receivers.openNow, 0);
    // Remote start 1 (bit 5) on at the switch time, off one second later.
    QCOMPARE(rig.portBytes, (QList<QPair<QTime, quint8>>{{QTime(11, 59, 40), 0},
                                                         {QTime(12, 0, 0), 32},
                                                         {QTime(12, 0, 1, 50), 0}}));
    QCOMPARE(rig.log("AL"), QByteArray("11:59:47  Noon News                 SETAUDIO 2 S ENG 7  \r\n"
                                       "11:59:49  Noon News                 SETAUDIO 2 S ENG 7  \r\n"
                                       "12:00:00  Remote Start 1 On\r\n"
                                       "12:00:01  Remote Start 1 Off\r\n"));
    QCOMPARE(rig.log("MP"), QByteArray("11:59:51\r\nMPEG locked\r\n>\r\n"));
    // The list moved on to next Monday.
    QCOMPARE(rig.station.nextSwitch(1).NextSwitchDate, kMonday.addDays(7));
    QVERIFY(!rig.engine.switchTimerArmed(1));
}

void tst_SwitchEngine::receiver2SendsLater()
{
    Rig rig(at(11, 59, 40));
    rig.station.settings.TwoReceivers = 1;
    rig.addSchedule(QStringLiteral("Two"), 2, 1, QString(), monday(QStringLiteral("12:00:00")));
    rig.rebuild();
    QString label;
    QObject::connect(&rig.engine, &SwitchEngine::nextSwitchTextChanged, &rig.engine,
                     [&](int r, const QString &text) { if (r == 2) label = text; });
    rig.run(at(11, 59, 50));
    QCOMPARE(label, QStringLiteral("Next to Switch:  Two  00:11")); // last tick at 11:59:49.950
    rig.run(at(12, 0, 5));
    QCOMPARE(rig.sent(), (QStringList{QStringLiteral("11:59:52.000 2 SETAUDIO 2 S ENG 7  \r"),
                                      QStringLiteral("11:59:54.000 2 SETAUDIO 2 S ENG 7  \r")}));
    QVERIFY(rig.log("AL").startsWith("11:59:52  Two                      Receiver 2 SETAUDIO 2 S ENG 7  \r\n"));
    // No remote start was asked for.
    QCOMPARE(rig.portBytes.size(), 1);
}

void tst_SwitchEngine::remoteStartLength_data()
{
    QTest::addColumn<QString>("length");
    QTest::addColumn<QTime>("off");
    QTest::addColumn<int>("errors");
    QTest::newRow("held for the program length") << "05:30" << QTime(12, 5, 30, 50) << 0;
    // One on/off pair and a pulse a device can see, never a chatter.
    QTest::newRow("held with no length given") << "" << QTime(12, 0, 1, 50) << 1;
    QTest::newRow("held for 00:00") << "00:00" << QTime(12, 0, 1, 50) << 0;
}

void tst_SwitchEngine::remoteStartLength()
{
    QFETCH(QString, length);
    QFETCH(QTime, off);
    Rig rig(at(11, 59, 58));
    rig.station.settings.RemoteControlOn = true;
    rig.addSchedule(QStringLiteral("Long"), 1, 3, length, monday(QStringLiteral("12:00:00")));
    rig.rebuild();
    rig.run(QDateTime(kMonday, off.addSecs(2)));
    QCOMPARE(rig.portBytes, (QList<QPair<QTime, quint8>>{{QTime(11, 59, 58), 0}, {QTime(12, 0, 0), 32}, {off, 0}}));
    QCOMPARE(rig.log("AL").count("Remote Start 1 On"), 1);
    QTEST(int(rig.home.errors.size()), "errors");
}

void tst_SwitchEngine::holdAcrossMidnight()
{
    Rig rig(at(23, 58, 58));
    rig.station.settings.RemoteControlOn = true;
    rig.addSchedule(QStringLiteral("Late"), 1, 3, QStringLiteral("02:00"), monday(QStringLiteral("23:59:00")));
    rig.rebuild();
    rig.run(at(23, 59, 1));
    QCOMPARE(rig.engine.remoteStartOffAt(1), 86400.0 + 60);
    rig.run(at(0, 0, 59, 900, kMonday.addDays(1)));
    QCOMPARE(rig.portByte(), quint8(32));
    QCOMPARE(rig.engine.remoteStartOffAt(1), 60.0);
    rig.run(at(0, 1, 1, 0, kMonday.addDays(1)));
    QCOMPARE(rig.portBytes.last(), (QPair<QTime, quint8>{QTime(0, 1, 0, 50), 0}));
    QCOMPARE(rig.log("AL", kMonday.addDays(1)), QByteArray("00:01:00  Remote Start 1 Off\r\n"));
}

void tst_SwitchEngine::startedTenSecondsBeforeASwitch()
{
    Rig rig(at(11, 59, 50));
    rig.station.settings.RemoteControlOn = true;
    rig.addSchedule(QStringLiteral("Missed"), 1, 2, QString(), monday(QStringLiteral("12:00:00")));
    rig.rebuild();
    rig.run(at(12, 0, 5));
    QVERIFY(rig.sent().isEmpty());
    QVERIFY(rig.log("AL").contains("12:00:00  Remote Start 1 On"));
    QCOMPARE(rig.station.nextSwitch(1).NextSwitchDate, kMonday.addDays(7));
}

void tst_SwitchEngine::switchesLessThanTheWindowApart()
{
    Rig rig(at(11, 59, 30));
    std::array<QString, 7> first = monday(QStringLiteral("12:00:00"));
    rig.addSchedule(QStringLiteral("First"), 1, 1, QString(), first);
    rig.addSchedule(QStringLiteral("Second"), 1, 1, QString(), monday(QStringLiteral("12:00:10")));
    rig.rebuild();
    rig.run(at(12, 0, 30));
    QCOMPARE(rig.sent().size(), 2);
    QVERIFY(rig.sent().first().contains(QLatin1String("11:59:47")));
}

void tst_SwitchEngine::twoSchedulesAtTheSameTime()
{
    Rig rig(at(11, 59, 30));
    rig.addSchedule(QStringLiteral("B Show"), 1, 1, QString(), monday(QStringLiteral("12:00:00")));
    rig.addSchedule(QStringLiteral("a show"), 1, 1, QString(), monday(QStringLiteral("12:00:00")));
    rig.rebuild();
    rig.run(at(12, 0, 5));
    QCOMPARE(rig.sent().size(), 2);
    QVERIFY(rig.log("AL").startsWith("11:59:47  a show"));
    QVERIFY(!rig.log("AL").contains("B Show"));
}

void tst_SwitchEngine::lateTickStillArmsAndStarts()
{
    Rig rig(at(11, 59, 40));
    rig.station.settings.RemoteControlOn = true;
    rig.addSchedule(QStringLiteral("Late"), 1, 2, QString(), monday(QStringLiteral("12:00:00")));
    rig.rebuild();
    rig.run(at(11, 59, 43, 500));
    // The program stands still for 3.5 s across the arming window.
    rig.clock.set(at(11, 59, 47));
    rig.run(at(11, 59, 58));
    QCOMPARE(rig.sent(), (QStringList{QStringLiteral("11:59:49.000 1 SETAUDIO 2 S ENG 7  \r"),
                                      QStringLiteral("11:59:51.000 1 SETAUDIO 2 S ENG 7  \r")}));
    // Stands still across the switch time itself: the remote start comes late.
    rig.clock.set(at(12, 0, 1, 200));
    rig.run(at(12, 0, 1, 250));
    QVERIFY(rig.log("AL").contains("12:00:01  Remote Start 1 On"));
    QCOMPARE(rig.station.nextSwitch(1).NextSwitchDate, kMonday.addDays(7));
}

void tst_SwitchEngine::lateTickTooCloseToTheSwitchDoesNotArm()
{
    Rig rig(at(11, 59, 40));
    rig.addSchedule(QStringLiteral("Late"), 1, 1, QString(), monday(QStringLiteral("12:00:00")));
    rig.rebuild();
    rig.run(at(11, 59, 43));
    rig.clock.set(at(11, 59, 56));
    rig.run(at(12, 0, 5));
    QVERIFY(rig.sent().isEmpty());
}

// A time of day moved forward (a manual change, daylight saving in spring)
// gives nothing late for a switch it jumps over, only the line that says it
// was skipped; a switch still ahead after the move is switched as usual.
void tst_SwitchEngine::clockMovedForwardSkipsTheSwitch_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QTime>("jumpFrom");
    QTest::addColumn<QTime>("jumpTo"); // invalid: the zone's own change of time
    QTest::addColumn<QTime>("until");
    QTest::addColumn<QString>("switchTime");
    QTest::addColumn<int>("sends");
    QTest::addColumn<QByteArray>("logged");
    QTest::newRow("set 40 s forward across the switch")
        << QByteArray("UTC") << at(11, 59, 30) << QTime(11, 59, 40) << QTime(12, 0, 20) << QTime(12, 0, 25)
        << "12:00:00" << 0
        << QByteArray("12:00:20  Skipped Late 12:00:00\r\n");
    QTest::newRow("set 5 s forward after the commands")
        << QByteArray("UTC") << at(11, 59, 30) << QTime(11, 59, 58) << QTime(12, 0, 3) << QTime(12, 0, 5)
        << "11:59:59" << 2 << QByteArray("12:00:03  Skipped Late 11:59:59\r\n");
    QTest::newRow("set 8 s forward into the window's end")
        << QByteArray("UTC") << at(11, 59, 30) << QTime(11, 59, 40) << QTime(11, 59, 48) << QTime(12, 0, 5)
        << "12:00:00" << 2 << QByteArray("12:00:00  Remote Start 1 On\r\n12:00:01  Remote Start 1 Off\r\n");
    // Sunday 28 March 2027: 02:00 comes as 03:00 in Berlin.
    QTest::newRow("spring daylight saving")
        << QByteArray("Europe/Berlin") << QDateTime(QDate(2027, 3, 28), QTime(1, 59, 40)) << QTime() << QTime()
        << QTime(3, 0, 5) << "02:30:00" << 0 << QByteArray("03:00:00  Skipped Late 02:30:00\r\n");
}

void tst_SwitchEngine::clockMovedForwardSkipsTheSwitch()
{
    QFETCH(QByteArray, zone);
    QFETCH(QDateTime, start);
    QFETCH(QTime, jumpFrom);
    QFETCH(QTime, jumpTo);
    QFETCH(QTime, until);
    QFETCH(QString, switchTime);
    QFETCH(QByteArray, logged);
    qputenv("TZ", zone);
    const auto backToUtc = qScopeGuard([] { qputenv("TZ", "UTC"); });
    const QDate day = start.date();
    Rig rig(QDateTime(day, start.time()));
    rig.station.settings.RemoteControlOn = true;
    std::array<QString, 7> times;
    times[day.dayOfWeek() % 7] = switchTime;
    rig.addSchedule(QStringLiteral("Late"), 1, 2, QString(), times);
    rig.rebuild();
    if (jumpTo.isValid()) {
        rig.run(QDateTime(day, jumpFrom));
        rig.clock.jump(QDateTime(day, jumpTo));
    }
    rig.run(QDateTime(day, until));
    QTEST(int(rig.sent().size()), "sends");
    const QByteArray log = rig.log("AL", day);
    QVERIFY2(log.endsWith(logged), log.constData());
    QCOMPARE(log.count("Remote Start 1 On"), logged.contains("Remote Start") ? 1 : 0);
    QVERIFY(rig.station.nextSwitch(1).NextSwitchDate > day);
}

// Sunday 31 October 2027: the hour from 02:00 comes twice in Berlin. A list
// rebuilt in the repeated hour (as an Apply in the editor does) shows the
// switch of 02:30 again; it is not switched a second time.
void tst_SwitchEngine::clockMovedBackSwitchesOnce()
{
    qputenv("TZ", "Europe/Berlin");
    const auto backToUtc = qScopeGuard([] { qputenv("TZ", "UTC"); });
    const QDate sunday(2027, 10, 31);
    const auto utc = [&](int h, int m, int s) { return QDateTime(sunday, QTime(h, m, s), Qt::UTC).toLocalTime(); };
    Rig rig(utc(0, 29, 40)); // 02:29:40 summer time
    rig.station.settings.RemoteControlOn = true;
    rig.addSchedule(QStringLiteral("Twice"), 1, 2, QString(), std::array<QString, 7>{QStringLiteral("02:30:00")});
    rig.rebuild();
    rig.run(utc(0, 30, 5));
    rig.clock.set(utc(0, 59, 58));
    rig.run(utc(1, 0, 2)); // 02:00:02 winter time
    rig.clock.set(utc(1, 10, 0));
    rig.rebuild();
    QCOMPARE(rig.station.nextSwitch(1).NextSwitchDate, sunday);
    rig.run(utc(1, 30, 10));
    QCOMPARE(rig.sent().size(), 2);
    QCOMPARE(rig.log("AL", sunday).count("Remote Start 1 On"), 1);
}

void tst_SwitchEngine::noModelSendsNothing()
{
    Rig rig(at(11, 59, 40));
    rig.station.settings.ReceiverModel.clear();
    rig.addSchedule(QStringLiteral("Unset"), 1, 1, QString(), monday(QStringLiteral("12:00:00")));
    rig.rebuild();
    rig.run(at(12, 0, 5));
    QVERIFY(rig.sent().isEmpty());
    QCOMPARE(rig.log("AL"), QByteArray());
    QVERIFY(!rig.home.errors.isEmpty());
    QVERIFY(rig.home.errors.first().contains(QLatin1String("model")));
}

void tst_SwitchEngine::ebNoSlots_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<QStringList>("expected"); // receiver 1 then 2 each slot

    QTest::newRow("do not log") << 0 << QStringList();
    QTest::newRow("1 per hour") << 1 << QStringList{"10:00:12 R1", "10:00:20 R2"};
    QTest::newRow("2 per hour") << 2 << QStringList{"10:00:12 R1", "10:00:20 R2", "10:30:12 R1", "10:30:20 R2"};
    QTest::newRow("3 per hour") << 3
                                << QStringList{"10:00:12 R1", "10:00:20 R2", "10:20:12 R1", "10:20:20 R2",
                                               "10:40:12 R1", "10:40:20 R2"};
    QTest::newRow("4 per hour") << 4
                                << QStringList{"10:00:12 R1", "10:00:20 R2", "10:15:12 R1", "10:15:20 R2",
                                               "10:30:12 R1", "10:30:20 R2", "10:45:12 R1", "10:45:20 R2"};
}

void tst_SwitchEngine::ebNoSlots()
{
    QFETCH(int, rate);
    QFETCH(QStringList, expected);
    Rig rig(at(9, 59, 50));
    rig.station.settings.TwoReceivers = 1;
    rig.station.settings.EbNoRate = rate;
    rig.run(at(10, 59, 50));
    QStringList readings;
    for (const QByteArray &line : rig.log("EB").split('\n')) {
        if (!line.isEmpty())
            readings << QString::fromLatin1(line.left(11));
    }
    QCOMPARE(readings, expected);
}

void tst_SwitchEngine::betterCarrierBits()
{
    Rig rig(at(10, 0, 0));
    rig.station.settings.TwoReceivers = 1;
    rig.station.settings.EbNoRate = 5;
    rig.ebNo1 = "7";
    rig.ebNo2 = "9";
    rig.run(at(10, 0, 13));
    QCOMPARE(rig.portByte(), quint8(8)); // receiver 2 not read yet: 7 > 0
    rig.run(at(10, 0, 21));
    QCOMPARE(rig.log("EB"), QByteArray("10:00:12 R1 7\r\n10:00:20 R2 9\r\n"));
    QCOMPARE(rig.portByte(), quint8(16));
    // Once a minute: the next minute reads again, once each.
    rig.ebNo1 = "9";
    rig.run(at(10, 1, 21));
    QCOMPARE(rig.portByte(), quint8(8));
    QCOMPARE(rig.log("EB").count('\n'), 4);
}

void tst_SwitchEngine::alarmIsLoggedOncePerActivation()
{
    Rig rig(at(10, 0, 0));
    rig.station.settings.RemoteControlOn = true;
    rig.setStatus(111);
    rig.run(at(10, 0, 2));
    QCOMPARE(rig.portLabel, QStringLiteral("Alarm"));
    rig.setStatus(127);
    rig.run(at(10, 0, 3));
    QCOMPARE(rig.portLabel, QString());
    rig.setStatus(111);
    rig.run(at(10, 0, 4));
    QCOMPARE(rig.log("AL"), QByteArray("10:00:00  Alarm\r\n10:00:03  Alarm\r\n"));
}

void tst_SwitchEngine::timeSet_data()
{
    QTest::addColumn<QTime>("start");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("resetTime");
    QTest::addColumn<QString>("clockSetTo"); // empty: not set
    QTest::addColumn<QByteArray>("logged");

    QTest::newRow("in the minute") << QTime(10, 54, 27) << 119 << QStringLiteral("54:30") << QStringLiteral("10:54:30")
                                   << QByteArray("10:54:30  Time Set 10:54:27\r\n");
    QTest::newRow("the minute before") << QTime(10, 53, 59) << 119 << QStringLiteral("54:30") << QString()
                                       << QByteArray();
    QTest::newRow("alarm and time set together")
        << QTime(10, 54, 27) << 103 << QStringLiteral("54:30") << QStringLiteral("10:54:30")
        << QByteArray("10:54:27  Alarm\r\n10:54:30  Time Set 10:54:27\r\n");
    QTest::newRow("status bit 0 low too") << QTime(10, 54, 27) << 118 << QStringLiteral("54:30") << QString()
                                          << QByteArray();
    QTest::newRow("half-typed reset time") << QTime(10, 54, 27) << 119 << QStringLiteral("54:3 ") << QString()
                                           << QByteArray();
    QTest::newRow("no reset time") << QTime(10, 54, 27) << 119 << QString() << QString() << QByteArray();
}

void tst_SwitchEngine::timeSet()
{
    QFETCH(QTime, start);
    QFETCH(int, status);
    QFETCH(QString, resetTime);
    QFETCH(QString, clockSetTo);
    Rig rig(QDateTime(kMonday, start));
    rig.station.settings.RemoteControlOn = true;
    rig.station.settings.ClockResetTime = resetTime;
    rig.setStatus(quint8(status));
    rig.run(QDateTime(kMonday, start).addMSecs(200));
    QStringList set;
    for (const QTime &t : rig.clock.timesSet)
        set << t.toString(QStringLiteral("HH:mm:ss"));
    QCOMPARE(set, clockSetTo.isEmpty() ? QStringList() : QStringList{clockSetTo});
    QTEST(rig.log("AL"), "logged");
    // A reset time that is no time is told once, not on every tick.
    QCOMPARE(rig.home.errors.size(), resetTime == QLatin1String("54:3 ") ? 1 : 0);
}

void tst_SwitchEngine::purgeRunsAtTenFifteen()
{
    Rig rig(at(10, 0, 14));
    const QDate weekBack = kMonday.addDays(-7);
    rig.home.write(QStringLiteral("logs/AL") + weekBack.toString(QStringLiteral("yyMMdd")) + QStringLiteral(".log"), "x");
    rig.run(at(10, 0, 14, 400));
    QVERIFY(QFile::exists(rig.home.file(QStringLiteral("logs/AL") + weekBack.toString(QStringLiteral("yyMMdd")) + QStringLiteral(".log"))));
    rig.run(at(10, 0, 16));
    QVERIFY(!QFile::exists(rig.home.file(QStringLiteral("logs/AL") + weekBack.toString(QStringLiteral("yyMMdd")) + QStringLiteral(".log"))));
}

void tst_SwitchEngine::receiver2HoldEndsWithoutANextSwitch()
{
    Rig rig(at(11, 59, 58));
    rig.station.settings.TwoReceivers = 1;
    rig.station.settings.RemoteControlOn = true;
    rig.addSchedule(QStringLiteral("Only"), 2, 3, QStringLiteral("00:05"), monday(QStringLiteral("12:00:00")));
    rig.rebuild();
    rig.run(at(12, 0, 1));
    QCOMPARE(rig.portByte(), quint8(64));
    // The schedule is deleted while the output holds: receiver 2 has no next switch.
    QVERIFY(rig.station.store().DeleteSchedule(1));
    rig.station.BuildSwitchList2();
    QCOMPARE(rig.station.nextSwitch(2).NextRecord, 0);
    rig.run(at(12, 0, 6));
    QCOMPARE(rig.portByte(), quint8(0));
}

QTEST_GUILESS_MAIN(tst_SwitchEngine)
#include "tst_switchengine.moc"
