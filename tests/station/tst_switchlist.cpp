#include "station/station.h"
#include "platform/clock.h"
#include "platform/parallelport.h"
#include "schedule/schedulestore.h"
#include "testdata.h"

#include <QtTest>

namespace {

// Monday 6 December 2027 is used throughout; Qt's dayOfWeek: Monday = 1.
const QDate kMonday(2027, 12, 6);

struct Schedule
{
    QString name;
    int receiver = 1;
    std::array<QString, 7> times; // Sunday first
    QString inUse = QStringLiteral("1");
};

class Fixture
{
public:
    explicit Fixture(const QDateTime &now) : clock(now), station(clock, openParallelPort(home.file("port")))
    {
        QString error;
        if (!station.store().OpenScheduleFile(home.file(QStringLiteral("SwitchList.dat")), &error))
            qFatal("cannot open the schedule file");
    }
    void add(const Schedule &s)
    {
        ScheduleRecord r;
        r.PgmName = s.name;
        r.Receiver = s.receiver;
        r.SwitchTime = s.times;
        QString record = BuildScheduleRecord(r);
        record[0] = s.inUse.at(0);
        const int n = station.store().recordCount() + 1;
        QVERIFY(station.store().WriteScheduleRecord(n, record));
    }
    QStringList lines(int receiver) const
    {
        QStringList out;
        for (const SwitchEntry &e : station.switchList(receiver))
            out.append(e.displayLine());
        return out;
    }

    TestHome home;
    ManualClock clock;
    Station station;
};

std::array<QString, 7> onDay(int day, const QString &time)
{
    std::array<QString, 7> times;
    times[day] = time;
    return times;
}

} // namespace

class tst_SwitchList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void timeText_data();
    void timeText();
    void countdown_data();
    void countdown();
    void passedTimeMovesToNextWeek_data();
    void passedTimeMovesToNextWeek();
    void sameTimeSortsByNameWithoutCase();
    void receiverRouting_data();
    void receiverRouting();
    void notInUseContributesNothing();
    void sevenDaysGiveSevenEntries();
    void displayLineOfASundayMorning();
    void noSchedulesLeaveNoNextSwitch();
    void timesThatAreNotTimesAreNeverListed();
    void nextSwitchSeveralDaysAheadCountsInHours();
};

void tst_SwitchList::timeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("seconds"); // -1: not a time

    QTest::newRow("midnight") << QStringLiteral("00:00:00") << 0;
    QTest::newRow("last second") << QStringLiteral("23:59:59") << 86399;
    QTest::newRow("program length") << QStringLiteral("00:05:30") << 330;
    QTest::newRow("hour 25") << QStringLiteral("25:00:00") << -1;
    QTest::newRow("letters") << QStringLiteral("ab:cd:ef") << -1;
    QTest::newRow("minute 60") << QStringLiteral("10:60:00") << -1;
    QTest::newRow("no leading zero") << QStringLiteral("8:00:00") << -1;
    QTest::newRow("blank length") << QStringLiteral("00:     ") << -1;
    QTest::newRow("empty") << QString() << -1;
}

void tst_SwitchList::timeText()
{
    QFETCH(QString, text);
    QFETCH(int, seconds);
    const std::optional<int> got = TimeTextToSeconds(text);
    QCOMPARE(got.value_or(-1), seconds);
}

void tst_SwitchList::countdown_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << 0 << QStringLiteral("00:00");
    QTest::newRow("59 seconds") << 59 << QStringLiteral("00:59");
    QTest::newRow("1:02:05 has a leading space") << 3725 << QStringLiteral(" 1:02:05");
    QTest::newRow("ten hours") << 36000 << QStringLiteral("10:00:00");
    QTest::newRow("six days two hours") << 146 * 3600 << QStringLiteral("146:00:00");
    QTest::newRow("15 seconds") << 15 << QStringLiteral("00:15");
}

void tst_SwitchList::countdown()
{
    QFETCH(int, seconds);
    QTEST(FormatCountdown(seconds), "text");
}

void tst_SwitchList::passedTimeMovesToNextWeek_data()
{
    QTest::addColumn<QTime>("now");
    QTest::addColumn<QDate>("date");

    QTest::newRow("07:59:59 lists today") << QTime(7, 59, 59) << kMonday;
    QTest::newRow("07:59:59.999 lists today") << QTime(7, 59, 59, 999) << kMonday;
    QTest::newRow("08:00:00 lists next Monday") << QTime(8, 0, 0) << kMonday.addDays(7);
    QTest::newRow("09:00 lists next Monday") << QTime(9, 0, 0) << kMonday.addDays(7);
}

void tst_SwitchList::passedTimeMovesToNextWeek()
{
    QFETCH(QTime, now);
    Fixture f(QDateTime(kMonday, now));
    f.add({QStringLiteral("Breakfast"), 1, onDay(1, QStringLiteral("08:00:00"))});
    f.station.BuildSwitchList1();
    QCOMPARE(f.station.switchList(1).size(), 1);
    QTEST(f.station.switchList(1).first().date, "date");
    QCOMPARE(f.station.nextSwitch(1).NextRecord, 1);
    QCOMPARE(f.station.nextSwitch(1).NextSwitchSeconds, 8 * 3600);
    QCOMPARE(f.station.nextSwitch(1).NextSwitchName, QStringLiteral("Breakfast"));
}

void tst_SwitchList::sameTimeSortsByNameWithoutCase()
{
    Fixture f(QDateTime(kMonday, QTime(9, 0)));
    f.add({QStringLiteral("B Show"), 1, onDay(1, QStringLiteral("12:00:00"))});
    f.add({QStringLiteral("a show"), 1, onDay(1, QStringLiteral("12:00:00"))});
    f.add({QStringLiteral("C show"), 1, onDay(1, QStringLiteral("11:59:59"))});
    // A hand-edited time is ordered by its value, not its text.
    f.add({QStringLiteral("D show"), 1, onDay(1, QStringLiteral("11:5:00"))});
    f.station.BuildSwitchList1();
    QCOMPARE(f.lines(1), (QStringList{QStringLiteral("Mon 11:5:00  D show                   "),
                                      QStringLiteral("Mon 11:59:59 C show                   "),
                                      QStringLiteral("Mon 12:00:00 a show                   "),
                                      QStringLiteral("Mon 12:00:00 B Show                   ")}));
    QCOMPARE(f.station.nextSwitch(1).NextRecord, 4);
    f.clock.set(QDateTime(kMonday, QTime(11, 59, 59)));
    f.station.BuildSwitchList1();
    QCOMPARE(f.station.nextSwitch(1).NextRecord, 2);
    QCOMPARE(f.station.nextSwitch(1).NextSwitchName, QStringLiteral("a show"));
}

void tst_SwitchList::receiverRouting_data()
{
    QTest::addColumn<int>("twoReceivers");
    QTest::addColumn<int>("scheduleReceiver");
    QTest::addColumn<int>("inList1");
    QTest::addColumn<int>("inList2");

    QTest::newRow("one receiver takes receiver 2's schedule") << 0 << 2 << 1 << 0;
    QTest::newRow("one receiver takes an unset receiver") << 0 << 0 << 1 << 0;
    QTest::newRow("two receivers: receiver 2 only") << 1 << 2 << 0 << 1;
    QTest::newRow("two receivers: receiver 1 only") << 1 << 1 << 1 << 0;
    QTest::newRow("two receivers: unset receiver nowhere") << 1 << 0 << 0 << 0;
    QTest::newRow("hand-edited 2: receiver 1 keeps its own") << 2 << 1 << 1 << 0;
    QTest::newRow("hand-edited 2: receiver 2's is not taken") << 2 << 2 << 0 << 0;
}

void tst_SwitchList::receiverRouting()
{
    QFETCH(int, twoReceivers);
    QFETCH(int, scheduleReceiver);
    Fixture f(QDateTime(kMonday, QTime(9, 0)));
    f.station.settings.TwoReceivers = twoReceivers;
    f.add({QStringLiteral("Routed"), scheduleReceiver, onDay(2, QStringLiteral("10:00:00"))});
    f.station.BuildSwitchList1();
    if (twoReceivers == 1) // start-up builds receiver 2's list only with two receivers
        f.station.BuildSwitchList2();
    QTEST(int(f.station.switchList(1).size()), "inList1");
    QTEST(int(f.station.switchList(2).size()), "inList2");
}

void tst_SwitchList::notInUseContributesNothing()
{
    Fixture f(QDateTime(kMonday, QTime(9, 0)));
    f.add({QStringLiteral("Deleted"), 1, onDay(2, QStringLiteral("10:00:00")), QStringLiteral("0")});
    f.station.BuildSwitchList1();
    QVERIFY(f.station.switchList(1).isEmpty());
    QCOMPARE(f.station.nextSwitch(1).NextRecord, 0);
}

void tst_SwitchList::sevenDaysGiveSevenEntries()
{
    Fixture f(QDateTime(kMonday, QTime(12, 0)));
    std::array<QString, 7> every;
    every.fill(QStringLiteral("12:00:00"));
    f.add({QStringLiteral("Daily"), 1, every});
    f.station.BuildSwitchList1();
    const QStringList lines = f.lines(1);
    QCOMPARE(lines.size(), 7);
    QVERIFY(lines.first().startsWith(QLatin1String("Tue 12:00:00")));
    QVERIFY(lines.last().startsWith(QLatin1String("Mon 12:00:00")));
    QCOMPARE(f.station.switchList(1).last().date, kMonday.addDays(7));
}

void tst_SwitchList::displayLineOfASundayMorning()
{
    Fixture f(QDateTime(kMonday, QTime(9, 0)));
    f.add({QStringLiteral("Morning"), 1, onDay(0, QStringLiteral("06:05:00"))});
    f.station.BuildSwitchList1();
    QCOMPARE(f.lines(1), QStringList{QStringLiteral("Sun 06:05:00 Morning") + QString(18, QLatin1Char(' '))});
}

void tst_SwitchList::noSchedulesLeaveNoNextSwitch()
{
    Fixture f(QDateTime(kMonday, QTime(9, 0)));
    f.add({QStringLiteral("Once"), 1, onDay(1, QStringLiteral("09:30:00"))});
    f.station.BuildSwitchList1();
    QCOMPARE(f.station.nextSwitch(1).NextRecord, 1);
    QVERIFY(f.station.store().DeleteSchedule(1));
    f.station.BuildSwitchList1();
    QCOMPARE(f.station.nextSwitch(1).NextRecord, 0);
    // The other fields stay as they were.
    QCOMPARE(f.station.nextSwitch(1).NextSwitchName, QStringLiteral("Once"));
    QVERIFY(f.lines(1).isEmpty());
}

void tst_SwitchList::timesThatAreNotTimesAreNeverListed()
{
    Fixture f(QDateTime(kMonday, QTime(9, 0)));
    std::array<QString, 7> times;
    times[1] = QStringLiteral("25:00:00");
    times[2] = QStringLiteral("ab:cd:ef");
    times[3] = QStringLiteral("8:00:00");
    times[4] = QStringLiteral("10:00:00");
    f.add({QStringLiteral("Odd"), 1, times});
    f.station.BuildSwitchList1();
    QCOMPARE(f.lines(1), QStringList{QStringLiteral("Thu 10:00:00 Odd                      ")});
    // Reported once per build, naming both bad times; the one without ':' is silent.
    QCOMPARE(f.home.errors.size(), 1);
    QVERIFY(f.home.errors.first().contains(QLatin1String("25:00:00")));
    QVERIFY(f.home.errors.first().contains(QLatin1String("ab:cd:ef")));
    QVERIFY(!f.home.errors.first().contains(QLatin1String("8:00:00 ")));
}

void tst_SwitchList::nextSwitchSeveralDaysAheadCountsInHours()
{
    // Sunday 10:00 to Saturday 12:00 is six days and two hours.
    const QDate sunday = kMonday.addDays(-1);
    Fixture f(QDateTime(sunday, QTime(10, 0)));
    f.add({QStringLiteral("Weekly"), 1, onDay(6, QStringLiteral("12:00:00"))});
    f.station.BuildSwitchList1();
    const NextSwitch &next = f.station.nextSwitch(1);
    const int seconds = next.NextSwitchSeconds - 10 * 3600 + 86400 * int(sunday.daysTo(next.NextSwitchDate));
    QCOMPARE(FormatCountdown(seconds), QStringLiteral("146:00:00"));
}

QTEST_GUILESS_MAIN(tst_SwitchList)
#include "tst_switchlist.moc"
