#include "testdata.h"

#include "receiver/sourcecodes.h"

#include <QtTest>

class tst_SourceCodes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // n codes are written as n lines and an empty one, replacing whatever
    // the file held; every reader drops the last code it reads, in a file
    // written here the empty line.
    void sourceDat_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<bool>("written");
        QTest::newRow("two codes and the empty last line")
            << QByteArray("ENG\r\nSPA\r\n\r\n") << QStringList{"ENG", "SPA"} << true;
        QTest::newRow("no codes is one empty line") << QByteArray("\r\n") << QStringList{} << true;
        QTest::newRow("an empty code") << QByteArray("\r\nENG\r\n\r\n") << QStringList{"", "ENG"} << true;
        QTest::newRow("a code twice") << QByteArray("ENG\r\nENG\r\n\r\n") << QStringList{"ENG", "ENG"} << true;
        QTest::newRow("digits stay text") << QByteArray("007\r\n\r\n") << QStringList{"007"} << true;
        QTest::newRow("Windows-1252")
            << QByteArray("\xC9T\x80\r\n\r\n") << QStringList{QStringLiteral("\u00C9T\u20AC")} << true;
        QTest::newRow("no empty last line loses the last code")
            << QByteArray("ENG\r\nSPA\r\n") << QStringList{"ENG"} << false;
        QTest::newRow("last line without line end is dropped")
            << QByteArray("ENG\r\nSPA") << QStringList{"ENG"} << false;
        QTest::newRow("empty file") << QByteArray() << QStringList{} << false;
        QTest::newRow("comma ends a code early")
            << QByteArray("EN,G\r\nSPA\r\n\r\n") << QStringList{"EN", "G", "SPA"} << false;
        QTest::newRow("line feeds alone") << QByteArray("ENG\nSPA\n\n") << QStringList{"ENG", "SPA"} << false;
    }
    void sourceDat()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, codes);
        QFETCH(bool, written);
        TestHome home;
        home.write(QStringLiteral("Source.dat"), bytes);
        QCOMPARE(ReadSourceCodes().value_or(QStringList{"(none)"}), codes);
        if (!written)
            return;
        home.write(QStringLiteral("Source.dat"), "AAA\r\nBBB\r\nCCC\r\nDDD\r\n\r\n");
        QString error;
        QVERIFY2(SaveSourceCodes(codes, &error), qPrintable(error));
        QCOMPARE(home.read(QStringLiteral("Source.dat")), bytes);
    }

    void missingFileOrFolder()
    {
        TestHome home;
        QVERIFY(!ReadSourceCodes().has_value());
        qputenv("KESTRELPOINT_HOME", (home.path() + QStringLiteral("/gone")).toLocal8Bit());
        QString error;
        QVERIFY(!SaveSourceCodes({QStringLiteral("ENG")}, &error));
        // The system's number, two spaces and its reason.
        QVERIFY2(error.startsWith(QStringLiteral("2  No such file or directory")), qPrintable(error));
    }

    // Alphabetical without regard to case; a new code goes after its equals.
    void listOrder()
    {
        QCOMPARE(SourceCodes::sorted({"spa", "ENG", "Fra", "abc", "", "eng"}),
                 (QStringList{"", "abc", "ENG", "eng", "Fra", "spa"}));
        const QStringList list{"ENG", "eng", "SPA"};
        QCOMPARE(SourceCodes::insertPosition(list, QStringLiteral("ENG")), 2);
        QCOMPARE(SourceCodes::insertPosition(list, QStringLiteral("DEU")), 0);
        QCOMPARE(SourceCodes::insertPosition(list, QStringLiteral("ZZZ")), 3);
    }

    void upperCase_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");

        QTest::newRow("eng") << "eng" << "ENG";
        QTest::newRow("digits and signs unchanged") << "0a-" << "0A-";
        QTest::newRow("accented letter of the set") << QStringLiteral("\u00E9t") << QStringLiteral("\u00C9T");
        QTest::newRow("sharp s keeps one character") << QStringLiteral("\u00DFa") << QStringLiteral("\u00DFA");
        QTest::newRow("micro sign has no capital in the set") << QStringLiteral("\u00B5") << QStringLiteral("\u00B5");
    }
    void upperCase()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QCOMPARE(SourceCodes::upperCase(typed), stored);
    }
};

QTEST_GUILESS_MAIN(tst_SourceCodes)
#include "tst_sourcecodes.moc"
