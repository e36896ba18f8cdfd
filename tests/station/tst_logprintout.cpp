#include "station/logprintout.h"

#include "testdata.h"

#include <QDir>

namespace {

QStringList numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(QStringLiteral("12:00:%1  Event %2").arg(i % 60, 2, 10, QLatin1Char('0')).arg(i));
    return lines;
}

QString headerPageLine(const QStringList &page)
{
    return page.value(1);
}

} // namespace

class tst_LogPrintout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pagesHoldFiftyOneLines_data()
    {
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<QList<int>>("linesPerPage");

        QTest::newRow("ten lines fit one page") << 10 << QList<int>{10};
        QTest::newRow("51 lines break after the last, leaving a header-only page") << 51 << QList<int>{51, 0};
        QTest::newRow("52 lines put one line under the second header") << 52 << QList<int>{51, 1};
        QTest::newRow("from the day list: a header and no lines") << 0 << QList<int>{0};
        QTest::newRow("103 lines need three pages") << 103 << QList<int>{51, 51, 1};
    }

    void pagesHoldFiftyOneLines()
    {
        QFETCH(int, lineCount);
        QFETCH(QList<int>, linesPerPage);
        const QStringList lines = numberedLines(lineCount);
        const PrintListing listing = BuildLogPrintout(QStringLiteral("AL"), QStringLiteral("03/26/07"), lines);

        QCOMPARE(listing.pages.size(), linesPerPage.size());
        int next = 0;
        for (qsizetype p = 0; p < listing.pages.size(); ++p) {
            const QStringList &page = listing.pages.at(p);
            QCOMPARE(page.size(), 5 + linesPerPage.at(p));
            QVERIFY(headerPageLine(page).endsWith(QStringLiteral("Page %1 ").arg(p + 1)));
            for (int k = 0; k < linesPerPage.at(p); ++k)
                QCOMPARE(page.at(5 + k), QStringLiteral("    ") + lines.at(next++));
        }
        QCOMPARE(next, lineCount);
    }

    void headerPlacesTitleDateAndPage_data()
    {
        QTest::addColumn<QString>("logKind");
        QTest::addColumn<QString>("title");
        QTest::newRow("activity log") << QStringLiteral("AL") << QStringLiteral("Kestrelpoint Activity Log");
        QTest::newRow("Eb/No log") << QStringLiteral("EB") << QStringLiteral("Kestrelpoint EbNo Log");
    }

    void headerPlacesTitleDateAndPage()
    {
        QFETCH(QString, logKind);
        QFETCH(QString, title);
        const PrintListing listing = BuildLogPrintout(logKind, QStringLiteral("03/26/07"), {QStringLiteral("x")});
        const QStringList &page = listing.pages.at(0);
        QCOMPARE(page.at(0), QStringLiteral(" "));
        const QString line = page.at(1);
        QCOMPARE(line.indexOf(title), 28);
        QCOMPARE(line.indexOf(QLatin1String("03/26/07")), 59);
        QCOMPARE(line.mid(69), QStringLiteral("Page 1 "));
        QCOMPARE(page.mid(2, 3), QStringList(3, QStringLiteral(" ")));
    }

    void failedJobIsShownAndPrintsNothing()
    {
        TestHome home;
        const QString absent = home.file(QStringLiteral("no-such-folder"));
        QVERIFY(!PrintLog(QStringLiteral("AL"), QStringLiteral("03/26/07"), {QStringLiteral("x")}, {absent, QString()}));
        QCOMPARE(home.errors.size(), 1);
        QVERIFY(home.errors.at(0).startsWith(QStringLiteral("2  ")));
        QVERIFY(!QDir(absent).exists());
    }
};

QTEST_MAIN(tst_LogPrintout)
#include "tst_logprintout.moc"
