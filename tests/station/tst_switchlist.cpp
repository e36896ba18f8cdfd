#include "station/conflicts.h"
#include "station/switchlist.h"

#include "schedules.h"
#include "teststation.h"

namespace {

// "13 Mon 08:00:00 Breakfast": the day of the month and the list's line.
QStringList lines(const QList<SwitchEntry> &entries)
{
    QStringList out;
    for (const SwitchEntry &e : entries)
        out << e.date.toString("d ") + e.displayLine().trimmed();
    return out;
}

} // namespace

class tst_SwitchList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Switch times and lengths ("00:" + MM:SS) in seconds, -1 for no time of day.
    void timeText()
    {
        QList<int> seconds;
        for (const char *text : {"00:00:00", "23:59:59", "00:05:30", "08:5:00", "24:00:00", "10:60:00", "10:00:60",
                                 "ab:cd:ef", "8:00:00", "00:     "})
            seconds << TimeTextToSeconds(text).value_or(-1);
        QCOMPARE(seconds, (QList<int>{0, 86399, 330, 8 * 3600 + 300, -1, -1, -1, -1, -1, -1}));
    }

    // One-digit hours keep a leading space.
    void countdown()
    {
        QStringList texts;
        for (int seconds : {0, 59, 3725, 36000, 146 * 3600})
            texts << FormatCountdown(seconds);
        QCOMPARE(texts, (QStringList{"00:00", "00:59", " 1:02:05", "10:00:00", "146:00:00"}));
    }

    // Schedules are "day time name [receiver]" on Monday 6 December 2027 at
    // `now`; day "*" is every day. Conflicts are those of receiver 1's list,
    // then those of receiver 2's.
    void lists_data()
    {
        QTest::addColumn<QString>("now");
        QTest::addColumn<int>("twoReceivers");
        QTest::addColumn<QStringList>("schedules");
        QTest::addColumn<QStringList>("list1");
        QTest::addColumn<QStringList>("list2");
        QTest::addColumn<QStringList>("conflicts");

        QTest::newRow("a second before: today")
            << "07:59:59.999" << 0 << QStringList{"Mon 08:00:00 Breakfast"} << QStringList{"6 Mon 08:00:00 Breakfast"}
            << QStringList() << QStringList();
        QTest::newRow("at the very second: next week")
            << "08:00:00" << 0 << QStringList{"Mon 08:00:00 Breakfast"} << QStringList{"13 Mon 08:00:00 Breakfast"}
            << QStringList() << QStringList();
        QTest::newRow("seven days from tomorrow, ending with today's passed time")
            << "12:00:00" << 0 << QStringList{"* 12:00:00 Daily"}
            << QStringList{"7 Tue 12:00:00 Daily",  "8 Wed 12:00:00 Daily",  "9 Thu 12:00:00 Daily",
                           "10 Fri 12:00:00 Daily", "11 Sat 12:00:00 Daily", "12 Sun 12:00:00 Daily",
                           "13 Mon 12:00:00 Daily"}
            << QStringList() << QStringList();
        QTest::newRow("by the time's value, then by name without case; one moment conflicts")
            << "09:00:00" << 0 << QStringList{"Mon 12:00:00 B", "Mon 12:00:00 a", "Mon 11:59:00 C", "Mon 11:5:00 D"}
            << QStringList{"6 Mon 11:5:00  D", "6 Mon 11:59:00 C", "6 Mon 12:00:00 a", "6 Mon 12:00:00 B"}
            << QStringList() << QStringList{"Mon 12:00:00 a", "Mon 12:00:00 B"};
        QTest::newRow("three at one moment list the middle one twice")
            << "09:00:00" << 0
            << QStringList{"Wed 18:30:00 C", "Wed 18:30:00 A", "Wed 18:31:00 Other", "Wed 18:30:00 b"}
            << QStringList{"8 Wed 18:30:00 A", "8 Wed 18:30:00 b", "8 Wed 18:30:00 C", "8 Wed 18:31:00 Other"}
            << QStringList() << QStringList{"Wed 18:30:00 A", "Wed 18:30:00 b", "Wed 18:30:00 b", "Wed 18:30:00 C"};
        const QStringList routed = {"Tue 10:00:00 One 1", "Tue 10:00:00 Two 2", "Tue 10:00:00 Unset 0"};
        QTest::newRow("one receiver takes every schedule")
            << "09:00:00" << 0 << routed
            << QStringList{"7 Tue 10:00:00 One", "7 Tue 10:00:00 Two", "7 Tue 10:00:00 Unset"} << QStringList()
            << QStringList{"Tue 10:00:00 One", "Tue 10:00:00 Two", "Tue 10:00:00 Two", "Tue 10:00:00 Unset"};
        QTest::newRow("two receivers take their own") << "09:00:00" << 1 << routed << QStringList{"7 Tue 10:00:00 One"}
                                                      << QStringList{"7 Tue 10:00:00 Two"} << QStringList();
        QTest::newRow("closer than the receiver's command lead")
            << "09:00:00" << 1
            << QStringList{"Tue 10:00:00 A", "Tue 10:00:14 B", "Tue 10:00:29 C", "Tue 23:59:55 D", "Wed 00:00:05 E",
                           "Tue 10:00:00 F 2", "Tue 10:00:09 G 2", "Tue 10:00:19 H 2"}
            << QStringList{"7 Tue 10:00:00 A", "7 Tue 10:00:14 B", "7 Tue 10:00:29 C", "7 Tue 23:59:55 D",
                           "8 Wed 00:00:05 E"}
            << QStringList{"7 Tue 10:00:00 F", "7 Tue 10:00:09 G", "7 Tue 10:00:19 H"}
            << QStringList{"Tue 10:00:00 A", "Tue 10:00:14 B", "Tue 23:59:55 D", "Wed 00:00:05 E", "Tue 10:00:00 F",
                           "Tue 10:00:09 G"};
        QTest::newRow("a hand-edited 2 counts as one receiver of its own schedules")
            << "09:00:00" << 2 << routed << QStringList{"7 Tue 10:00:00 One"} << QStringList() << QStringList();
    }

    void lists()
    {
        QFETCH(QString, now);
        QFETCH(int, twoReceivers);
        QFETCH(QStringList, schedules);
        TestStation t(
            QDateTime(kTestMonday.date(), QTime::fromString(now, now.size() > 8 ? "HH:mm:ss.zzz" : "HH:mm:ss")));
        t.station.settings.TwoReceivers = twoReceivers;
        static const QStringList days = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        for (const QString &s : schedules) {
            const QStringList f = s.split(' ');
            const std::array<QString, 7> times =
                f.at(0) == "*" ? everyDay(f.at(1)) : onDay(days.indexOf(f.at(0)), f.at(1));
            t.addSchedule(schedule(f.at(2), f.value(3, "1").toInt(), times));
        }
        QTEST(lines(t.station.switchList(1)), "list1");
        QTEST(twoReceivers == 1 ? lines(t.station.switchList(2)) : QStringList(), "list2");
        QStringList conflicts = CheckScheduleConflicts(t.station, 1) + CheckScheduleConflicts(t.station, 2);
        for (QString &line : conflicts)
            line = line.trimmed();
        QTEST(conflicts, "conflicts");
        for (const SwitchEntry &e : t.station.switchList(1))
            QCOMPARE(e.displayLine().size(), 38);
    }

    // Each build tells the times that are no times, all in one message; a
    // day without ':' in third place is no switch and is not told.
    void badTimesAreToldAndLeftOut()
    {
        TestStation t;
        std::array<QString, 7> times = {"", "25:00:00", "ab:cd:ef", "8:00:00", "10:00:00"};
        t.addSchedule(schedule("Odd", 1, times));
        QCOMPARE(lines(t.station.switchList(1)), QStringList{"9 Thu 10:00:00 Odd"});
        QCOMPARE(t.home.errors, QStringList{"13  Type mismatch: the switch time 25:00:00 of schedule 1 (Odd) is not a "
                                            "time of day\n13  Type mismatch: the switch time ab:cd:ef of schedule 1 "
                                            "(Odd) is not a time of day"});
        // Without schedules there is no next switch.
        QVERIFY(t.station.store().DeleteSchedule(1));
        t.home.errors.clear();
        t.station.BuildSwitchList1();
        QCOMPARE(t.station.nextSwitch(1).NextRecord, 0);
    }
};

QTEST_GUILESS_MAIN(tst_SwitchList)
#include "tst_switchlist.moc"
