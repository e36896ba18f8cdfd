#include "station/switchlist.h"
#include "station/conflicts.h"
#include "schedule/schedulestore.h"

#include "testdata.h"

// Lists are built from a real schedule file on Monday 2024-01-01 at noon, as
// the engine builds them after the editor stores a schedule.
class tst_Conflicts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void check_data();
    void check();
    void threeAtOneMomentListTheMiddleTwice();
    void otherReceiversScheduleIsNoConflict();

private:
    void addSchedule(const QString &name, int receiver, int day, const QString &time);
    QStringList conflictsOf(int receiver, bool twoReceivers) const;

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<ScheduleStore> m_store;
};

void tst_Conflicts::init()
{
    m_home = std::make_unique<TestHome>();
    m_store = std::make_unique<ScheduleStore>();
    QVERIFY(m_store->OpenScheduleFile(m_home->file(QStringLiteral("SwitchList.dat")), nullptr));
}

void tst_Conflicts::cleanup()
{
    m_store.reset();
    m_home.reset();
}

void tst_Conflicts::addSchedule(const QString &name, int receiver, int day, const QString &time)
{
    ScheduleRecord r;
    r.PgmName = name;
    r.Receiver = receiver;
    r.SwitchTime[day] = time;
    QVERIFY(m_store->WriteScheduleRecord(m_store->recordCount() + 1, BuildScheduleRecord(r)));
}

QStringList tst_Conflicts::conflictsOf(int receiver, bool twoReceivers) const
{
    const SwitchListBuild build = BuildSwitchList(*m_store, receiver, twoReceivers, QDate(2024, 1, 1), 12 * 3600.0);
    return CheckScheduleConflicts(build.entries);
}

void tst_Conflicts::check_data()
{
    QTest::addColumn<QString>("firstTime");
    QTest::addColumn<QString>("secondTime");
    QTest::addColumn<int>("secondDay");
    QTest::addColumn<QStringList>("lines");
    const QString a = QStringLiteral("Mon 06:00:00 Alpha                    ");
    const QString b = QStringLiteral("Mon 06:00:00 Beta                     ");
    QTest::newRow("same Monday second") << "06:00:00" << "06:00:00" << 1 << QStringList{a, b};
    QTest::newRow("one second apart") << "06:00:00" << "06:00:01" << 1 << QStringList{};
    QTest::newRow("same time on another day") << "06:00:00" << "06:00:00" << 2 << QStringList{};
}

void tst_Conflicts::check()
{
    QFETCH(QString, firstTime);
    QFETCH(QString, secondTime);
    QFETCH(int, secondDay);
    QFETCH(QStringList, lines);
    addSchedule(QStringLiteral("Beta"), 1, secondDay, secondTime);
    addSchedule(QStringLiteral("Alpha"), 1, 1, firstTime);
    QCOMPARE(conflictsOf(1, false), lines);
}

void tst_Conflicts::threeAtOneMomentListTheMiddleTwice()
{
    addSchedule(QStringLiteral("C"), 1, 3, QStringLiteral("18:30:00"));
    addSchedule(QStringLiteral("A"), 1, 3, QStringLiteral("18:30:00"));
    addSchedule(QStringLiteral("Other"), 1, 3, QStringLiteral("18:30:01"));
    addSchedule(QStringLiteral("b"), 1, 3, QStringLiteral("18:30:00"));
    const auto line = [](const QString &name) {
        return QStringLiteral("Wed 18:30:00 ") + name.leftJustified(25, QLatin1Char(' '));
    };
    QCOMPARE(conflictsOf(1, false), (QStringList{line("A"), line("b"), line("b"), line("C")}));
}

void tst_Conflicts::otherReceiversScheduleIsNoConflict()
{
    addSchedule(QStringLiteral("One"), 1, 1, QStringLiteral("06:00:00"));
    addSchedule(QStringLiteral("Two"), 2, 1, QStringLiteral("06:00:00"));
    QVERIFY(conflictsOf(1, true).isEmpty());
    QVERIFY(conflictsOf(2, true).isEmpty());
    // With one receiver both belong to receiver 1 and clash.
    QCOMPARE(conflictsOf(1, false).size(), 2);
}

QTEST_GUILESS_MAIN(tst_Conflicts)
#include "tst_conflicts.moc"
