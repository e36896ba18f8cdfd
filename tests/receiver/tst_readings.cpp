#include "teststation.h"

#include "receiver/ebno.h"
#include "receiver/receiverlink.h"

#include <QDir>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// An "R C" answer whose twelfth line is `line`.
QByteArray withTwelfthLine(const QByteArray &line)
{
    return QByteArray("Carrier line\r\n").repeated(11) + line + "\r\nSignal lock: Yes\r\n>";
}

QDateTime today(int h, int m, int s)
{
    return QDateTime(kTestMonday.date(), QTime(h, m, s));
}

const QByteArray kMpeg = "MPEG  Locked\r\nAudio 2 S ENG\r\n>";

struct EbNoCase
{
    int twoReceivers;
    QByteArray value1; // empty: the receiver is silent
    QByteArray value2;
    QByteArray log;
    quint8 outputs;
};

struct MpegCase
{
    int twoReceivers;
    QString tag;
    QByteArray answer;
    int port;
    QByteArray entry;
};

} // namespace

// The Eb/No and MPEG readings: what is taken from the answer, the logs'
// formats, and the readings through the main window's serial control.
class tst_Readings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ebNoValue_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("value");
        QTest::newRow("value at the end of the twelfth line")
            << withTwelfthLine("Eb/No (dB):" + QByteArray(21, ' ') + "8.5") << "8.5";
        QTest::newRow("fewer than 11 line feeds") << QByteArray("R C\r\nEb/No 8.5\r\n>") << "None";
        QTest::newRow("exactly 11 line feeds, nothing after") << QByteArray(11, '\n') << "None";
        QTest::newRow("long line keeps its last 19")
            << withTwelfthLine("Eb/No measured now: 12.25 dB") << "sured now: 12.25 dB";
        QTest::newRow("long line cut inside a word")
            << withTwelfthLine("ABCDEFGHIJKLMNOPQRSTUVWXYZ") << "HIJKLMNOPQRSTUVWXYZ";
        QTest::newRow("short line loses the line feed before it") << withTwelfthLine("  7.0  ") << "7.0";
        QTest::newRow("short line keeps its text") << withTwelfthLine("EbNo 9.5") << "EbNo 9.5";
        QTest::newRow("doubled carriage return leaves no break") << QByteArray(11, '\n') + "x 9.1\r\r\n>" << "x 9.1";
        QTest::newRow("line without carriage return") << QByteArray(11, '\n') + "6.5\n>" << "6.5";
        QTest::newRow("blank twelfth line") << withTwelfthLine("     ") << "None";
        QTest::newRow("tabs are not spaces") << withTwelfthLine("\t8.0") << "\t8.0";
    }
    void ebNoValue()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, value);
        QCOMPARE(EbNoValue(answer), value);
    }

    // The whole number the output bits compare, and the reading in dB the
    // charts draw (NaN: none, a gap in the chart).
    void ebNoNumber_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("number");
        QTest::addColumn<double>("dB");
        const double gap = std::nan("");
        QTest::newRow("None is 0 and a gap") << "None" << 0 << gap;
        QTest::newRow("a half rounds to even") << "10.5" << 10 << 10.5;
        QTest::newRow("unit after the number") << "12.25 dB" << 12 << 12.25;
        QTest::newRow("spaces, tabs and line feeds ignored anywhere") << "\t1 2\n.7" << 13 << 12.7;
        QTest::newRow("below the noise") << "-2.5" << -2 << -2.5;
        QTest::newRow("plus sign") << "+3" << 3 << 3.0;
        QTest::newRow("second point ends the number") << "4.4.9" << 4 << 4.4;
        QTest::newRow("exponent") << "1.5E1" << 15 << 15.0;
        QTest::newRow("exponent without digits ignored") << "8.5E" << 8 << 8.5;
        QTest::newRow("text before the number") << "EbNo 9.5" << 0 << gap;
        QTest::newRow("garbled number no receiver reports") << "1234" << 1234 << gap;
        QTest::newRow("huge value held at the top") << "1E30" << std::numeric_limits<int>::max() << gap;
    }
    void ebNoNumber()
    {
        QFETCH(QString, value);
        QFETCH(int, number);
        QFETCH(double, dB);
        QCOMPARE(EbNoNumber(value), number);
        QCOMPARE(ebNoReading(value).value_or(std::nan("")), dB);
    }

    // Receiver 1 is read at 14:00:12, receiver 2 at 14:00:20. With two
    // receivers output bit 3 tells that receiver 1 is better, bit 4 receiver
    // 2; a tie goes to receiver 1. A silent receiver's reading ends at the
    // limit.
    void readEbNo_data()
    {
        QTest::addColumn<EbNoCase>("c");
        QTest::newRow("one receiver: two spaces, no bits")
            << EbNoCase{0, "7.2", "9.1", "14:00:12  7.2\r\n14:00:20  9.1\r\n", 0};
        QTest::newRow("receiver 2 better sets bit 4")
            << EbNoCase{1, "7.2", "9.1", "14:00:12 R1 7.2\r\n14:00:20 R2 9.1\r\n", 16};
        QTest::newRow("receiver 1 better sets bit 3")
            << EbNoCase{1, "11", "6", "14:00:12 R1 11\r\n14:00:20 R2 6\r\n", 8};
        QTest::newRow("equal whole numbers go to receiver 1")
            << EbNoCase{1, "8.4", "7.6", "14:00:12 R1 8.4\r\n14:00:20 R2 7.6\r\n", 8};
        QTest::newRow("halves to even make a tie")
            << EbNoCase{1, "9.5", "10.5", "14:00:12 R1 9.5\r\n14:00:20 R2 10.5\r\n", 8};
        QTest::newRow("silent receiver 1 logs None, counts 0")
            << EbNoCase{1, "", "3", "14:00:13 R1 None\r\n14:00:20 R2 3\r\n", 16};
        QTest::newRow("other setting: no line, no bits") << EbNoCase{2, "7.2", "9.1", "", 0};
    }
    void readEbNo()
    {
        QFETCH(EbNoCase, c);
        TestStation ts(today(14, 0, 12));
        ts.station.settings.TwoReceivers = c.twoReceivers;
        ts.receivers.answer = [&](int port, const QByteArray &) {
            const QByteArray value = port == 1 ? c.value1 : c.value2;
            return value.isEmpty() ? QByteArray() : carrierAnswer(value);
        };
        ReceiverLink link(ts.station);
        link.ReadEbNo(1, QStringLiteral("R1"));
        ts.clock.set(today(14, 0, 20));
        link.ReadEbNo(2, QStringLiteral("R2"));
        QCOMPARE(ts.receivers.linesSent(), (QList<QByteArray>{"R C\r", "R C\r"}));
        QCOMPARE(ts.log("EB"), c.log);
        // The charts read back the time, the tag and the value.
        const QString second = QString::fromLatin1(c.log).section(QStringLiteral("\r\n"), 1, 1);
        const std::optional<EbNoLogLine> read = readEbNoLogLine(second);
        if (!c.log.isEmpty())
            QVERIFY(read && read->seconds == 14 * 3600 + 20 && read->receiver == 2 * c.twoReceivers
                    && read->value == QLatin1String(c.value2));
        QCOMPARE(ts.outputByte(), c.outputs);
        QCOMPARE(ts.receivers.openNow, 0);
        QCOMPARE(ts.home.errors, QStringList());
    }

    void ebNoDayChangeStartsANewFile()
    {
        TestStation ts(today(23, 59, 12));
        ReceiverLink link(ts.station);
        link.ReadEbNo(1, QStringLiteral("R1"));
        ts.clock.set(today(0, 0, 12).addDays(1));
        link.ReadEbNo(1, QStringLiteral("R1"));
        QCOMPARE(ts.log("EB", kTestMonday.date()), QByteArray("23:59:12  8.5\r\n"));
        QCOMPARE(ts.log("EB"), QByteArray("00:00:12  8.5\r\n"));
    }

    // The tag chooses the port ("1", "2", anything else: the last one used);
    // the entry is appended to the day's log byte for byte, up to the prompt.
    void readMpeg_data()
    {
        QTest::addColumn<MpegCase>("c");
        QTest::newRow("one receiver: bare time") << MpegCase{0, "1", kMpeg, 1, "14:00:15\r\n" + kMpeg + "\r\n"};
        QTest::newRow("two receivers: Receiver n, two spaces, time; its port")
            << MpegCase{1, "2", kMpeg, 4, "Receiver 2  14:00:15\r\n" + kMpeg + "\r\n"};
        QTest::newRow("other setting: no header") << MpegCase{3, "1", kMpeg, 1, kMpeg + "\r\n"};
        QTest::newRow("silent receiver: time at the limit, empty line") << MpegCase{0, "1", "", 1, "14:00:16\r\n\r\n"};
        QTest::newRow("text after the prompt is not logged")
            << MpegCase{0, "1", "MPEG Locked\r\n>R M\r\n", 1, "14:00:15\r\nMPEG Locked\r\n>\r\n"};
        QTest::newRow("8-bit answer kept byte for byte")
            << MpegCase{0, "1", "\x81\xe9\x9d>", 1, "14:00:15\r\n\x81\xe9\x9d>\r\n"};
        QTest::newRow("other tag keeps the last port") << MpegCase{0, "x", kMpeg, 3, "14:00:15\r\n" + kMpeg + "\r\n"};
    }
    void readMpeg()
    {
        QFETCH(MpegCase, c);
        TestStation ts(today(14, 0, 15));
        ts.station.settings.TwoReceivers = c.twoReceivers;
        ts.station.settings.Receiver2Port = 4;
        ts.station.ActivePort = 3;
        ts.receivers.answer = [&](int, const QByteArray &) { return c.answer; };
        ts.home.write(QStringLiteral("logs/MP271206.log"), "earlier entry\r\n");
        ReceiverLink link(ts.station);
        link.ReadMpeg(c.tag);
        QCOMPARE(ts.receivers.sent.size(), 1);
        QCOMPARE(ts.receivers.sent.first().port, c.port);
        QCOMPARE(ts.receivers.sent.first().bytes, QByteArray("R M\r"));
        QCOMPARE(ts.log("MP"), "earlier entry\r\n" + c.entry);
        QCOMPARE(ts.receivers.openNow, 0);
        QCOMPARE(ts.home.errors, QStringList());
    }

    // A reading that fails shows the system's number and reason, writes no
    // line and compares nothing; a missing logs folder stops it before the
    // receiver is asked. The port is closed on every path.
    void readingFailure_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("trouble");
        QTest::addColumn<QString>("error"); // %1: the data folder
        const QString tail = QStringLiteral(".  Make sure the folder %1/logs exists.");
        for (const QString prefix : {"EB", "MP"}) {
            const QString file = "%1/logs/" + prefix + "271206.log";
            QTest::addRow("%s: logs folder missing", qPrintable(prefix))
                << prefix << "no folder" << "2 No such file or directory: " + file + tail;
            QTest::addRow("%s: port refused", qPrintable(prefix))
                << prefix << "refused" << "1 No such file or directory" + tail;
            QTest::addRow("%s: disk full", qPrintable(prefix))
                << prefix << "disk full" << "28 No space left on device: " + file + tail;
        }
    }
    void readingFailure()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, trouble);
        QFETCH(QString, error);
        TestStation ts(today(14, 0, 12));
        ts.station.settings.TwoReceivers = 1;
        const QString log = ts.home.file("logs/" + prefix + "271206.log");
        if (trouble == QLatin1String("no folder"))
            QVERIFY(QDir(ts.home.file(QStringLiteral("logs"))).removeRecursively());
        if (trouble == QLatin1String("refused"))
            ts.receivers.refusedPorts.insert(1);
        if (trouble == QLatin1String("disk full") && !QFile::link(QStringLiteral("/dev/full"), log))
            QSKIP("no /dev/full to stand for a full disk");
        ReceiverLink link(ts.station);
        if (prefix == QLatin1String("EB"))
            link.ReadEbNo(1, QStringLiteral("R1"));
        else
            link.ReadMpeg(QStringLiteral("1"));
        QCOMPARE(ts.home.errors, QStringList{error.arg(ts.home.path())});
        QCOMPARE(ts.receivers.linesSent().size(), trouble == QLatin1String("disk full") ? 1 : 0);
        QCOMPARE(ts.receivers.openNow, 0);
        QCOMPARE(ts.outputByte(), quint8(0));
        QCOMPARE(QFile::exists(log), trouble == QLatin1String("disk full"));
    }
};

QTEST_GUILESS_MAIN(tst_Readings)
#include "tst_readings.moc"
