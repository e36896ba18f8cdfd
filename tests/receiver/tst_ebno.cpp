#include "linkfixture.h"

#include "receiver/ebno.h"
#include "receiver/receiverlink.h"

#include <QDir>

#include <limits>

namespace {

// A carrier-data answer as the receiver gives it: eleven lines, then the line
// that ends in the Eb/No value, then more lines and the prompt.
QByteArray carrierAnswer(const QByteArray &twelfthLine)
{
    QByteArray answer;
    for (int i = 1; i <= 11; ++i)
        answer += "Carrier line " + QByteArray::number(i) + "\r\n";
    return answer + twelfthLine + "\r\nSignal lock: Yes\r\n>";
}

// The receiver's Eb/No line: a label and the value far enough right that
// the last 19 characters hold only spaces and the value.
QByteArray ebNoLine(const QByteArray &value)
{
    return "Eb/No (dB):" + QByteArray(16, ' ') + value.rightJustified(8);
}

} // namespace

class tst_EbNo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void value_data();
    void value();
    void number_data();
    void number();
    void logLine_data();
    void logLine();
    void readingWritesTheLog();
    void silentReceiverLogsNone();
    void betterReceiverBits_data();
    void betterReceiverBits();
    void missingLogsFolderStopsBeforeAsking();
    void portThatCannotBeOpened();
    void lineThatCannotBeWrittenSkipsTheComparison();
    void dayChangeStartsNewFile();
};

void tst_EbNo::value_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("value");

    QTest::newRow("value at the end of the twelfth line") << carrierAnswer(ebNoLine("8.5")) << "8.5";
    QTest::newRow("fewer than 11 line feeds") << QByteArray("R C\r\nEb/No 8.5\r\n>") << "None";
    QTest::newRow("no answer") << QByteArray() << "None";
    QTest::newRow("exactly 11 line feeds, nothing after") << QByteArray(11, '\n') << "None";
    QTest::newRow("long twelfth line keeps its last 19")
        << carrierAnswer("Eb/No measured now: 12.25 dB") << "sured now: 12.25 dB";
    QTest::newRow("long twelfth line trimmed")
        << carrierAnswer("Eb/No (dB):" + QByteArray(20, ' ') + "12.25") << "12.25";
    QTest::newRow("long line cut inside a word")
        << carrierAnswer("ABCDEFGHIJKLMNOPQRSTUVWXYZ") << "HIJKLMNOPQRSTUVWXYZ";
    QTest::newRow("short line loses the line feed before it") << carrierAnswer("  7.0  ") << "7.0";
    QTest::newRow("short line with text keeps the text") << carrierAnswer("EbNo 9.5") << "EbNo 9.5";
    QTest::newRow("doubled carriage return leaves no line break") << QByteArray(11, '\n') + "x 9.1\r\r\n>"
                                                                  << "x 9.1";
    QTest::newRow("line without carriage return") << QByteArray(11, '\n') + "6.5\n>"
                                                  << "6.5";
    QTest::newRow("blank twelfth line") << carrierAnswer("     ") << "None";
    QTest::newRow("tabs are not spaces") << carrierAnswer("\t8.0") << "\t8.0";
}

void tst_EbNo::value()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, value);
    const QString got = EbNoValue(answer);
    QCOMPARE(got, value);
    QVERIFY(!got.contains(QLatin1Char('\n')) && !got.contains(QLatin1Char('\r')));
}

void tst_EbNo::number_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("number");

    QTest::newRow("None is 0") << "None" << 0;
    QTest::newRow("half rounds up to even 10") << "9.5" << 10;
    QTest::newRow("half rounds down to even 10") << "10.5" << 10;
    QTest::newRow("above half") << "8.51" << 9;
    QTest::newRow("unit after the number") << "12.25 dB" << 12;
    QTest::newRow("spaces inside ignored") << "1 2.7" << 13;
    QTest::newRow("tabs and line feeds ignored") << "\t\n7.6" << 8;
    QTest::newRow("negative") << "-2.5" << -2;
    QTest::newRow("plus sign") << "+3" << 3;
    QTest::newRow("second point ends the number") << "4.4.9" << 4;
    QTest::newRow("exponent") << "1.5E1" << 15;
    QTest::newRow("exponent without digits ignored") << "8.5E" << 8;
    QTest::newRow("text before the number") << "EbNo 9.5" << 0;
    QTest::newRow("huge value held at the top") << "1E30" << std::numeric_limits<int>::max();
    QTest::newRow("point alone") << "." << 0;
}

void tst_EbNo::number()
{
    QFETCH(QString, value);
    QFETCH(int, number);
    QCOMPARE(EbNoNumber(value), number);
}

void tst_EbNo::logLine_data()
{
    QTest::addColumn<int>("twoReceivers");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("one receiver: time, two spaces, value") << 0 << "R1" << QByteArray("14:00:12  8.5\r\n");
    QTest::newRow("two receivers: tag between") << 1 << "R2" << QByteArray("14:00:12 R2 8.5\r\n");
    QTest::newRow("other setting writes nothing") << 2 << "R1" << QByteArray();
}

void tst_EbNo::logLine()
{
    QFETCH(int, twoReceivers);
    QFETCH(QString, tag);
    QFETCH(QByteArray, line);
    const std::optional<QByteArray> built = ebNoLogLine(QTime(14, 0, 12), twoReceivers, tag, QStringLiteral("8.5"));
    QCOMPARE(built.value_or(QByteArray()), line);
    QCOMPARE(built.has_value(), !line.isEmpty());
}

void tst_EbNo::readingWritesTheLog()
{
    LinkFixture f(moment("14:00:12.000"));
    f.fake.answer = [](int, const QByteArray &) { return carrierAnswer(ebNoLine("8.5")); };
    f.station->PortBits[3] = 1;
    ReceiverLink link(*f.station);
    link.ReadEbNo(1, QStringLiteral("R1"));
    QCOMPARE(f.fake.linesSent(), QList<QByteArray>{"R C\r"});
    QCOMPARE(f.log(QStringLiteral("EB"), f.clock.today()), QByteArray("14:00:12  8.5\r\n"));
    QCOMPARE(f.fake.openNow, 0);
    QVERIFY(f.home.errors.isEmpty());
    // One receiver compares nothing.
    QCOMPARE(link.LastEbNo1, 0);
    QCOMPARE(f.station->PortBits[3], 1);
}

void tst_EbNo::silentReceiverLogsNone()
{
    LinkFixture f(moment("14:00:12.000"));
    ReceiverLink link(*f.station);
    link.ReadEbNo(1, QStringLiteral("R1"));
    link.ReadEbNo(1, QStringLiteral("R1"));
    QCOMPARE(f.log(QStringLiteral("EB"), f.clock.today()), QByteArray("14:00:13  None\r\n14:00:14  None\r\n"));
    QCOMPARE(f.clock.now(), moment("14:00:14.002"));
    QVERIFY(f.home.errors.isEmpty());
}

void tst_EbNo::betterReceiverBits_data()
{
    QTest::addColumn<QByteArray>("value1");
    QTest::addColumn<QByteArray>("value2");
    QTest::addColumn<int>("last1");
    QTest::addColumn<int>("last2");
    QTest::addColumn<quint8>("outputs");

    QTest::newRow("receiver 2 better sets bit 4") << QByteArray("7.2") << QByteArray("9.1") << 7 << 9 << quint8(16);
    QTest::newRow("receiver 1 better sets bit 3") << QByteArray("11") << QByteArray("6") << 11 << 6 << quint8(8);
    QTest::newRow("equal whole numbers go to receiver 1")
        << QByteArray("8.4") << QByteArray("7.6") << 8 << 8 << quint8(8);
    QTest::newRow("halves to even make a tie") << QByteArray("9.5") << QByteArray("10.5") << 10 << 10 << quint8(8);
    QTest::newRow("silent receiver 1 counts 0") << QByteArray() << QByteArray("3") << 0 << 3 << quint8(16);
}

void tst_EbNo::betterReceiverBits()
{
    QFETCH(QByteArray, value1);
    QFETCH(QByteArray, value2);
    QFETCH(int, last1);
    QFETCH(int, last2);
    QFETCH(quint8, outputs);

    LinkFixture f(moment("14:00:12.000"));
    f.station->settings.TwoReceivers = 1;
    f.fake.answer = [&](int port, const QByteArray &) -> QByteArray {
        const QByteArray v = port == 1 ? value1 : value2;
        return v.isEmpty() ? QByteArray() : carrierAnswer(ebNoLine(v));
    };
    ReceiverLink link(*f.station);
    link.ReadEbNo(1, QStringLiteral("R1"));
    f.clock.set(moment("14:00:20.000"));
    link.ReadEbNo(2, QStringLiteral("R2"));

    QCOMPARE(link.LastEbNo1, last1);
    QCOMPARE(link.LastEbNo2, last2);
    QCOMPARE(f.station->portByte(), outputs);
    QCOMPARE(f.outputByte(), outputs);
    const QList<QByteArray> lines = f.log(QStringLiteral("EB"), f.clock.today()).split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(0).startsWith("14:00:1"));
    QVERIFY(lines.at(0).contains(" R1 "));
    QVERIFY(lines.at(1).startsWith("14:00:2"));
    QVERIFY(lines.at(1).contains(" R2 "));
}

void tst_EbNo::missingLogsFolderStopsBeforeAsking()
{
    LinkFixture f(moment("14:00:12.000"));
    QVERIFY(QDir(f.home.file(QStringLiteral("logs"))).removeRecursively());
    f.station->settings.TwoReceivers = 1;
    f.station->PortBits[4] = 1;
    ReceiverLink link(*f.station);
    link.ReadEbNo(1, QStringLiteral("R1"));

    QVERIFY(f.fake.sent.isEmpty());
    QCOMPARE(f.fake.openNow, 0);
    QCOMPARE(f.home.errors, QStringList{QStringLiteral("2 No such file or directory: ") + f.home.file(QStringLiteral("logs/EB261207.log")) + QStringLiteral(".  Make sure the folder ") +
                                        f.home.file(QStringLiteral("logs")) + QStringLiteral(" exists.")});
    // No reading, no comparison.
    QCOMPARE(f.station->PortBits[4], 1);
    QCOMPARE(f.station->PortBits[3], 0);
}

void tst_EbNo::portThatCannotBeOpened()
{
    LinkFixture f(moment("14:00:12.000"));
    f.fake.refusedPorts.insert(1);
    ReceiverLink link(*f.station);
    link.ReadEbNo(1, QStringLiteral("R1"));
    QCOMPARE(f.home.errors, QStringList{QStringLiteral("1 No such file or directory.  Make sure the folder ") +
                                        f.home.file(QStringLiteral("logs")) + QStringLiteral(" exists.")});
    QVERIFY(!f.logExists(QStringLiteral("EB"), f.clock.today()));

    // The next reading opens the port again.
    f.fake.refusedPorts.clear();
    f.fake.answer = [](int, const QByteArray &) { return carrierAnswer("8.0"); };
    link.ReadEbNo(1, QStringLiteral("R1"));
    QCOMPARE(f.log(QStringLiteral("EB"), f.clock.today()), QByteArray("14:00:12  8.0\r\n"));
}

void tst_EbNo::lineThatCannotBeWrittenSkipsTheComparison()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full to stand for a full disk");
    LinkFixture f(moment("14:00:12.000"));
    f.station->settings.TwoReceivers = 1;
    const QString logPath = f.home.file(QStringLiteral("logs/EB261207.log"));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), logPath));
    f.fake.answer = [](int, const QByteArray &) { return carrierAnswer(ebNoLine("9.0")); };
    ReceiverLink link(*f.station);
    link.ReadEbNo(1, QStringLiteral("R1"));

    QCOMPARE(f.home.errors, QStringList{QStringLiteral("28 No space left on device: ") + f.home.file(QStringLiteral("logs/EB261207.log")) + QStringLiteral(".  Make sure the folder ") +
                                        f.home.file(QStringLiteral("logs")) + QStringLiteral(" exists.")});
    QCOMPARE(f.fake.linesSent(), QList<QByteArray>{"R C\r"});
    QCOMPARE(f.fake.openNow, 0);
    QCOMPARE(link.LastEbNo1, 0);
    QCOMPARE(f.station->portByte(), quint8(0));
}

void tst_EbNo::dayChangeStartsNewFile()
{
    LinkFixture f(moment("23:59:12.000"));
    f.fake.answer = [](int, const QByteArray &) { return carrierAnswer("8.0"); };
    ReceiverLink link(*f.station);
    link.ReadEbNo(1, QStringLiteral("R1"));
    f.clock.set(moment("00:00:12.000", 8));
    link.ReadEbNo(1, QStringLiteral("R1"));
    QCOMPARE(f.log(QStringLiteral("EB"), QDate(2026, 12, 7)), QByteArray("23:59:12  8.0\r\n"));
    QCOMPARE(f.log(QStringLiteral("EB"), QDate(2026, 12, 8)), QByteArray("00:00:12  8.0\r\n"));
}

QTEST_GUILESS_MAIN(tst_EbNo)
#include "tst_ebno.moc"
