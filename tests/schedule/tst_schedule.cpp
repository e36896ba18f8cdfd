#include "schedule/scheduleprintout.h"
#include "schedule/schedulestore.h"
#include "schedule/schedulevalidation.h"
#include "schedule/weeklyschedule.h"

#include "schedules.h"
#include "testdata.h"

namespace {

// A schedule file with a record per flag ("1" in use), named N1, N2, ...
QByteArray scheduleFile(const QString &flags)
{
    QByteArray bytes;
    for (int i = 0; i < flags.size(); ++i) {
        bytes += recordBytes(schedule(QString("N%1").arg(i + 1)));
        bytes[i * kRecordLength] = flags.at(i).toLatin1();
    }
    return bytes;
}

// For the printout: days has a character per day from Sunday, 'x' where the
// schedule switches (at 06:0d:00 on day d).
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

// An open store on a temporary data folder whose file holds the bytes, or
// the schedules written in turn.
struct Store
{
    explicit Store(const QByteArray &bytes)
    {
        home.write("SwitchList.dat", bytes);
        QVERIFY(store.OpenScheduleFile(home.file("SwitchList.dat"), nullptr));
    }
    explicit Store(const QList<ScheduleRecord> &schedules = {}) : Store(QByteArray())
    {
        for (const ScheduleRecord &r : schedules)
            QVERIFY(store.WriteScheduleRecord(store.recordCount() + 1, BuildScheduleRecord(r)));
    }
    PrintListing listing(const QList<int> &numbers) const { return BuildSchedulePrintout(store, numbers, "03/26/07"); }
    TestHome home;
    ScheduleStore store;
};

} // namespace

// The schedule record and file, what the editor accepts, the weekly list and
// the printout.
class tst_Schedule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordFields()
    {
        ScheduleRecord r = stereoEnglish("News", 2, 3);
        r.SatLang = "EN";
        r.SwitchTime[1] = "08:00:00";
        r.SwitchTime[6] = "23:59:59";
        const QString record = BuildScheduleRecord(r);
        QCOMPARE(record, "1News                     05:30EN 227 32        08:00:00" + QString(32, ' ') + "23:59:59");
        const ScheduleRecord back = ParseScheduleRecord(record);
        QCOMPARE(QStringList({back.SatLang, back.SatAtt, back.SwitchTime[0]}), QStringList({"EN ", "7 ", "        "}));
        QCOMPARE(BuildScheduleRecord(back), record);
        r.PgmName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0";
        QCOMPARE(BuildScheduleRecord(r).mid(1, 26), QString("ABCDEFGHIJKLMNOPQRSTUVWXY0"));
    }

    // The name, Monday's time, the remote start and the receiver as parsed.
    void parse_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("fields");
        const QString news = QString("News").leftJustified(25);
        QTest::newRow("leading spaces of the name and a time are dropped")
            << QString("1   Morning").leftJustified(48) + " 8:00:00"
            << QString("Morning").leftJustified(25) + "|8:00:00 |0|0";
        QTest::newRow("a letter in a digit field reads 0")
            << QString("1News").leftJustified(38) + "x2" << news + "|        |0|2";
        QTest::newRow("a short record reads padded") << "1News" << news + "|        |0|0";
        QTest::newRow("not in use (0): only the flag") << "0Gone" << QString("||0|0");
        QTest::newRow("not in use (space): only the flag") << " Gone" << QString("||0|0");
    }

    void parse()
    {
        QFETCH(QString, record);
        const ScheduleRecord r = ParseScheduleRecord(record);
        QTEST(QStringList({r.PgmName, r.SwitchTime[1], QString::number(r.RemoteStart), QString::number(r.Receiver)})
                  .join('|'),
              "fields");
        QCOMPARE(r.inUse(), record.startsWith('1'));
    }

    // Any slot not flagged "1" is free; the lowest is reused, and 999 is the last.
    void newSchedule_data()
    {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<int>("number");
        QTest::newRow("an empty file") << QString() << 1;
        QTest::newRow("the lowest slot flagged 0") << "11001" << 3;
        QTest::newRow("a slot flagged with a space") << "1 1" << 2;
        QTest::newRow("slot 999") << QString(998, '1') << 999;
        QTest::newRow("none after 999: refused") << QString(999, '1') << 0;
    }

    void newSchedule()
    {
        QFETCH(QString, flags);
        QFETCH(int, number);
        Store s(scheduleFile(flags));
        QCOMPARE(s.store.NewSchedule(), number);
        QByteArray expected = scheduleFile(flags);
        if (number > 0)
            expected = expected.left((number - 1) * kRecordLength) + "1" + QByteArray(kRecordLength - 1, ' ') +
                       expected.mid(number * kRecordLength);
        QCOMPARE(s.home.read("SwitchList.dat"), expected);
        QCOMPARE(s.home.errors, number > 0 ? QStringList() : QStringList{"Maximum number of schedules is 999"});
    }

    // Whole records in use are visited; a deleted one keeps its slot.
    void scanAndDelete()
    {
        Store s(scheduleFile("10 12") + "1Half");
        QCOMPARE(s.store.recordCount(), 5);
        QStringList seen;
        s.store.ScanSchedules(
            [&](int n, const ScheduleRecord &r) { seen << QString::number(n) + r.PgmName.trimmed(); });
        QCOMPARE(seen, (QStringList{"1N1", "4N4"}));
        QVERIFY(!s.store.ReadScheduleRecord(6));
        QVERIFY(s.store.DeleteSchedule(4));
        QCOMPARE(s.home.read("SwitchList.dat").mid(3 * kRecordLength, 3), QByteArray("0N4"));
        QVERIFY(!s.store.DeleteSchedule(7));
    }

    void windows1252NamesTakeOneByte()
    {
        Store s({schedule("Café “Noël” €")});
        QCOMPARE(s.home.read("SwitchList.dat").left(15), QByteArray("1Caf\xe9 \x93No\xebl\x94 \x80 "));
        QCOMPARE(ParseScheduleRecord(*s.store.ReadScheduleRecord(1)).PgmName.trimmed(), QString("Café “Noël” €"));
    }

    // A length is five spaces or MM:SS, a switch time eight spaces or a time
    // of day HH:MM:SS, each after being cut or padded to its width.
    void editorTexts()
    {
        for (const char *text : {"", "     ", "59:59", "05:30xyz"})
            QVERIFY2(isLengthText(text), text);
        for (const char *text : {"5:30", "05.30", "05:60", "60:00", "\u0661\u0662:30"})
            QVERIFY2(!isLengthText(text), text);
        for (const char *text : {"", "        ", "00:00:00", "23:59:59"})
            QVERIFY2(isSwitchTimeText(text), text);
        for (const char *text : {"6:00:00", "24:00:00", "12:60:00", "12:00:60", "06:00", "06: 0:00", "06.00.00"})
            QVERIFY2(!isSwitchTimeText(text), text);
    }

    // The length is told first, then the days from Sunday.
    void firstRefusalIsTold_data()
    {
        QTest::addColumn<QString>("length");
        QTest::addColumn<QStringList>("days");
        QTest::addColumn<QString>("message");
        const QString ok = "06:00:00";
        QTest::newRow("all good") << "05:30" << QStringList{ok, "", ok, "", ok, "", ok} << QString();
        QTest::newRow("a bad length before a bad day") << "5:30" << QStringList{"6:00:00", "", "", "", "", "", ""}
                                                       << "Time format in Length must be MM:SS or left blank";
        QTest::newRow("bad Sunday and Monday: Sunday")
            << "" << QStringList{"25:00:00", "6:00:00", "", "", "", "", ""}
            << "Time format in Sunday Time to Switch must be HH:MM:SS or left blank";
        QTest::newRow("bad Saturday") << "" << QStringList{"", "", "", "", "", "", "23:59:60"}
                                      << "Time format in Saturday Time to Switch must be HH:MM:SS or left blank";
    }

    void firstRefusalIsTold()
    {
        QFETCH(QString, length);
        QFETCH(QStringList, days);
        std::array<QString, 7> times;
        std::copy(days.cbegin(), days.cend(), times.begin());
        QTEST(ScheduleInputError(length, times).value_or(QString()), "message");
    }

    // The editor's list: by name without case, then by number; free slots left out.
    void scheduleList()
    {
        Store s(
            {schedule("b show"), schedule("A Show"), schedule("Aardvark"), schedule("B Show"), schedule("   a show")});
        QVERIFY(s.store.DeleteSchedule(3));
        QStringList list;
        for (const ScheduleListEntry &e : BuildScheduleList(s.store))
            list << QString::number(e.ScheduleNumber) + ' ' + e.PgmName;
        QCOMPARE(list, (QStringList{"2 A Show                   ", "5 a show                   ",
                                    "1 b show                   ", "4 B Show                   "}));
    }

    // One line per schedule and switching day, from Sunday, by time, then by
    // name without case; the name as stored, the time unchecked.
    void weekly_data()
    {
        QTest::addColumn<QList<ScheduleRecord>>("schedules");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("no schedules") << QList<ScheduleRecord>() << QStringList();
        QTest::newRow("by day, time and name")
            << QList<ScheduleRecord>{schedule("Weekend", 1, onDay(6, "06:00:00")),
                                     schedule("Idle"),
                                     schedule("Morning", 2, {"", "06:00:00", "06:00:00"}),
                                     schedule("Late", 1, onDay(2, "18:00:00")),
                                     schedule("Early", 1, onDay(2, "09:30:00")),
                                     schedule("Zebra", 1, onDay(0, "06:00:00")),
                                     schedule("apple", 2, onDay(0, "06:00:00")),
                                     schedule("Weekend", 1, onDay(0, "23:00:00"))}
            << QStringList{"Sun 06:00:00 apple",   "Sun 06:00:00 Zebra",   "Sun 23:00:00 Weekend",
                           "Mon 06:00:00 Morning", "Tue 06:00:00 Morning", "Tue 09:30:00 Early",
                           "Tue 18:00:00 Late",    "Sat 06:00:00 Weekend"};
        QTest::newRow("an empty name, an odd time")
            << QList<ScheduleRecord>{schedule("", 1, onDay(3, "06:00:00")), schedule("Odd", 1, onDay(4, "99:99:99"))}
            << QStringList{"Wed 06:00:00", "Thu 99:99:99 Odd"};
    }

    void weekly()
    {
        QFETCH(QList<ScheduleRecord>, schedules);
        Store s(schedules);
        QStringList lines = BuildWeeklySchedule(s.store);
        for (QString &line : lines) {
            QCOMPARE(line.size(), 38);
            line = line.trimmed();
        }
        QTEST(lines, "lines");
    }

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
            QCOMPARE(page.mid(0, 6),
                     (QStringList{" ",
                                  QString(28, ' ') + QString("Kestrelpoint Schedules").leftJustified(31) +
                                      "03/26/07  Page " + QString::number(p + 1) + ' ',
                                  " ", " ",
                                  QString(9, ' ') + QString("Program").leftJustified(22) +
                                      "Len  Srce Port Rte  Att Start Rec",
                                  " "}));
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
        QTest::newRow("Rev, Mom") << "3" << 2 << 1
                                  << "    Morning News              59:30  ENG  4  Rev    14  Mom   1 ";
        QTest::newRow("a blank route and start print empty columns")
            << " " << 0 << 0 << "    Morning News              59:30  ENG  4         14        0 ";
        QTest::newRow("route 4 prints nothing; No")
            << "4" << 1 << 1 << "    Morning News              59:30  ENG  4         14  No    1 ";
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
        QCOMPARE(page.mid(6),
                 (QStringList{"    zulu                      59:30  ENG  4  Stereo 14  Hold  2 ", " ", " "}));
    }

    // Room for a space before the page number: the short form of the date,
    // with a two-digit year if needed.
    void headerDate()
    {
        const QLocale saved;
        QStringList shown;
        for (const char *locale : {"en_US", "en_GB", "C"}) {
            QLocale::setDefault(QLocale(locale));
            shown << ScheduleDateText(QDate(2007, 3, 26));
        }
        QLocale::setDefault(saved);
        QCOMPARE(shown, (QStringList{"3/26/07", "26/03/07", "26 Mar 07"}));
        for (const QString &date : shown)
            QCOMPARE(BuildSchedulePrintout(Store().store, {}, date).pages.at(0).at(1).mid(68), QString(" Page 1 "));
    }

    void failedJobIsShownWithOneSpace()
    {
        Store s({printed("News")});
        QVERIFY(!PrintSchedules(s.store, {1}, QDate(2007, 3, 26), {s.home.file("no-such-folder"), QString()}));
        QCOMPARE(s.home.errors.size(), 1);
        QVERIFY2(s.home.errors.at(0).startsWith("2 ") && s.home.errors.at(0).at(2) != ' ',
                 qPrintable(s.home.errors.at(0)));
    }
};

QTEST_MAIN(tst_Schedule)
#include "tst_schedule.moc"
