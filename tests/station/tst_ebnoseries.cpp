#include "station/ebnoseries.h"

#include "testdata.h"

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

class tst_EbNoSeries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void day_data()
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
            << QStringList{"10:00:12 R1 8.5", "10:00:20 R2 3", "10:01:12 R1 None", "10:02:12 R1 8.4",
                           "10:03:12 R1 8.3"}
            << "R1 10:00:12=8.5 | 10:02:12=8.4 10:03:12=8.3; R2 10:00:20=3; "
               "better R1 10:00:12-10:01:12; better R2 10:01:12-10:02:12; better R1 10:02:12-10:03:12";
        QTest::newRow("a unit after the number and a sign count; text first or a garbled number is a gap")
            << QStringList{"10:00:12  8.5dB", "10:01:12  -3", "10:02:12  EbNo 9.5", "10:03:12  7.5",
                           "10:04:12  1234", "10:05:12  \n 7"}
            << "R1 10:00:12=8.5 10:01:12=-3 | 10:03:12=7.5 | 10:05:12=7";
        QTest::newRow("lines in neither layout are left out and counted")
            << QStringList{"10:00:12  8.5", "10:0", "10:01:12 R3 8.0", "24:00:12  8.0", "10:01:12 8.0",
                           "10:01:12  8.6"}
            << "R1 10:00:12=8.5 10:01:12=8.6; 4 unread";
        QTest::newRow("a clock set back repeats times: both kept, in time order")
            << QStringList{"10:58:12  8.0", "10:59:12  8.1", "10:58:12  8.2", "10:59:12  8.3"}
            << "R1 10:58:12=8 10:58:12=8.2 10:59:12=8.1 10:59:12=8.3";
        QTest::newRow("a clock set forward skips a minute: no gap")
            << QStringList{"10:57:12  8.0", "10:58:12  8.1", "11:00:12  8.2", "11:01:12  8.3"}
            << "R1 10:57:12=8 10:58:12=8.1 11:00:12=8.2 11:01:12=8.3";
        QTest::newRow("two hours without readings are a gap")
            << QStringList{"10:00:12  8.0", "10:01:12  8.1", "10:02:12  8.2", "12:02:12  8.3", "12:03:12  8.4"}
            << "R1 10:00:12=8 10:01:12=8.1 10:02:12=8.2 | 12:02:12=8.3 12:03:12=8.4";
    }

    void day()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, day);
        QCOMPARE(dayText(ebNoDayFromLines(lines)), day);
    }

    void month_data()
    {
        QTest::addColumn<QDate>("last");
        QTest::addColumn<QStringList>("files");  // "yyMMdd:line;line"
        QTest::addColumn<QString>("days");       // "R<n> <day index> lowest/mean/highest" where there are readings

        QTest::newRow("the 31 days up to the chosen one; missing days are gaps")
            << QDate(2007, 3, 26)
            << QStringList{"070223:10:00:12 R1 5", "070224:10:00:12 R1 7;10:00:20 R2 6", "070310:10:00:12 R1 None",
                           "070326:10:00:12 R1 8;10:01:12 R1 None;10:02:12 R1 10;10:03:12 R1 9;10:00:20 R2 7.5",
                           "070327:10:00:12 R1 6"}
            << "R1 0 7/7/7, R1 30 8/9/10, R2 0 6/6/6, R2 30 7.5/7.5/7.5";
        QTest::newRow("across the turn of the year, one receiver")
            << QDate(2007, 1, 10) << QStringList{"061211:10:00:12  8.5", "061231:10:00:12  9;10:01:12  10"}
            << "R1 0 8.5/8.5/8.5, R1 20 9/9.5/10";
    }

    void month()
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
                    shown.append(QStringLiteral("R%1 %2 %3/%4/%5").arg(r + 1).arg(d).arg(s->lowest).arg(s->mean).arg(s->highest));
            }
        }
        QCOMPARE(shown.join(QStringLiteral(", ")), days);
    }

    void axes_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QPointF>("dB");    // low, high
        QTest::addColumn<QPoint>("hours");  // from, to
        QTest::newRow("no readings: 0 to 20 dB over the whole day")
            << QStringList{"10:00:12  None"} << QPointF(0, 20) << QPoint(0, 24);
        QTest::newRow("minutes of today: a decibel spare, six across, the hour around them")
            << QStringList{"13:36:12  8.2", "13:38:12  9.1"} << QPointF(6, 12) << QPoint(13, 14);
        QTest::newRow("a deep fade widens the axis; a reading at 23:59 reaches 24:00")
            << QStringList{"06:10:12  0.4", "23:59:20  9.1"} << QPointF(-1, 11) << QPoint(6, 24);
        QTest::newRow("held within what a receiver reports")
            << QStringList{"10:00:12  -9.5", "10:01:12  39.5"} << QPointF(-10, 40) << QPoint(10, 11);
    }

    void axes()
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

QTEST_GUILESS_MAIN(tst_EbNoSeries)
#include "tst_ebnoseries.moc"
