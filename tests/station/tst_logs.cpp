#include "platform/paths.h"
#include "settings/stationsettings.h"
#include "station/activitylog.h"
#include "station/ebnoseries.h"
#include "station/logprintout.h"
#include "station/logviews.h"

#include "testdata.h"

#include <QRegularExpression>

namespace {

QString clock(int seconds)
{
    return QTime(0, 0).addSecs(seconds).toString(QStringLiteral("HH:mm:ss"));
}

// "R1 10:00:12=8.5 10:01:12=8.7 | 10:03:12=8.4; better R1 10:00:12-10:01:12; 1 unread":
// each receiver's runs with a bar for each gap, the better periods, the lines left out.
QString dayText(const EbNoDay &day)
{
    QStringList parts;
    for (int r = 0; r < 2; ++r) {
        QStringList runs;
        for (const EbNoRun &run : day.traces[r].runs) {
            QStringList points;
            for (const EbNoPoint &p : run)
                points.append(clock(p.seconds) + QLatin1Char('=') + QString::number(p.dB));
            runs.append(points.join(QLatin1Char(' ')));
        }
        if (!runs.isEmpty())
            parts.append(QStringLiteral("R%1 ").arg(r + 1) + runs.join(QStringLiteral(" | ")));
    }
    for (const EbNoBetterPeriod &p : day.better)
        parts.append(QStringLiteral("better R%1 %2-%3").arg(p.receiver).arg(clock(p.from), clock(p.to)));
    if (day.unreadLines > 0)
        parts.append(QStringLiteral("%1 unread").arg(day.unreadLines));
    return parts.join(QStringLiteral("; "));
}

} // namespace

// The daily logs: the activity log's lines and the daily purge, the viewers'
// day lists and line orders, the log printout and the Eb/No charts' series.
class tst_Logs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void activityLog()
    {
        TestHome home;
        StationSettings s;
        const QDateTime lastSecond(QDate(2026, 12, 31), QTime(23, 59, 59));
        for (int off : {0, 7}) {
            s.ActivityLogOn = off;
            QVERIFY(WriteActivityLog(s, lastSecond, "Alarm"));
        }
        QVERIFY(!QFile::exists(home.file("logs/AL261231.log")));
        s.ActivityLogOn = 1;
        QVERIFY(WriteActivityLog(s, lastSecond, "Remote Start 1 On"));
        QVERIFY(WriteActivityLog(s, lastSecond, "Alarm"));
        QVERIFY(WriteActivityLog(s, lastSecond.addSecs(1), "Time Set 00:00:00"));
        QCOMPARE(home.read("logs/AL261231.log"), QByteArray("23:59:59  Remote Start 1 On\r\n23:59:59  Alarm\r\n"));
        QCOMPARE(home.read("logs/AL270101.log"), QByteArray("00:00:00  Time Set 00:00:00\r\n"));
        QCOMPARE(home.errors, QStringList());

        QVERIFY(QDir(home.file("logs")).removeRecursively());
        QVERIFY(!WriteActivityLog(s, lastSecond, "Alarm"));
        QCOMPARE(home.errors, QStringList{"2  No such file or directory: " + home.file("logs/AL261231.log") +
                                          ".  The activity log line \"Alarm\" was not written."});
    }

    // The logs of the last 40 days and of a year back are there, with an
    // operator's copies beside them; the purge deletes the activity and MPEG
    // logs of a week back and older and the Eb/No logs of one keeping period
    // back and older, and nothing else. A letter that is no period keeps the
    // last one.
    void purge_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("keep");
        QTest::addColumn<QString>("lastPeriod");
        QTest::addColumn<QDate>("ebNoDeleted"); // the newest Eb/No log deleted
        const QDate march8(2027, 3, 8);
        QTest::newRow("1 week") << march8 << "w" << QString() << QDate(2027, 3, 1);
        QTest::newRow("1 day") << march8 << "d" << QString() << QDate(2027, 3, 7);
        QTest::newRow("1 month") << march8 << "m" << QString() << QDate(2027, 2, 8);
        QTest::newRow("1 year") << march8 << "y" << QString() << QDate(2026, 3, 8);
        QTest::newRow("1 month from 31 March: end of February")
            << QDate(2027, 3, 31) << "m" << QString() << QDate(2027, 2, 28);
        QTest::newRow("1 year from 29 February") << QDate(2028, 2, 29) << "y" << QString() << QDate(2027, 2, 28);
        QTest::newRow("never set: no Eb/No log") << march8 << QString() << QString() << QDate();
        QTest::newRow("unknown letter: the last period") << march8 << "?" << QString("ww") << QDate(2027, 3, 1);
    }

    void purge()
    {
        QFETCH(QDate, today);
        QFETCH(QString, keep);
        QFETCH(QString, lastPeriod);
        QFETCH(QDate, ebNoDeleted);
        TestHome home;
        QStringList kept;
        for (int back = 0; back <= 370; back += back == 40 ? 320 : 1) {
            const QDate day = today.addDays(-back);
            for (const char *prefix : {"AL", "MP", "EB"}) {
                const QString name = Paths::logFileName(prefix, day);
                home.write("logs/" + name, "x");
                const QDate newestGone = prefix == QByteArray("EB") ? ebNoDeleted : today.addDays(-7);
                if (!newestGone.isValid() || day > newestGone)
                    kept << name;
            }
        }
        const QString old = Paths::logFileName("AL", today.addDays(-30));
        for (const QString &copy : QStringList{old + ".bak", old + "~", old.toLower(), "EB" + old.mid(2, 6) + "0.log",
                                    "AL991332.log", "Notes.txt"}) {
            home.write("logs/" + copy, "x");
            kept << copy;
        }
        QString period = lastPeriod;
        PurgeOldLogs(today, keep, period);
        PurgeOldLogs(today, keep, period); // again within the same second: harmless
        QStringList left = QDir(Paths::logsDir()).entryList(QDir::Files);
        left.sort();
        kept.sort();
        QCOMPARE(left, kept);
    }

    // Newest first, only daily logs of the kind asked for, only files.
    void dayLists()
    {
        TestHome home;
        QCOMPARE(ListLogDays("AL").entries, QStringList{kNoLogs});
        for (const char *name : {"AL070325.log", "EB070326.log", "AL070326.log", "MP070327.log", "MP061231.log",
                                 "MP070101.log", "ALbackup.log", "AL070326.log.bak", "al070326.log", "AL0703.log"})
            home.write(QString("logs/") + name, "x\r\n");
        QVERIFY(QDir(home.path()).mkpath("logs/AL070327.log"));
        QCOMPARE(ListLogDays("AL").entries, (QStringList{"03/26/07", "03/25/07"}));
        QCOMPARE(ListLogDays("MP").entries, (QStringList{"03/27/07", "01/01/07", "12/31/06"}));
        QCOMPARE(LogFileName("EB", logDateTextFromFileName("EB261205.log")), home.file("logs/EB261205.log"));
        QVERIFY(QDir(home.file("logs")).removeRecursively());
        QVERIFY(ListLogDays("EB").error.startsWith("2  No such file or directory"));
    }

    // A day's lines end at CR LF (or a lone CR, or the file's end). By Event:
    // each line from its 10th character, a space and its time, sorted as text
    // without regard to case, equal keys in file order.
    void dayLines_data()
    {
        QTest::addColumn<QByteArray>("contents"); // null: no file
        QTest::addColumn<QStringList>("byTime");
        QTest::addColumn<QStringList>("byEvent");
        const QStringList none{"Log for 03/26/07 does not exist."};
        QTest::newRow("no file") << QByteArray() << none << none;
        QTest::newRow("an empty file") << QByteArray("") << none << none;
        QTest::newRow("an empty line counts, the last needs no end; by text, then time")
            << QByteArray("09:00:00  Remote Start 1 On\r\n\r\n08:00:00  Alarm\r\n07:00:00  Remote Start 1 On")
            << QStringList{"09:00:00  Remote Start 1 On", "", "08:00:00  Alarm", "07:00:00  Remote Start 1 On"}
            << QStringList{" ", " Alarm 08:00:00", " Remote Start 1 On 07:00:00", " Remote Start 1 On 09:00:00"};
        QTest::newRow("case does not count; Windows-1252; a line shorter than a time")
            << QByteArray("09:00:00  beta\r\n10:00:00  Alpha \x80\xe9\r\n12:00\r\n")
            << QStringList{"09:00:00  beta", "10:00:00  Alpha €é", "12:00"}
            << QStringList{" 12:00", " Alpha €é 10:00:00", " beta 09:00:00"};
        QTest::newRow("Eb/No values as text; a lone line feed stays in its line")
            << QByteArray("10:00:00  9.8\r\n11:00:00  None\r\n12:00:00  12.5\r\n14:00:12  \n    8.5\r\n")
            << QStringList{"10:00:00  9.8", "11:00:00  None", "12:00:00  12.5", "14:00:12  \n    8.5"}
            << QStringList{" \n    8.5 14:00:12", " 12.5 12:00:00", " 9.8 10:00:00", " None 11:00:00"};
        QTest::newRow("two receivers by tag, then value")
            << QByteArray("10:00:00 R2 7.0\r\n10:00:00 R1 9.0\r\n11:00:00 R1 10.5\r\n")
            << QStringList{"10:00:00 R2 7.0", "10:00:00 R1 9.0", "11:00:00 R1 10.5"}
            << QStringList{"R1 10.5 11:00:00", "R1 9.0 10:00:00", "R2 7.0 10:00:00"};
    }

    void dayLines()
    {
        QFETCH(QByteArray, contents);
        TestHome home;
        if (!contents.isNull())
            home.write("logs/EB070326.log", contents);
        const LogDayLines byTime = LoadLogDay("EB", "03/26/07", LogOrder::ByTime);
        QTEST(byTime.lines, "byTime");
        QTEST(LoadLogDay("EB", "03/26/07", LogOrder::ByEvent).lines, "byEvent");
        QCOMPARE(byTime.error, QString());
    }

    // A file a fault made huge or garbled is read in part, with a first line
    // that says so; a damaged line is shown, cut to what a list can show.
    void partAndDamagedLogs_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("lineCount"); // shown, the note included
        QTest::addColumn<QString>("first"); // %1 the file's path
        QTest::addColumn<QString>("last");  // empty: not looked at
        const QString note = QStringLiteral("Only the first 16 MB or 1000000 lines of %1 (%2 MB) are shown.");
        const QByteArray line = "12:00:00  " + QByteArray(88, 'x') + "\r\n";
        QTest::newRow("over 16 MB: the line the limit cuts is left out")
            << line.repeated(170000) << 167772 + 1 << note.arg("%1", "16.2") << QString::fromLatin1(line.chopped(2));
        QTest::newRow("a million lines: whole") << QByteArray("\r\n").repeated(1000000) << 1000000 << "" << "";
        QTest::newRow("a line more") << QByteArray("\r\n").repeated(1000001) << 1000001 << note.arg("%1", "1.9") << "";
        const QString cut = QString(1000, 'x') + " ... (a line of 1048576 characters, cut)";
        QTest::newRow("1 MB without a line end") << QByteArray(1 << 20, 'x') << 1 << cut << cut;
        QByteArray garbage;
        for (int i = 0; i < 1024; ++i)
            garbage += char(i);
        QTest::newRow("binary garbage: a line at each carriage return")
            << garbage << 5 << QString::fromLatin1(garbage.left(13)) << "";
    }
    void partAndDamagedLogs()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, last);
        TestHome home;
        home.write("logs/AL070326.log", contents);
        const QStringList lines = LoadLogDay("AL", "03/26/07", LogOrder::ByTime).lines;
        QTEST(int(lines.size()), "lineCount");
        QFETCH(QString, first);
        QCOMPARE(lines.first(), first.contains("%1") ? first.arg(home.file("logs/AL070326.log")) : first);
        if (!last.isEmpty())
            QCOMPARE(lines.last(), last);
    }

    // A five-line header, then at most 51 lines from column 5; the page
    // breaks after its 51st line even when no line follows.
    void printout_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<QList<int>>("linesPerPage");
        QTest::newRow("no lines: a header") << "AL" << 0 << QList<int>{0};
        QTest::newRow("ten lines") << "EB" << 10 << QList<int>{10};
        QTest::newRow("51 lines and a header-only page") << "AL" << 51 << QList<int>{51, 0};
        QTest::newRow("103 lines on three pages") << "AL" << 103 << QList<int>{51, 51, 1};
    }

    void printout()
    {
        QFETCH(QString, kind);
        QFETCH(int, lineCount);
        QFETCH(QList<int>, linesPerPage);
        QStringList lines;
        for (int i = 1; i <= lineCount; ++i)
            lines << QString("12:00:00  Event %1").arg(i);
        const PrintListing listing = BuildLogPrintout(kind, "03/26/07", lines);
        QCOMPARE(listing.pages.size(), linesPerPage.size());
        const QString title = kind == "AL" ? "Kestrelpoint Activity Log" : "Kestrelpoint EbNo Log";
        for (int p = 0, next = 0; p < listing.pages.size(); ++p) {
            const QStringList &page = listing.pages.at(p);
            QCOMPARE(page.mid(0, 5), (QStringList{" ",
                                                  QString(28, ' ') + title.leftJustified(31) + "03/26/07  Page " +
                                                      QString::number(p + 1) + ' ',
                                                  " ", " ", " "}));
            QCOMPARE(page.mid(5),
                     lines.mid(next, linesPerPage.at(p)).replaceInStrings(QRegularExpression("^"), "    "));
            next += linesPerPage.at(p);
        }
    }

    void failedPrintJobIsShown()
    {
        TestHome home;
        QVERIFY(!PrintLog("AL", "03/26/07", {"x"}, {home.file("no-such-folder"), QString()}));
        QCOMPARE(home.errors.size(), 1);
        QVERIFY(home.errors.at(0).startsWith("2  "));
    }

    void ebNoDay_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("day");

        QTest::newRow("one receiver: lines without a tag, no better periods")
            << QStringList{"10:00:12  8.5", "10:01:12  8.7"} << "R1 10:00:12=8.5 10:01:12=8.7";
        QTest::newRow("two receivers by their tags; whole numbers, halves to even, a tie to R1")
            << QStringList{"10:00:12 R1 9.5", "10:00:20 R2 10.4", "10:01:12 R1 8.4", "10:01:20 R2 10.5",
                           "10:02:12 R1 10.4"}
            << "R1 10:00:12=9.5 10:01:12=8.4 10:02:12=10.4; R2 10:00:20=10.4 10:01:20=10.5; "
               "better R1 10:00:12-10:01:12; better R2 10:01:12-10:02:12; better R1 10:02:12-10:02:12";
        QTest::newRow("None is a gap in the line, and 0 for the output bits")
            << QStringList{"10:00:12 R1 8.5", "10:00:20 R2 3", "10:01:12 R1 None", "10:02:12 R1 8.4", "10:03:12 R1 8.3"}
            << "R1 10:00:12=8.5 | 10:02:12=8.4 10:03:12=8.3; R2 10:00:20=3; "
               "better R1 10:00:12-10:01:12; better R2 10:01:12-10:02:12; better R1 10:02:12-10:03:12";
        QTest::newRow("a unit after the number and a sign count; text first or a garbled number is a gap")
            << QStringList{"10:00:12  8.5dB", "10:01:12  -3",   "10:02:12  EbNo 9.5",
                           "10:03:12  7.5",   "10:04:12  1234", "10:05:12  \n 7"}
            << "R1 10:00:12=8.5 10:01:12=-3 | 10:03:12=7.5 | 10:05:12=7";
        QTest::newRow("lines in neither layout are left out and counted")
            << QStringList{"10:00:12  8.5", "10:0", "10:01:12 R3 8.0", "24:00:12  8.0", "10:01:12 8.0", "10:01:12  8.6"}
            << "R1 10:00:12=8.5 10:01:12=8.6; 4 unread";
        QTest::newRow("a clock set back repeats times: both kept, in time order")
            << QStringList{"10:58:12  8.0", "10:59:12  8.1", "10:58:12  8.2", "10:59:12  8.3"}
            << "R1 10:58:12=8 10:58:12=8.2 10:59:12=8.1 10:59:12=8.3";
        QTest::newRow("a clock set forward skips a minute: no gap")
            << QStringList{"10:57:12  8.0", "10:58:12  8.1", "11:00:12  8.2", "11:01:12  8.3"}
            << "R1 10:57:12=8 10:58:12=8.1 11:00:12=8.2 11:01:12=8.3";
        QTest::newRow("the better receiver's band stops where the readings stop for two hours")
            << QStringList{"10:00:12 R1 9", "10:00:20 R2 8", "10:01:12 R1 9", "10:01:20 R2 8", "10:02:12 R1 9",
                           "10:02:20 R2 8", "12:02:12 R1 9", "12:02:20 R2 10", "12:03:12 R1 9", "12:03:20 R2 10"}
            << "R1 10:00:12=9 10:01:12=9 10:02:12=9 | 12:02:12=9 12:03:12=9; "
               "R2 10:00:20=8 10:01:20=8 10:02:20=8 | 12:02:20=10 12:03:20=10; "
               "better R1 10:00:12-10:02:20; better R1 12:02:12-12:02:20; better R2 12:02:20-12:03:20";
        QTest::newRow("two hours without readings are a gap")
            << QStringList{"10:00:12  8.0", "10:01:12  8.1", "10:02:12  8.2", "12:02:12  8.3", "12:03:12  8.4"}
            << "R1 10:00:12=8 10:01:12=8.1 10:02:12=8.2 | 12:02:12=8.3 12:03:12=8.4";
    }

    void ebNoDay()
    {
        QFETCH(QStringList, lines);
        QTEST(dayText(ebNoDayFromLines(lines)), "day");
    }

    void ebNoMonth_data()
    {
        QTest::addColumn<QDate>("last");
        QTest::addColumn<QStringList>("files"); // "yyMMdd:line;line"
        QTest::addColumn<QString>("days");      // "R<n> <day index> lowest/mean/highest" where there are readings
        QTest::addColumn<QPointF>("dB");        // the dB axis: low, high

        QTest::newRow("the 31 days up to the chosen one; missing days are gaps")
            << QDate(2007, 3, 26)
            << QStringList{"070223:10:00:12 R1 5", "070224:10:00:12 R1 7;10:00:20 R2 6", "070310:10:00:12 R1 None",
                           "070326:10:00:12 R1 8;10:01:12 R1 None;10:02:12 R1 10;10:03:12 R1 10;10:00:20 R2 13.5",
                           "070327:10:00:12 R1 2"}
            << "R1 0 7/7/7, R1 30 8/9.33333/10, R2 0 6/6/6, R2 30 13.5/13.5/13.5" << QPointF(5, 15);
        QTest::newRow("across the turn of the year, one receiver")
            << QDate(2007, 1, 10) << QStringList{"061211:10:00:12  8.5", "061231:10:00:12  9;10:01:12  10"}
            << "R1 0 8.5/8.5/8.5, R1 20 9/9.5/10" << QPointF(6, 12);
    }

    void ebNoMonth()
    {
        QFETCH(QDate, last);
        QFETCH(QStringList, files);
        QFETCH(QString, days);
        TestHome home;
        for (const QString &file : files) {
            const QByteArray contents = file.mid(7).replace(QLatin1Char(';'), QStringLiteral("\r\n")).toLatin1();
            home.write(QStringLiteral("logs/EB") + file.left(6) + QStringLiteral(".log"), contents + "\r\n");
        }
        const EbNoMonth month = loadEbNoMonth(last);
        QCOMPARE(month.first, last.addDays(-30));
        QStringList shown;
        for (int r = 0; r < 2; ++r) {
            QCOMPARE(month.days[r].size(), kMonthDays);
            for (int d = 0; d < kMonthDays; ++d) {
                if (const std::optional<EbNoDayStats> &s = month.days[r].at(d))
                    shown.append(QStringLiteral("R%1 %2 %3/%4/%5")
                                     .arg(r + 1)
                                     .arg(d)
                                     .arg(s->lowest)
                                     .arg(s->mean)
                                     .arg(s->highest));
            }
        }
        QCOMPARE(shown.join(QStringLiteral(", ")), days);
        const EbNoAxisRange range = ebNoAxisRange(month.lowest, month.highest);
        QTEST(QPointF(range.low, range.high), "dB");
    }

    // Each column's lowest and highest reading in time order, the nearest
    // reading outside the span on either side; "seconds=dB".
    void drawnReadings_data()
    {
        QTest::addColumn<QString>("run");
        QTest::addColumn<QPointF>("span"); // seconds from, to
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("drawn");
        QTest::newRow("two a column or fewer: all") << "0=5 10=3 20=9 30=6" << QPointF(0, 40) << 2 << "0=5 10=3 20=9 30=6";
        QTest::newRow("a dip and a peak in each column, in time order")
            << "0=5 10=3 20=9 30=6 40=8 50=7 60=1 70=7" << QPointF(0, 80) << 2 << "10=3 20=9 40=8 60=1";
        QTest::newRow("one reading is lowest and highest of its column")
            << "0=5 10=5 20=5 30=5 40=4 50=6 60=9 70=4" << QPointF(0, 80) << 3 << "0=5 40=4 50=6 60=9 70=4";
        QTest::newRow("a zoomed span: the readings just outside it")
            << "0=1 10=2 20=3 30=9 40=4 50=5 60=8 70=6 80=7" << QPointF(25, 65) << 1 << "20=3 30=9 40=4 70=6";
    }
    void drawnReadings()
    {
        QFETCH(QString, run);
        QFETCH(QPointF, span);
        QFETCH(int, columns);
        EbNoRun points;
        for (const QString &p : run.split(' '))
            points.append({p.section('=', 0, 0).toInt(), p.section('=', 1).toDouble()});
        QStringList drawn;
        for (const EbNoPoint &p : ::drawnReadings(points, span.x(), span.y(), columns))
            drawn.append(QStringLiteral("%1=%2").arg(p.seconds).arg(p.dB));
        QTEST(drawn.join(' '), "drawn");
    }

    // More runs than a chart draws: the shortest gaps are joined.
    void drawnRunsKeepTheLongestGaps()
    {
        const QList<EbNoRun> runs{{{0, 1}}, {{100, 2}}, {{150, 3}}, {{400, 4}, {410, 5}}, {{420, 6}}};
        const QList<EbNoRun> drawn{{{0, 1}, {100, 2}, {150, 3}}, {{400, 4}, {410, 5}, {420, 6}}};
        QCOMPARE(drawnRuns(runs, 2), drawn);
        QCOMPARE(drawnRuns(runs, 5), runs);
    }

    void ebNoAxes_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QPointF>("dB");   // low, high
        QTest::addColumn<QPoint>("hours"); // from, to
        QTest::newRow("no readings: 0 to 20 dB over the whole day")
            << QStringList{"10:00:12  None"} << QPointF(0, 20) << QPoint(0, 24);
        QTest::newRow("minutes of today: a decibel spare, six across, the hour around them")
            << QStringList{"13:36:12  8.2", "13:38:12  9.1"} << QPointF(6, 12) << QPoint(13, 14);
        QTest::newRow("a deep fade widens the axis; a reading at 23:59 reaches 24:00")
            << QStringList{"06:10:12  0.4", "23:59:20  9.1"} << QPointF(-1, 11) << QPoint(6, 24);
        QTest::newRow("held within what a receiver reports")
            << QStringList{"10:00:12  -9.5", "10:01:12  39.5"} << QPointF(-10, 40) << QPoint(10, 11);
    }

    void ebNoAxes()
    {
        QFETCH(QStringList, lines);
        QFETCH(QPointF, dB);
        QFETCH(QPoint, hours);
        const EbNoDay day = ebNoDayFromLines(lines);
        const EbNoAxisRange range = ebNoAxisRange(day.lowest, day.highest);
        QCOMPARE(QPointF(range.low, range.high), dB);
        const EbNoTimeRange time = ebNoTimeRange(day);
        QCOMPARE(QPoint(time.from, time.to), hours * 3600);
    }
};

QTEST_MAIN(tst_Logs)
#include "tst_logs.moc"
