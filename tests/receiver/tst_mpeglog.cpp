#include "linkfixture.h"

#include "receiver/mpeglog.h"
#include "receiver/receiverlink.h"

#include <QDir>

namespace {
const QByteArray kMpegAnswer = "MPEG  Locked\r\nAudio 2 S ENG\r\n>";
}

class tst_MpegLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entry_data();
    void entry();
    void readingAppendsEntries();
    void twoReceiversUseTheTagsPort();
    void silentReceiverGivesEmptyLine();
    void textAfterThePromptIsNotLogged();
    void otherTagKeepsTheLastPort();
    void missingLogsFolder();
    void entryThatCannotBeWritten();
};

void tst_MpegLog::entry_data()
{
    QTest::addColumn<int>("twoReceivers");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("one receiver: bare time") << 0 << "1" << kMpegAnswer << "14:00:15\r\n" + kMpegAnswer + "\r\n";
    QTest::newRow("two receivers: Receiver n, two spaces, time")
        << 1 << "2" << kMpegAnswer << "Receiver 2  14:00:15\r\n" + kMpegAnswer + "\r\n";
    QTest::newRow("empty answer gives an empty line") << 0 << "1" << QByteArray() << QByteArray("14:00:15\r\n\r\n");
    QTest::newRow("other setting: answer without header") << 3 << "1" << kMpegAnswer << kMpegAnswer + "\r\n";
    QTest::newRow("8-bit answer kept byte for byte")
        << 0 << "1" << QByteArray("\x81\xe9\x9d>") << QByteArray("14:00:15\r\n\x81\xe9\x9d>\r\n");
}

void tst_MpegLog::entry()
{
    QFETCH(int, twoReceivers);
    QFETCH(QString, tag);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, bytes);
    QCOMPARE(mpegLogEntry(QTime(14, 0, 15), twoReceivers, tag, answer), bytes);
}

void tst_MpegLog::readingAppendsEntries()
{
    LinkFixture f(moment("14:00:15.000"));
    f.fake.answer = [](int, const QByteArray &) { return kMpegAnswer; };
    ReceiverLink link(*f.station);
    link.ReadMpeg(QStringLiteral("1"));
    f.clock.set(moment("15:30:15.000"));
    link.ReadMpeg(QStringLiteral("1"));

    QCOMPARE(f.fake.linesSent(), (QList<QByteArray>{"R M\r", "R M\r"}));
    QCOMPARE(f.fake.sent.first().port, 1);
    QCOMPARE(f.log(QStringLiteral("MP"), f.clock.today()),
             "14:00:15\r\n" + kMpegAnswer + "\r\n15:30:15\r\n" + kMpegAnswer + "\r\n");
    QCOMPARE(f.fake.openNow, 0);
    QVERIFY(f.home.errors.isEmpty());
}

void tst_MpegLog::twoReceiversUseTheTagsPort()
{
    LinkFixture f(moment("14:00:15.000"));
    f.station->settings.TwoReceivers = 1;
    f.station->settings.Receiver2Port = 4;
    f.fake.answer = [](int port, const QByteArray &) { return "port " + QByteArray::number(port) + "\r\n>"; };
    ReceiverLink link(*f.station);
    link.ReadMpeg(QStringLiteral("2"));
    QCOMPARE(f.station->ActivePort, 4);
    QCOMPARE(f.log(QStringLiteral("MP"), f.clock.today()), QByteArray("Receiver 2  14:00:15\r\nport 4\r\n>\r\n"));
}

void tst_MpegLog::silentReceiverGivesEmptyLine()
{
    LinkFixture f(moment("14:00:15.000"));
    ReceiverLink link(*f.station);
    link.ReadMpeg(QStringLiteral("1"));
    QCOMPARE(f.log(QStringLiteral("MP"), f.clock.today()), QByteArray("14:00:16\r\n\r\n"));
    QVERIFY(f.home.errors.isEmpty());
}

void tst_MpegLog::textAfterThePromptIsNotLogged()
{
    LinkFixture f(moment("14:00:15.000"));
    f.fake.replies = [](int, const QByteArray &) {
        return QList<FakeReceivers::Reply>{{40, "MPEG Locked\r\n>R M\r\n"}, {60, "late\r\n>"}};
    };
    ReceiverLink link(*f.station);
    link.ReadMpeg(QStringLiteral("1"));
    QCOMPARE(f.log(QStringLiteral("MP"), f.clock.today()), QByteArray("14:00:15\r\nMPEG Locked\r\n>\r\n"));
}

void tst_MpegLog::otherTagKeepsTheLastPort()
{
    LinkFixture f(moment("14:00:15.000"));
    ReceiverLink link(*f.station);
    QVERIFY(link.SendCommand(3, QStringLiteral("R R")));
    link.ReadMpeg(QStringLiteral("x"));
    QCOMPARE(f.fake.sent.last().port, 3);
    QCOMPARE(f.fake.sent.last().bytes, QByteArray("R M\r"));
}

void tst_MpegLog::missingLogsFolder()
{
    LinkFixture f(moment("14:00:15.000"));
    QVERIFY(QDir(f.home.file(QStringLiteral("logs"))).removeRecursively());
    ReceiverLink link(*f.station);
    link.ReadMpeg(QStringLiteral("1"));
    QVERIFY(f.fake.sent.isEmpty());
    QCOMPARE(f.fake.openNow, 0);
    QCOMPARE(f.home.errors, QStringList{QStringLiteral("2 No such file or directory: ") + f.home.file(QStringLiteral("logs/MP261207.log")) + QStringLiteral(".  Make sure the folder ") +
                                        f.home.file(QStringLiteral("logs")) + QStringLiteral(" exists.")});
}

void tst_MpegLog::entryThatCannotBeWritten()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full to stand for a full disk");
    LinkFixture f(moment("14:00:15.000"));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), f.home.file(QStringLiteral("logs/MP261207.log"))));
    f.fake.answer = [](int, const QByteArray &) { return kMpegAnswer; };
    ReceiverLink link(*f.station);
    link.ReadMpeg(QStringLiteral("1"));
    QCOMPARE(f.home.errors, QStringList{QStringLiteral("28 No space left on device: ") + f.home.file(QStringLiteral("logs/MP261207.log")) + QStringLiteral(".  Make sure the folder ") +
                                        f.home.file(QStringLiteral("logs")) + QStringLiteral(" exists.")});
    QCOMPARE(f.fake.openNow, 0);
}

QTEST_GUILESS_MAIN(tst_MpegLog)
#include "tst_mpeglog.moc"
