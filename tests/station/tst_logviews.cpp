#include "station/logviews.h"

#include "testdata.h"

#include <QDir>

#include <unistd.h>

class tst_LogViews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dayEntriesNewestFirst_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("entries");

        QTest::newRow("no files give No Logs") << QStringList{} << QStringLiteral("AL") << QStringList{kNoLogs};
        QTest::newRow("the later of two days comes first")
            << QStringList{QStringLiteral("AL070325.log"), QStringLiteral("AL070326.log")} << QStringLiteral("AL")
            << QStringList{QStringLiteral("03/26/07"), QStringLiteral("03/25/07")};
        QTest::newRow("only the kind asked for")
            << QStringList{QStringLiteral("EB070326.log"), QStringLiteral("AL070101.log"), QStringLiteral("MP070327.log")}
            << QStringLiteral("EB") << QStringList{QStringLiteral("03/26/07")};
        QTest::newRow("a new year sorts after December")
            << QStringList{QStringLiteral("MP061231.log"), QStringLiteral("MP070101.log")} << QStringLiteral("MP")
            << QStringList{QStringLiteral("01/01/07"), QStringLiteral("12/31/06")};
        QTest::newRow("names that are no daily log are not offered")
            << QStringList{QStringLiteral("ALbackup.log"), QStringLiteral("AL070326.log.bak"),
                           QStringLiteral("al070326.log"), QStringLiteral("AL0703.log")}
            << QStringLiteral("AL") << QStringList{kNoLogs};
    }

    void dayEntriesNewestFirst()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, kind);
        QFETCH(QStringList, entries);
        QCOMPARE(LogDayEntries(files, kind), entries);
    }

    void dayTextRebuildsTheFileName()
    {
        TestHome home;
        QCOMPARE(LogFileName(QStringLiteral("EB"), logDateTextFromFileName(QStringLiteral("EB261205.log"))),
                 home.file(QStringLiteral("logs/EB261205.log")));
    }

    void eventKeyMovesTheTimeToTheEnd_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("key");
        QTest::newRow("activity line") << QStringLiteral("14:00:12  Remote Start 1 On")
                                       << QStringLiteral(" Remote Start 1 On 14:00:12");
        QTest::newRow("Eb/No of one receiver") << QStringLiteral("14:00:12  8.5") << QStringLiteral(" 8.5 14:00:12");
        QTest::newRow("Eb/No of two receivers") << QStringLiteral("14:00:12 R2 8.5")
                                                << QStringLiteral("R2 8.5 14:00:12");
        QTest::newRow("empty line") << QString() << QStringLiteral(" ");
        QTest::newRow("line shorter than the time keeps its text") << QStringLiteral("12:00") << QStringLiteral(" 12:00");
    }

    void eventKeyMovesTheTimeToTheEnd()
    {
        QFETCH(QString, line);
        QFETCH(QString, key);
        QCOMPARE(EventSortKey(line), key);
    }

    void byEventSortsAsText_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("activity text, then time for equal texts")
            << QStringList{QStringLiteral("09:00:00  Remote Start 1 On"), QStringLiteral("08:00:00  Alarm"),
                           QStringLiteral("07:00:00  Remote Start 1 On")}
            << QStringList{QStringLiteral(" Alarm 08:00:00"), QStringLiteral(" Remote Start 1 On 07:00:00"),
                           QStringLiteral(" Remote Start 1 On 09:00:00")};
        QTest::newRow("case does not count")
            << QStringList{QStringLiteral("09:00:00  beta"), QStringLiteral("10:00:00  Alpha"),
                           QStringLiteral("11:00:00  GAMMA")}
            << QStringList{QStringLiteral(" Alpha 10:00:00"), QStringLiteral(" beta 09:00:00"),
                           QStringLiteral(" GAMMA 11:00:00")};
        QTest::newRow("Eb/No values as text: 12.5 before 9.8, None last")
            << QStringList{QStringLiteral("10:00:00  9.8"), QStringLiteral("11:00:00  None"),
                           QStringLiteral("12:00:00  12.5")}
            << QStringList{QStringLiteral(" 12.5 12:00:00"), QStringLiteral(" 9.8 10:00:00"),
                           QStringLiteral(" None 11:00:00")};
        QTest::newRow("two receivers by tag, then value")
            << QStringList{QStringLiteral("10:00:00 R2 7.0"), QStringLiteral("10:00:00 R1 9.0"),
                           QStringLiteral("11:00:00 R1 10.5")}
            << QStringList{QStringLiteral("R1 10.5 11:00:00"), QStringLiteral("R1 9.0 10:00:00"),
                           QStringLiteral("R2 7.0 10:00:00")};
    }

    void byEventSortsAsText()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, sorted);
        QCOMPARE(SortByEvent(lines), sorted);
    }

    void fileLinesAsWritten_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF lines") << QByteArray("a\r\nb\r\n") << QStringList{QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("an empty line is an entry")
            << QByteArray("a\r\n\r\nb\r\n") << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")};
        QTest::newRow("last line without its end") << QByteArray("a\r\nb") << QStringList{QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("a lone line feed stays in its line")
            << QByteArray("14:00:12  \n    8.5\r\n") << QStringList{QStringLiteral("14:00:12  \n    8.5")};
        QTest::newRow("Windows-1252 text") << QByteArray("Caf\xe9 \x80\r\n") << QStringList{QString::fromUtf8("Café €")};
    }

    void fileLinesAsWritten()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, lines);
        QCOMPARE(SplitLogLines(contents), lines);
    }

    void dayFileMissingOrEmptyIsNoError_data()
    {
        QTest::addColumn<bool>("create");
        QTest::newRow("missing file") << false;
        QTest::newRow("empty file") << true;
    }

    void dayFileMissingOrEmptyIsNoError()
    {
        QFETCH(bool, create);
        TestHome home;
        if (create)
            home.write(QStringLiteral("logs/AL070326.log"), QByteArray());
        const LogDayLines day = LoadLogDay(QStringLiteral("AL"), QStringLiteral("03/26/07"), LogOrder::ByEvent);
        QVERIFY(day.error.isEmpty());
        QCOMPARE(day.lines, QStringList{QStringLiteral("Log for 03/26/07 does not exist.")});
    }

    void folderListingSkipsFoldersAndHiddenFiles()
    {
        TestHome home;
        home.write(QStringLiteral("logs/AL070326.log"), "x\r\n");
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("logs/AL070327.log")));
        const LogDayListing listing = ListLogDays(QStringLiteral("AL"));
        QVERIFY(listing.error.isEmpty());
        QCOMPARE(listing.entries, QStringList{QStringLiteral("03/26/07")});
    }

    void missingFolderIsReportedWithItsReason()
    {
        TestHome home;
        QVERIFY(QDir(home.file(QStringLiteral("logs"))).removeRecursively());
        const LogDayListing listing = ListLogDays(QStringLiteral("EB"));
        QVERIFY(listing.entries.isEmpty());
        QVERIFY2(listing.error.startsWith(QStringLiteral("2  ")), qPrintable(listing.error));
    }

    void unreadableFileIsReported()
    {
        if (::geteuid() == 0)
            QSKIP("file permissions do not bind the superuser");
        TestHome home;
        home.write(QStringLiteral("logs/AL070326.log"), "x\r\n");
        QFile::setPermissions(home.file(QStringLiteral("logs/AL070326.log")), QFileDevice::WriteOwner);
        const LogDayLines day = LoadLogDay(QStringLiteral("AL"), QStringLiteral("03/26/07"), LogOrder::ByTime);
        QVERIFY(day.lines.isEmpty());
        QVERIFY(day.error.startsWith(QStringLiteral("13  ")));
    }
};

QTEST_GUILESS_MAIN(tst_LogViews)
#include "tst_logviews.moc"
