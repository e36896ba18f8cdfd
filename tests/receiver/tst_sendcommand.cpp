#include "linkfixture.h"

#include "receiver/receiverlink.h"

class tst_SendCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sendCommand_data();
    void sendCommand();
    void nextConversationOpensAfterFailure();
};

void tst_SendCommand::sendCommand_data()
{
    QTest::addColumn<int>("baudChoice");
    QTest::addColumn<bool>("portRefused");
    QTest::addColumn<bool>("writeFails");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("error");

    QTest::newRow("text and one carriage return at 9600")
        << 1 << false << false << true << QByteArray("R C\r") << "9600,N,8,1" << QString();
    QTest::newRow("19200 chosen") << 2 << false << false << true << QByteArray("R C\r") << "19200,N,8,1" << QString();
    QTest::newRow("no baud chosen is refused by the port")
        << 0 << false << false << false << QByteArray() << QString() << "380 Invalid property value Command not sent.";
    QTest::newRow("port that cannot be opened")
        << 1 << true << false << false << QByteArray() << QString() << "1 No such file or directory Command not sent.";
    QTest::newRow("write that fails") << 1 << false << true << false << QByteArray() << QString()
                                      << "7 Input/output error Command not sent.";
}

void tst_SendCommand::sendCommand()
{
    QFETCH(int, baudChoice);
    QFETCH(bool, portRefused);
    QFETCH(bool, writeFails);
    QFETCH(bool, ok);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, settings);
    QFETCH(QString, error);

    LinkFixture f(moment("12:00:00.000"));
    f.station->settings.BaudChoice = baudChoice;
    if (portRefused)
        f.fake.refusedPorts.insert(3);
    if (writeFails)
        f.fake.failingWrites.insert(3);
    ReceiverLink link(*f.station);

    QCOMPARE(link.SendCommand(3, QStringLiteral("R C")), ok);
    QCOMPARE(f.station->ActivePort, 3);
    QByteArray all;
    for (const FakeReceivers::Sent &s : f.fake.sent) {
        QCOMPARE(s.port, 3);
        QCOMPARE(s.settings, settings);
        all += s.bytes;
    }
    QCOMPARE(all, bytes);
    QCOMPARE(f.home.errors, error.isEmpty() ? QStringList() : QStringList{error});
    QCOMPARE(f.fake.openNow, 0);
}

void tst_SendCommand::nextConversationOpensAfterFailure()
{
    LinkFixture f(moment("12:00:00.000"));
    f.fake.failingWrites.insert(1);
    ReceiverLink link(*f.station);
    QVERIFY(!link.SendCommand(1, QStringLiteral("SETAUDIO 2 S ENG 7  ")));
    QCOMPARE(f.fake.openNow, 0);

    f.fake.failingWrites.clear();
    QVERIFY(link.SendCommand(1, QStringLiteral("SETAUDIO 2 S ENG 7  ")));
    QCOMPARE(f.fake.linesSent(), QList<QByteArray>{"SETAUDIO 2 S ENG 7  \r"});
    QCOMPARE(f.fake.opens, 2);
    QCOMPARE(f.fake.closes, 2);
}

QTEST_GUILESS_MAIN(tst_SendCommand)
#include "tst_sendcommand.moc"
