#include "platform/printer.h"

#include "testdata.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>

class tst_Printer : public QObject
{
    Q_OBJECT

private:
    static QString pdfText(const QString &pdf)
    {
        QProcess tool;
        // 7.2 points is the advance of Courier New at 12 points: one column.
        tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-fixed"),
                                                 QStringLiteral("7.2"), pdf, QStringLiteral("-")});
        if (!tool.waitForFinished(30000)) {
            tool.kill();
            tool.waitForFinished();
            return {};
        }
        return QString::fromUtf8(tool.readAllStandardOutput());
    }

private Q_SLOTS:
    void tabMovesToColumn_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("empty line pads to the column") << QString() << 5 << QStringList{QStringLiteral("    x")};
        QTest::newRow("already at the column adds nothing")
            << QStringLiteral("abcd") << 5 << QStringList{QStringLiteral("abcdx")};
        QTest::newRow("one short of the column pads one")
            << QStringLiteral("abc") << 5 << QStringList{QStringLiteral("abc x")};
        QTest::newRow("past the column continues on the next line")
            << QStringLiteral("abcde") << 5 << QStringList{QStringLiteral("abcde"), QStringLiteral("    x")};
        QTest::newRow("column 1 past the start breaks the line")
            << QStringLiteral("a") << 1 << QStringList{QStringLiteral("a"), QStringLiteral("x")};
    }

    void tabMovesToColumn()
    {
        QFETCH(QString, before);
        QFETCH(int, column);
        QFETCH(QStringList, lines);
        ListingWriter w;
        w.print(before);
        w.tab(column);
        w.print(QStringLiteral("x"));
        const PrintListing listing = w.finish(QStringLiteral("job"));
        QCOMPARE(listing.pages.size(), 1);
        QCOMPARE(listing.pages.at(0), lines);
    }

    void numbersKeepTheSignPositionAndATrailingSpace_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("one digit") << 2 << QStringLiteral(" 2 ");
        QTest::newRow("two digits") << 12 << QStringLiteral(" 12 ");
        QTest::newRow("zero") << 0 << QStringLiteral(" 0 ");
        QTest::newRow("negative takes the sign position") << -3 << QStringLiteral("-3 ");
    }

    void numbersKeepTheSignPositionAndATrailingSpace()
    {
        QFETCH(int, value);
        QFETCH(QString, text);
        QCOMPARE(printedNumber(value), text);
    }

    void newPageEndsAnOpenLine()
    {
        ListingWriter w;
        w.print(QStringLiteral("one"));
        w.newPage();
        w.print(QStringLiteral("two"));
        const PrintListing listing = w.finish(QStringLiteral("job"));
        QCOMPARE(listing.pages.size(), 2);
        QCOMPARE(listing.pages.at(0), QStringList{QStringLiteral("one")});
        QCOMPARE(listing.pages.at(1), QStringList{QStringLiteral("two")});
    }

    void pdfKeepsTheColumnsOfEveryPage()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        TestHome home;
        PrintListing listing;
        listing.jobName = QStringLiteral("Column check");
        listing.pages = {{QStringLiteral("    Alpha     Beta      Gamma"), QStringLiteral("         12345678")},
                         {QStringLiteral("Second page"), QString(), QStringLiteral("       x")}};
        const PrintResult result = printListing(listing, {home.path(), QString()});
        QVERIFY2(result.ok, qPrintable(result.description));
        QVERIFY(QFileInfo(result.pdfFile).size() > 0);

        const QString text = pdfText(result.pdfFile);
        const QStringList pages = text.split(QLatin1Char('\f'));
        QVERIFY(pages.size() >= 2);
        const QStringList first = pages.at(0).split(QLatin1Char('\n'));
        const qsizetype at = first.at(0).indexOf(QLatin1String("Alpha"));
        QVERIFY(at >= 0);
        QCOMPARE(first.at(0).indexOf(QLatin1String("Beta")) - at, 10);
        QCOMPARE(first.at(0).indexOf(QLatin1String("Gamma")) - at, 20);
        QCOMPARE(first.at(1).indexOf(QLatin1String("12345678")) - at, 5);
        const QStringList second = pages.at(1).split(QLatin1Char('\n'));
        const qsizetype margin = second.at(0).indexOf(QLatin1String("Second page"));
        QCOMPARE(at - margin, 4);
        QCOMPARE(second.at(2).indexOf(QLatin1Char('x')) - margin, 7);
    }

    void crowdedPageStaysOneSheet()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        TestHome home;
        QStringList lines;
        for (int i = 1; i <= 80; ++i)
            lines.append(QStringLiteral("line %1").arg(i));
        const PrintResult result = printListing({QStringLiteral("Crowded"), {lines}}, {home.path(), QString()});
        QVERIFY(result.ok);
        const QStringList pages = pdfText(result.pdfFile).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages.at(0).contains(QLatin1String("line 1\n")));
        QVERIFY(pages.at(0).contains(QLatin1String("line 80")));
    }

    void eachJobIsANewPdfFile()
    {
        TestHome home;
        const PrintListing listing{QStringLiteral("Same name"), {{QStringLiteral("text")}}};
        const PrintResult first = printListing(listing, {home.path(), QString()});
        const PrintResult second = printListing(listing, {home.path(), QString()});
        QVERIFY(first.ok && second.ok);
        QVERIFY(first.pdfFile != second.pdfFile);
        QCOMPARE(QDir(home.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 2);
    }

    void missingPdfFolderIsTheSystemsReason()
    {
        TestHome home;
        const PrintListing listing{QStringLiteral("job"), {{QStringLiteral("text")}}};
        const PrintResult result = printListing(listing, {home.file(QStringLiteral("absent")), QString()});
        QVERIFY(!result.ok);
        QCOMPARE(result.number, ENOENT);
        QVERIFY(!result.description.isEmpty());
    }

    void noPrinterAndNoFolderFails()
    {
        const PrintListing listing{QStringLiteral("job"), {{QStringLiteral("text")}}};
        const PrintResult result = printListing(listing, PrintTarget{});
        QVERIFY(!result.ok);
        QCOMPARE(result.number, kPrinterErrorNumber);
        QVERIFY(result.pdfFile.isEmpty());
    }
};

QTEST_MAIN(tst_Printer)
#include "tst_printer.moc"
