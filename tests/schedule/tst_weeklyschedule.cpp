#include "schedule/schedulestore.h"
#include "schedule/weeklyschedule.h"

#include "testdata.h"

namespace {

struct Plan
{
    QString name;
    QStringList times;  // Sunday to Saturday, empty where the schedule does not switch
    bool deleted = false;
};

} // namespace

Q_DECLARE_METATYPE(QList<Plan>)

class tst_WeeklySchedule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linesByDayTimeAndName_data()
    {
        QTest::addColumn<QList<Plan>>("plans");
        QTest::addColumn<QStringList>("lines");

        const QString none;
        const QString six = QStringLiteral("06:00:00");
        const QString name25 = QStringLiteral("%1").arg(QString(), -25);
        auto pad = [](const QString &name) { return name.leftJustified(25); };

        QTest::newRow("no schedules give an empty list") << QList<Plan>{} << QStringList{};
        QTest::newRow("a schedule without times gives no line")
            << QList<Plan>{{QStringLiteral("Idle"), QStringList(7, none)}} << QStringList{};
        QTest::newRow("Monday to Friday at 06:00:00 gives five lines")
            << QList<Plan>{{QStringLiteral("Morning"), {none, six, six, six, six, six, none}}}
            << QStringList{QStringLiteral("Mon 06:00:00 ") + pad(QStringLiteral("Morning")),
                           QStringLiteral("Tue 06:00:00 ") + pad(QStringLiteral("Morning")),
                           QStringLiteral("Wed 06:00:00 ") + pad(QStringLiteral("Morning")),
                           QStringLiteral("Thu 06:00:00 ") + pad(QStringLiteral("Morning")),
                           QStringLiteral("Fri 06:00:00 ") + pad(QStringLiteral("Morning"))};
        QTest::newRow("earlier time first within a day")
            << QList<Plan>{{QStringLiteral("Late"), {none, none, QStringLiteral("18:00:00"), none, none, none, none}},
                           {QStringLiteral("Early"), {none, none, QStringLiteral("09:30:00"), none, none, none, none}}}
            << QStringList{QStringLiteral("Tue 09:30:00 ") + pad(QStringLiteral("Early")),
                           QStringLiteral("Tue 18:00:00 ") + pad(QStringLiteral("Late"))};
        QTest::newRow("same day and time ordered by name without case")
            << QList<Plan>{{QStringLiteral("zebra"), {six, none, none, none, none, none, none}},
                           {QStringLiteral("Apple"), {six, none, none, none, none, none, none}},
                           {QStringLiteral("mango"), {six, none, none, none, none, none, none}}}
            << QStringList{QStringLiteral("Sun 06:00:00 ") + pad(QStringLiteral("Apple")),
                           QStringLiteral("Sun 06:00:00 ") + pad(QStringLiteral("mango")),
                           QStringLiteral("Sun 06:00:00 ") + pad(QStringLiteral("zebra"))};
        QTest::newRow("Saturday after Sunday whatever the record order")
            << QList<Plan>{{QStringLiteral("Weekend"), {none, none, none, none, none, none, six}},
                           {QStringLiteral("Weekend"), {QStringLiteral("23:00:00"), none, none, none, none, none, none}}}
            << QStringList{QStringLiteral("Sun 23:00:00 ") + pad(QStringLiteral("Weekend")),
                           QStringLiteral("Sat 06:00:00 ") + pad(QStringLiteral("Weekend"))};
        QTest::newRow("deleted schedule left out")
            << QList<Plan>{{QStringLiteral("Gone"), {six, none, none, none, none, none, none}, true},
                           {QStringLiteral("Kept"), {none, six, none, none, none, none, none}}}
            << QStringList{QStringLiteral("Mon 06:00:00 ") + pad(QStringLiteral("Kept"))};
        QTest::newRow("empty name kept as 25 spaces")
            << QList<Plan>{{QString(), {none, none, none, six, none, none, none}}}
            << QStringList{QStringLiteral("Wed 06:00:00 ") + name25};
        QTest::newRow("time shown as stored, unchecked")
            << QList<Plan>{{QStringLiteral("Odd"), {none, none, none, none, QStringLiteral("99:99:99"), none, none}}}
            << QStringList{QStringLiteral("Thu 99:99:99 ") + pad(QStringLiteral("Odd"))};
    }

    void linesByDayTimeAndName()
    {
        QFETCH(QList<Plan>, plans);
        QFETCH(QStringList, lines);
        TestHome home;
        ScheduleStore store;
        QString error;
        QVERIFY(store.OpenScheduleFile(home.file(QStringLiteral("SwitchList.dat")), &error));
        for (int i = 0; i < plans.size(); ++i) {
            ScheduleRecord r;
            r.PgmName = plans.at(i).name;
            r.Receiver = 1 + i % 2;
            for (int d = 0; d < 7; ++d)
                r.SwitchTime[d] = plans.at(i).times.at(d);
            QVERIFY(store.WriteScheduleRecord(i + 1, BuildScheduleRecord(r)));
            if (plans.at(i).deleted)
                QVERIFY(store.DeleteSchedule(i + 1));
        }

        const QStringList built = BuildWeeklySchedule(store);
        QCOMPARE(built, lines);
        for (const QString &line : built)
            QCOMPARE(line.size(), 38);
    }
};

QTEST_GUILESS_MAIN(tst_WeeklySchedule)
#include "tst_weeklyschedule.moc"
