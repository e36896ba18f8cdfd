#include "receiver/sourcecodes.h"

#include "testdata.h"

class tst_SourceCodes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void saveThenReadGivesTheCodesBack_data();
    void saveThenReadGivesTheCodesBack();
    void missingFileIsNoList();
    void saveReplacesTheWholeFile();
    void saveIntoAMissingFolderFails();
    void sortedIgnoresCase();
    void insertGoesAfterEqualEntries();
    void upperCase_data();
    void upperCase();
};

void tst_SourceCodes::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("two codes and the empty last line") << QByteArray("ENG\r\nSPA\r\n\r\n")
                                                      << QStringList{"ENG", "SPA"};
    QTest::newRow("no empty last line loses the last code") << QByteArray("ENG\r\nSPA\r\n") << QStringList{"ENG"};
    QTest::newRow("last line without line end is dropped") << QByteArray("ENG\r\nSPA") << QStringList{"ENG"};
    QTest::newRow("file without codes") << QByteArray("\r\n") << QStringList{};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("empty code kept") << QByteArray("\r\nENG\r\n\r\n") << QStringList{"", "ENG"};
    QTest::newRow("digits stay text") << QByteArray("007\r\n\r\n") << QStringList{"007"};
    QTest::newRow("comma ends a code early") << QByteArray("EN,G\r\nSPA\r\n\r\n") << QStringList{"EN", "G", "SPA"};
    QTest::newRow("line feeds alone") << QByteArray("ENG\nSPA\n\n") << QStringList{"ENG", "SPA"};
    QTest::newRow("8-bit character") << QByteArray("\xC9T\r\n\r\n") << QStringList{QStringLiteral("\u00C9T")};
}

void tst_SourceCodes::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, codes);
    QCOMPARE(SourceCodes::parse(bytes), codes);
}

void tst_SourceCodes::saveThenReadGivesTheCodesBack_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("ENG and SPA") << QStringList{"ENG", "SPA"} << QByteArray("ENG\r\nSPA\r\n\r\n");
    QTest::newRow("no codes is one empty line") << QStringList{} << QByteArray("\r\n");
    QTest::newRow("an empty code") << QStringList{"", "ENG"} << QByteArray("\r\nENG\r\n\r\n");
    QTest::newRow("a code twice") << QStringList{"ENG", "ENG"} << QByteArray("ENG\r\nENG\r\n\r\n");
    QTest::newRow("007") << QStringList{"007"} << QByteArray("007\r\n\r\n");
    QTest::newRow("Windows-1252") << QStringList{QStringLiteral("\u00C9T\u20AC")} << QByteArray("\xC9T\x80\r\n\r\n");
}

void tst_SourceCodes::saveThenReadGivesTheCodesBack()
{
    QFETCH(QStringList, codes);
    QFETCH(QByteArray, file);
    TestHome home;
    QString error;
    QVERIFY2(SaveSourceCodes(codes, &error), qPrintable(error));
    QCOMPARE(home.read(QStringLiteral("Source.dat")), file);
    const std::optional<QStringList> read = ReadSourceCodes();
    QVERIFY(read.has_value());
    QCOMPARE(*read, codes);
}

void tst_SourceCodes::missingFileIsNoList()
{
    TestHome home;
    QVERIFY(!ReadSourceCodes().has_value());
}

void tst_SourceCodes::saveReplacesTheWholeFile()
{
    TestHome home;
    home.write(QStringLiteral("Source.dat"), QByteArray("AAA\r\nBBB\r\nCCC\r\nDDD\r\n\r\n"));
    QVERIFY(SaveSourceCodes({QStringLiteral("ENG")}, nullptr));
    QCOMPARE(home.read(QStringLiteral("Source.dat")), QByteArray("ENG\r\n\r\n"));
}

void tst_SourceCodes::saveIntoAMissingFolderFails()
{
    TestHome home;
    qputenv("KESTRELPOINT_HOME", (home.path() + QStringLiteral("/gone")).toLocal8Bit());
    QString error;
    QVERIFY(!SaveSourceCodes({QStringLiteral("ENG")}, &error));
    // The system's number, two spaces and its reason.
    QVERIFY2(error.startsWith(QStringLiteral("2  ")), qPrintable(error));
}

void tst_SourceCodes::sortedIgnoresCase()
{
    QCOMPARE(SourceCodes::sorted({"spa", "ENG", "Fra", "abc", ""}), (QStringList{"", "abc", "ENG", "Fra", "spa"}));
}

void tst_SourceCodes::insertGoesAfterEqualEntries()
{
    const QStringList list{"ENG", "eng", "SPA"};
    QCOMPARE(SourceCodes::insertPosition(list, QStringLiteral("ENG")), 2);
    QCOMPARE(SourceCodes::insertPosition(list, QStringLiteral("DEU")), 0);
    QCOMPARE(SourceCodes::insertPosition(list, QStringLiteral("ZZZ")), 3);
    QCOMPARE(SourceCodes::insertPosition({}, QStringLiteral("ENG")), 0);
}

void tst_SourceCodes::upperCase_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("eng") << "eng" << "ENG";
    QTest::newRow("digits and signs unchanged") << "0a-" << "0A-";
    QTest::newRow("accented letter of the set") << QStringLiteral("\u00E9t") << QStringLiteral("\u00C9T");
    QTest::newRow("sharp s keeps one character") << QStringLiteral("\u00DFa") << QStringLiteral("\u00DFA");
    QTest::newRow("micro sign has no capital in the set") << QStringLiteral("\u00B5") << QStringLiteral("\u00B5");
}

void tst_SourceCodes::upperCase()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    QCOMPARE(SourceCodes::upperCase(typed), stored);
}

QTEST_GUILESS_MAIN(tst_SourceCodes)
#include "tst_sourcecodes.moc"
