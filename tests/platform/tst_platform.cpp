#include "testdata.h"

#include "platform/codec.h"
#include "platform/filewrite.h"
#include "platform/paths.h"
#include "platform/printer.h"
#include "platform/serialchannel.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <cerrno>

using Pages = QList<QStringList>;

// Files, the character set and printing: what the program's own layer over
// the system adds.
class tst_Platform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windows1252_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        QTest::newRow("7-bit and Latin-1 as they are")
            << QByteArray("A~\xA0\xE9\xFF") << QStringLiteral("A~\u00A0\u00E9\u00FF");
        QTest::newRow("0x80-0x9F: euro, dash, Y diaeresis")
            << QByteArray("\x80\x96\x9F") << QStringLiteral("\u20AC\u2013\u0178");
        QTest::newRow("undefined bytes kept as C1 controls")
            << QByteArray("\x81\x8D\x9D") << QStringLiteral("\u0081\u008D\u009D");
    }
    void windows1252()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(Codec::fromWindows1252(bytes), text);
        QCOMPARE(Codec::toWindows1252(text), bytes);
        QCOMPARE(Codec::toWindows1252(QStringLiteral("\u03A9")), QByteArray("?"));
    }

    void makeFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("reason");

        QTest::newRow("missing, with a missing parent") << "new/data" << "";
        QTest::newRow("already there") << "." << "";
        QTest::newRow("under a regular file") << "file/data" << "Not a directory";
    }
    void makeFolder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        TestHome home;
        home.write(QStringLiteral("file"), {});
        const QString path = home.file(folder);
        QString error;
        QCOMPARE(Paths::makeFolder(path, &error), reason.isEmpty());
        if (reason.isEmpty())
            QVERIFY(QFileInfo(path).isDir());
        else
            QCOMPARE(error, QStringLiteral("The folder %1 cannot be created: %2.").arg(path, reason));
    }

    // A port that cannot be opened names its device; the dialout hint is for
    // a refusal by the system only, not for a device that is not there.
    void serialPortThatIsNotThere()
    {
        TestHome home;
        const QString device = home.file(QStringLiteral("no-such-tty"));
        qputenv("KESTRELPOINT_COM2", QFile::encodeName(device));
        const std::unique_ptr<SerialChannel> channel = makeSerialChannel();
        QVERIFY(!channel->open(2, QStringLiteral("9600,N,8,1")));
        qunsetenv("KESTRELPOINT_COM2");
        QVERIFY2(channel->errorText().contains(device) && !channel->errorText().contains(QLatin1String("dialout")),
                 qPrintable(channel->errorText()));
    }

    void appendKeepsWhatWasThere()
    {
        TestHome home;
        const QString path = home.file(QStringLiteral("AL.log"));
        QVERIFY(FileWrite::append(path, "one\r\n", nullptr));
        QVERIFY(FileWrite::append(path, "two\r\n", nullptr));
        QCOMPARE(home.read(QStringLiteral("AL.log")), QByteArray("one\r\ntwo\r\n"));
    }

    void leftoversOfOurOwnReplacesGo_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("removed");

        QTest::newRow("a copy of the schedule file") << "SwitchList.dat.a1B2c3" << true;
        QTest::newRow("a copy of the settings file") << "Kestrelpoint.ini.ZZ9zz9" << true;
        QTest::newRow("the file itself") << "SwitchList.dat" << false;
        QTest::newRow("the operator's own backup") << "SwitchList.dat.backup" << false;
        QTest::newRow("five letters") << "SwitchList.dat.a1B2c" << false;
        QTest::newRow("another file's copy") << "Notes.txt.a1B2c3" << false;
    }
    void leftoversOfOurOwnReplacesGo()
    {
        QFETCH(QString, name);
        QFETCH(bool, removed);
        TestHome home;
        home.write(name, {});
        FileWrite::removeLeftovers(home.path(), {QStringLiteral("SwitchList.dat"), QStringLiteral("Kestrelpoint.ini")});
        QCOMPARE(QFile::exists(home.file(name)), !removed);
    }

    // "abc" printed, then a tab to the column (0: a new page), then "x".
    void listing_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("column");
        QTest::addColumn<Pages>("pages");

        QTest::newRow("empty line pads to the column") << "" << 5 << Pages{{"    x"}};
        QTest::newRow("already at the column adds nothing") << "abcd" << 5 << Pages{{"abcdx"}};
        QTest::newRow("one short of the column pads one") << "abc" << 5 << Pages{{"abc x"}};
        QTest::newRow("past the column goes on the next line") << "abcde" << 5 << Pages{{"abcde", "    x"}};
        QTest::newRow("column 1 past the start breaks the line") << "a" << 1 << Pages{{"a", "x"}};
        QTest::newRow("a new page ends the open line") << "one" << 0 << Pages{{"one"}, {"x"}};
    }
    void listing()
    {
        QFETCH(QString, before);
        QFETCH(int, column);
        QFETCH(Pages, pages);
        ListingWriter w;
        w.print(before);
        if (column > 0)
            w.tab(column);
        else
            w.newPage();
        w.print(QStringLiteral("x"));
        QCOMPARE(w.finish(QStringLiteral("job")).pages, pages);
    }

    void printedNumber_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");

        QTest::newRow("one digit") << 2 << " 2 ";
        QTest::newRow("two digits") << 12 << " 12 ";
        QTest::newRow("zero") << 0 << " 0 ";
        QTest::newRow("negative takes the sign position") << -3 << "-3 ";
    }
    void printedNumber()
    {
        QFETCH(int, value);
        QFETCH(QString, text);
        QCOMPARE(::printedNumber(value), text);
    }

    // Character n of a line stands in column n on paper; a page with more
    // lines than the paper holds stays one sheet; each job is a new file.
    void pdfKeepsTheColumnsAndEveryPageOneSheet()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        TestHome home;
        QStringList crowded{QStringLiteral("   Second page"), QStringLiteral("          x")};
        for (int i = 3; i <= 80; ++i)
            crowded.append(QStringLiteral("line %1").arg(i));
        const PrintListing listing{QStringLiteral("Columns"), {{QStringLiteral("Alpha     Beta      Gamma")}, crowded}};
        const PrintResult result = printListing(listing, {home.path(), QString()});
        QVERIFY2(result.ok, qPrintable(result.description));
        QVERIFY(printListing(listing, {home.path(), QString()}).pdfFile != result.pdfFile);
        QProcess tool;
        // 7.2 points is the advance of Courier New at 12 points: one column.
        tool.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), QStringLiteral("-fixed"), QStringLiteral("7.2"), result.pdfFile, "-"});
        QVERIFY(tool.waitForFinished(30000));
        const QString text = QString::fromUtf8(tool.readAllStandardOutput());
        const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 2);
        const QStringList first = pages.at(0).split(QLatin1Char('\n')), second = pages.at(1).split(QLatin1Char('\n'));
        const qsizetype at = first.at(0).indexOf(QLatin1String("Alpha"));
        QCOMPARE(first.at(0).indexOf(QLatin1String("Beta")) - at, 10);
        QCOMPARE(first.at(0).indexOf(QLatin1String("Gamma")) - at, 20);
        QCOMPARE(second.at(0).indexOf(QLatin1String("Second")) - at, 3);
        QCOMPARE(second.at(1).indexOf(QLatin1Char('x')) - at, 10);
        QVERIFY(pages.at(1).contains(QLatin1String("line 80")));
    }

    // The failure's number and reason, for the error window.
    void printFailure()
    {
        TestHome home;
        const PrintListing listing{QStringLiteral("job"), {{QStringLiteral("text")}}};
        const PrintResult missingFolder = printListing(listing, {home.file(QStringLiteral("absent")), QString()});
        QVERIFY(!missingFolder.ok);
        QCOMPARE(missingFolder.number, ENOENT);
        const PrintResult noPrinter = printListing(listing, {});
        QCOMPARE(noPrinter.number, kPrinterErrorNumber);
        QCOMPARE(noPrinter.description, QStringLiteral("No default printer is installed"));
    }
};

QTEST_MAIN(tst_Platform)
#include "tst_platform.moc"
