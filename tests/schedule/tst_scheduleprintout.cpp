#include "schedule/scheduleprintout.h"
#include "schedule/schedulestore.h"

#include "schedules.h"
#include "testdata.h"

namespace {

// days: a character per day from Sunday, 'x' where the schedule switches
// (at 06:0d:00 on day d).
ScheduleRecord printed(const QString &name, const QString &days = "xxxxxxx", const QString &route = "2",
                       int remoteStart = 3, int receiver = 2)
{
    ScheduleRecord r = stereoEnglish(name, receiver, remoteStart, "59:30");
    r.SatPort = "4";
    r.SatRoute = route;
    r.SatAtt = "14";
    for (int d = 0; d < 7; ++d)
        r.SwitchTime[d] = days.at(d) == 'x' ? QString("06:0%1:00").arg(d) : QString();
    return r;
}

struct Store
{
    Store(const QList<ScheduleRecord> &records = {})
    {
        QVERIFY(store.OpenScheduleFile(home.file("SwitchList.dat"), nullptr));
        for (const ScheduleRecord &r : records)
            QVERIFY(store.WriteScheduleRecord(store.recordCount() + 1, BuildScheduleRecord(r)));
    }
    PrintListing listing(const QList<int> &numbers) const { return BuildSchedulePrintout(store, numbers, "03/26/07"); }
    TestHome home;
    ScheduleStore store;
};

} // namespace

class tst_SchedulePrintout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A six-line header; a page ends after the schedule that takes the line
    // counter past 50, and a schedule is never split.
    void pageBreaks_data()
    {
        QTest::addColumn<QStringList>("days");        // of each schedule, in print order
        QTest::addColumn<QList<int>>("summaryLines"); // page * 100 + line of each summary line
        QTest::addColumn<int>("pages");
        const QString week = "xxxxxxx";
        QTest::newRow("the sixth weekly schedule opens page 2")
            << QStringList(6, week) << QList<int>{6, 15, 24, 33, 42, 106} << 2;
        QTest::newRow("five weekly schedules and a header-only page")
            << QStringList(5, week) << QList<int>{6, 15, 24, 33, 42} << 2;
        QTest::newRow("a schedule without days prints three lines but counts two")
            << QStringList{week, week, week, week, ".......", "xxxx...", "x......"}
            << QList<int>{6, 15, 24, 33, 42, 45, 51} << 2;
        QTest::newRow("no schedules: a header") << QStringList() << QList<int>() << 1;
    }

    void pageBreaks()
    {
        QFETCH(QStringList, days);
        QList<ScheduleRecord> records;
        QList<int> numbers;
        for (int i = 0; i < days.size(); ++i) {
            records << printed(QString("Program %1").arg(i + 1), days.at(i));
            numbers << i + 1;
        }
        Store s(records);
        const PrintListing listing = s.listing(numbers);
        QList<int> summaries;
        for (int p = 0; p < listing.pages.size(); ++p) {
            const QStringList &page = listing.pages.at(p);
            QCOMPARE(page.mid(0, 6), (QStringList{" ", QString(28, ' ') + QString("Kestrelpoint Schedules").leftJustified(31)
                                                   + "03/26/07  Page " + QString::number(p + 1) + ' ', " ", " ",
                                                   QString(9, ' ') + QString("Program").leftJustified(22)
                                                   + "Len  Srce Port Rte  Att Start Rec", " "}));
            for (int k = 6; k < page.size(); ++k) {
                if (page.at(k).startsWith("    Program"))
                    summaries << p * 100 + k;
            }
        }
        QTEST(summaries, "summaryLines");
        QTEST(int(listing.pages.size()), "pages");
    }

    // Name from column 5, route from 46, attenuation 53, start 57, receiver 63.
    void summaryLine_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<int>("remoteStart");
        QTest::addColumn<int>("receiver");
        QTest::addColumn<QString>("line");
        QTest::newRow("Stereo, Hold, receiver 2")
            << "2" << 3 << 2 << "    Morning News              59:30  ENG  4  Stereo 14  Hold  2 ";
        QTest::newRow("Rev, Mom") << "3" << 2 << 1 << "    Morning News              59:30  ENG  4  Rev    14  Mom   1 ";
        QTest::newRow("blank route and start print empty columns")
            << " " << 0 << 0 << "    Morning News              59:30  ENG  4         14        0 ";
        QTest::newRow("unknown route and start print empty columns")
            << "7" << 8 << 1 << "    Morning News              59:30  ENG  4         14        1 ";
    }

    void summaryLine()
    {
        QFETCH(QString, route);
        QFETCH(int, remoteStart);
        QFETCH(int, receiver);
        Store s({printed("Morning News", "x.x....", route, remoteStart, receiver)});
        const QStringList page = s.listing({1}).pages.at(0);
        QCOMPARE(page.mid(7), (QStringList{"         Sun  06:00:00  ", "         Tue  06:02:00   ", " "}));
        QTEST(page.at(6), "line");
    }

    void order()
    {
        Store s({printed("zulu", "......."), printed("Alpha"), printed("mike"), printed("Bravo")});
        s.store.DeleteSchedule(3);
        QCOMPARE(SchedulesInNameOrder(s.store), (QList<int>{2, 4, 1}));
        // Numbers of no schedule in use are left out.
        const QStringList page = s.listing({3, 1, 9}).pages.at(0);
        QCOMPARE(page.mid(6), (QStringList{"    zulu                      59:30  ENG  4  Stereo 14  Hold  2 ", " ", " "}));
    }

    // Room for a space before the page number: the short form of the date,
    // with a two-digit year if needed.
    void headerDate_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("US form fits") << "en_US" << "3/26/07";
        QTest::newRow("four-digit year shortened") << "en_GB" << "26/03/07";
        QTest::newRow("month name shortened") << "C" << "26 Mar 07";
    }

    void headerDate()
    {
        QFETCH(QString, locale);
        const QLocale saved;
        QLocale::setDefault(QLocale(locale));
        const QString shown = ScheduleDateText(QDate(2007, 3, 26));
        QLocale::setDefault(saved);
        QTEST(shown, "text");
        Store s;
        QCOMPARE(BuildSchedulePrintout(s.store, {}, shown).pages.at(0).at(1).mid(68), QString(" Page 1 "));
    }

    void failedJobIsShownWithOneSpace()
    {
        Store s({printed("News")});
        QVERIFY(!PrintSchedules(s.store, {1}, QDate(2007, 3, 26), {s.home.file("no-such-folder"), QString()}));
        QCOMPARE(s.home.errors.size(), 1);
        QVERIFY2(s.home.errors.at(0).startsWith("2 ") && s.home.errors.at(0).at(2) != ' ', qPrintable(s.home.errors.at(0)));
    }
};

QTEST_MAIN(tst_SchedulePrintout)
#include "tst_scheduleprintout.moc"
