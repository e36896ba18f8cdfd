#include "schedule/scheduleprintout.h"
#include "schedule/schedulestore.h"

#include "testdata.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace {

// days: a character per day Sunday to Saturday, 'x' where the schedule switches.
ScheduleRecord schedule(const QString &name, const QString &days = QStringLiteral("xxxxxxx"),
                        const QString &route = QStringLiteral("2"), int remoteStart = 3, int receiver = 2)
{
    ScheduleRecord r;
    r.PgmName = name;
    r.SatLen = QStringLiteral("59:30");
    r.SatLang = QStringLiteral("ENG");
    r.SatPort = QStringLiteral("4");
    r.SatRoute = route;
    r.SatAtt = QStringLiteral("14");
    r.RemoteStart = remoteStart;
    r.Receiver = receiver;
    for (int d = 0; d < 7; ++d)
        r.SwitchTime[d] = days.at(d) == QLatin1Char('x') ? QStringLiteral("06:0%1:00").arg(d) : QString();
    return r;
}

struct Store
{
    TestHome home;
    ScheduleStore store;

    Store()
    {
        QString error;
        if (!store.OpenScheduleFile(home.file(QStringLiteral("SwitchList.dat")), &error))
            qFatal("cannot open the schedule file");
    }
    QList<int> add(const QList<ScheduleRecord> &records)
    {
        QList<int> numbers;
        for (const ScheduleRecord &r : records) {
            const int n = store.recordCount() + 1;
            store.WriteScheduleRecord(n, BuildScheduleRecord(r));
            numbers.append(n);
        }
        return numbers;
    }
};

// Where each schedule's summary line stands: (page, line index), found by
// the name, which the tests make unique.
QPair<int, int> placeOf(const PrintListing &listing, const QString &name)
{
    for (int p = 0; p < listing.pages.size(); ++p) {
        const QStringList &page = listing.pages.at(p);
        for (int k = 0; k < page.size(); ++k) {
            if (page.at(k).mid(4, 25).trimmed() == name)
                return {p, k};
        }
    }
    return {-1, -1};
}

} // namespace

class tst_SchedulePrintout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pageBreaksFollowTheLineCounter_data()
    {
        QTest::addColumn<QStringList>("days");        // switching days of each schedule, in print order
        QTest::addColumn<QList<int>>("summaryLines"); // page * 100 + line index of each summary line
        QTest::addColumn<int>("pages");

        const QString week = QStringLiteral("xxxxxxx");
        QTest::newRow("six weekly schedules: counter 6 15 24 33 42 51, the sixth opens page 2")
            << QStringList(6, week) << QList<int>{6, 15, 24, 33, 42, 106} << 2;
        QTest::newRow("exactly five weekly schedules leave a header-only second page")
            << QStringList(5, week) << QList<int>{6, 15, 24, 33, 42} << 2;
        QTest::newRow("a schedule without days prints three lines but counts two")
            << QStringList{week, week, week, week, QStringLiteral("......."), QStringLiteral("xxxx..."),
                           QStringLiteral("x......")}
            << QList<int>{6, 15, 24, 33, 42, 45, 51} << 2;
        QTest::newRow("no schedules: one page with only the header") << QStringList{} << QList<int>{} << 1;
    }

    void pageBreaksFollowTheLineCounter()
    {
        QFETCH(QStringList, days);
        QFETCH(QList<int>, summaryLines);
        QFETCH(int, pages);
        Store s;
        QList<ScheduleRecord> records;
        for (int i = 0; i < days.size(); ++i)
            records.append(schedule(QStringLiteral("Program %1").arg(i + 1), days.at(i)));
        const QList<int> numbers = s.add(records);

        const PrintListing listing = BuildSchedulePrintout(s.store, numbers, QStringLiteral("03/26/07"));
        QCOMPARE(listing.pages.size(), pages);
        for (int i = 0; i < numbers.size(); ++i) {
            const auto [page, line] = placeOf(listing, QStringLiteral("Program %1").arg(i + 1));
            QCOMPARE(page * 100 + line, summaryLines.at(i));
        }
        for (int p = 0; p < pages; ++p) {
            QVERIFY(listing.pages.at(p).value(1).endsWith(QStringLiteral("Page %1 ").arg(p + 1)));
            QCOMPARE(listing.pages.at(p).value(4).indexOf(QLatin1String("Program")), 9);
        }
        if (days.size() == 5)
            QCOMPARE(listing.pages.at(1).size(), 6);
    }

    void summaryLineColumns_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<int>("remoteStart");
        QTest::addColumn<int>("receiver");
        QTest::addColumn<QString>("routeText");
        QTest::addColumn<QString>("remoteText");
        QTest::addColumn<QString>("receiverDigit");

        QTest::newRow("Stereo from 46, Hold from 57, receiver 2 in 63")
            << QStringLiteral("2") << 3 << 2 << QStringLiteral("Stereo") << QStringLiteral("Hold") << QStringLiteral("2");
        QTest::newRow("Rev and Mom") << QStringLiteral("3") << 2 << 1 << QStringLiteral("Rev") << QStringLiteral("Mom")
                                     << QStringLiteral("1");
        QTest::newRow("route 4 prints nothing") << QStringLiteral("4") << 1 << 1 << QString() << QStringLiteral("No")
                                                << QStringLiteral("1");
        QTest::newRow("blank route of a fresh schedule prints an empty column")
            << QStringLiteral(" ") << 0 << 0 << QString() << QString() << QStringLiteral("0");
        QTest::newRow("unknown route and remote start print empty columns")
            << QStringLiteral("7") << 8 << 1 << QString() << QString() << QStringLiteral("1");
    }

    void summaryLineColumns()
    {
        QFETCH(QString, route);
        QFETCH(int, remoteStart);
        QFETCH(int, receiver);
        QFETCH(QString, routeText);
        QFETCH(QString, remoteText);
        QFETCH(QString, receiverDigit);
        Store s;
        const QList<int> numbers = s.add({schedule(QStringLiteral("Morning News"), QStringLiteral("x......"), route,
                                                   remoteStart, receiver)});
        const PrintListing listing = BuildSchedulePrintout(s.store, numbers, QStringLiteral("03/26/07"));

        const QString line = listing.pages.at(0).at(6);
        QCOMPARE(line.left(45), QStringLiteral("    Morning News              59:30  ENG  4  "));
        QCOMPARE(line.mid(45, 7).trimmed(), routeText);
        QCOMPARE(line.mid(52, 2), QStringLiteral("14"));
        QCOMPARE(line.mid(56, 5).trimmed(), remoteText);
        QCOMPARE(line.mid(61), QLatin1Char(' ') + receiverDigit + QLatin1Char(' '));
        QCOMPARE(listing.pages.at(0).at(7), QStringLiteral("         Sun  06:00:00   "));
        QCOMPARE(listing.pages.at(0).at(8), QStringLiteral(" "));
    }

    void dayLinesNameEachSwitchingDay()
    {
        Store s;
        const QList<int> numbers = s.add({schedule(QStringLiteral("Weekdays"), QStringLiteral(".x.x.x."))});
        const QStringList page = BuildSchedulePrintout(s.store, numbers, QStringLiteral("1/2/07")).pages.at(0);
        QCOMPARE(page.mid(7, 3), (QStringList{QStringLiteral("         Mon  06:01:00  "),
                                               QStringLiteral("         Wed  06:03:00  "),
                                               QStringLiteral("         Fri  06:05:00   ")}));
        QCOMPARE(page.size(), 11);
    }

    void nameOrderIsAlphabeticalWithoutCase()
    {
        Store s;
        s.add({schedule(QStringLiteral("zulu")), schedule(QStringLiteral("Alpha")), schedule(QStringLiteral("mike")),
               schedule(QStringLiteral("Bravo"))});
        s.store.DeleteSchedule(3);
        QCOMPARE(SchedulesInNameOrder(s.store), (QList<int>{2, 4, 1}));
    }

    void deletedOrMissingNumbersAreLeftOut()
    {
        Store s;
        s.add({schedule(QStringLiteral("Kept"), QStringLiteral(".......")), schedule(QStringLiteral("Gone"))});
        s.store.DeleteSchedule(2);
        const PrintListing listing = BuildSchedulePrintout(s.store, {2, 1, 9}, QStringLiteral("03/26/07"));
        QCOMPARE(listing.pages.size(), 1);
        QCOMPARE(listing.pages.at(0).size(), 6 + 3);
        QCOMPARE(placeOf(listing, QStringLiteral("Kept")).second, 6);
    }

    void headerDateLeavesASpaceBeforeThePageNumber_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("US form fits as it is") << QStringLiteral("en_US") << QStringLiteral("3/26/07");
        QTest::newRow("four-digit year shortened") << QStringLiteral("en_GB") << QStringLiteral("26/03/07");
        QTest::newRow("month name in the C locale shortened") << QStringLiteral("C") << QStringLiteral("26 Mar 07");
    }

    void headerDateLeavesASpaceBeforeThePageNumber()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        const QLocale saved;
        QLocale::setDefault(QLocale(locale));
        const QString shown = ScheduleDateText(QDate(2007, 3, 26));
        QLocale::setDefault(saved);
        QCOMPARE(shown, text);

        Store s;
        const QString header = BuildSchedulePrintout(s.store, {}, shown).pages.at(0).at(1);
        QCOMPARE(header.mid(68), QStringLiteral(" Page 1 "));
    }

    void failedJobShowsNumberAndDescriptionWithOneSpace()
    {
        Store s;
        const QList<int> numbers = s.add({schedule(QStringLiteral("News"))});
        const QString absent = s.home.file(QStringLiteral("no-such-folder"));
        QVERIFY(!PrintSchedules(s.store, numbers, QDate(2007, 3, 26), {absent, QString()}));
        QCOMPARE(s.home.errors.size(), 1);
        QVERIFY2(s.home.errors.at(0).startsWith(QStringLiteral("2 ")) && s.home.errors.at(0).at(2) != QLatin1Char(' '),
                 qPrintable(s.home.errors.at(0)));
    }

    void pdfListingKeepsItsColumns()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        Store s;
        const QList<int> numbers = s.add({schedule(QStringLiteral("Evening Concert"))});
        const QString folder = s.home.file(QStringLiteral("pdf"));
        QVERIFY(QDir().mkpath(folder));
        qputenv("KESTRELPOINT_PRINT_PDF", folder.toLocal8Bit());
        const bool printed = PrintSchedules(s.store, numbers, QDate(2007, 3, 26));
        qunsetenv("KESTRELPOINT_PRINT_PDF");
        QVERIFY(printed);
        const QStringList pdfs = QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        QCOMPARE(pdfs.size(), 1);

        QProcess tool;
        tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-fixed"),
                                                 QStringLiteral("7.2"), QDir(folder).filePath(pdfs.at(0)),
                                                 QStringLiteral("-")});
        QVERIFY(tool.waitForFinished(30000));
        const QStringList lines = QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'));

        QString summary;
        QString heading;
        for (const QString &line : lines) {
            if (line.contains(QLatin1String("Evening Concert")))
                summary = line;
            if (line.contains(QLatin1String("Srce")))
                heading = line;
        }
        QVERIFY2(!summary.isEmpty(), qPrintable(lines.join(QLatin1Char('\n'))));
        // Columns relative to the name, which stands in column 5.
        const qsizetype name = summary.indexOf(QLatin1String("Evening Concert"));
        QCOMPARE(summary.indexOf(QLatin1String("Stereo")) - name, 46 - 5);
        QCOMPARE(summary.indexOf(QLatin1String("Hold")) - name, 57 - 5);
        QCOMPARE(summary.lastIndexOf(QLatin1Char('2')) - name, 63 - 5);
        QCOMPARE(heading.indexOf(QLatin1String("Program")) - name, 10 - 5);
        QCOMPARE(heading.indexOf(QLatin1String("Len")) - name, 32 - 5);
    }
};

QTEST_MAIN(tst_SchedulePrintout)
#include "tst_scheduleprintout.moc"
