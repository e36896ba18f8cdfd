#include "linkfixture.h"

#include "receiver/receiverlink.h"
#include "receiver/switchcommand.h"

class tst_SwitchCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setAudioGrammar_data();
    void setAudioGrammar();
    void activityText_data();
    void activityText();
    void switchSendsAndLogs_data();
    void switchSendsAndLogs();
    void modelNotSetSendsNothing();
    void recordNoLongerInUseSendsNothing();
    void failedSendIsStillLogged();
    void activityLogOffStillSends();
};

void tst_SwitchCommand::setAudioGrammar_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("route");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("att");
    QTest::addColumn<QString>("command");

    QTest::newRow("4K worked example") << "0"
                                       << "2"
                                       << "2"
                                       << "ENG"
                                       << "7"
                                       << "SETAUDIO 2 S ENG 7  ";
    QTest::newRow("500 has no port") << "1"
                                     << "2"
                                     << "2"
                                     << "ENG"
                                     << "7"
                                     << "SETAUDIO S ENG 7  ";
    QTest::newRow("4K no port gives three spaces") << "0"
                                                   << " "
                                                   << "0"
                                                   << "SPA"
                                                   << "0"
                                                   << "SETAUDIO   1 SPA 0  ";
    QTest::newRow("4K unknown route leaves two spaces") << "0"
                                                        << "3"
                                                        << "9"
                                                        << "FRE"
                                                        << "5"
                                                        << "SETAUDIO 3  FRE 5  ";
    QTest::newRow("500 unknown route") << "1"
                                       << "3"
                                       << " "
                                       << "FRE"
                                       << "5"
                                       << "SETAUDIO  FRE 5  ";
    QTest::newRow("one-letter code padded") << "0"
                                            << "1"
                                            << "1"
                                            << "X"
                                            << "3"
                                            << "SETAUDIO 1 2 X   3  ";
    QTest::newRow("attenuation 14 fills both") << "0"
                                               << "6"
                                               << "3"
                                               << "GER"
                                               << "14"
                                               << "SETAUDIO 6 R GER 14 ";
    QTest::newRow("500 attenuation 14") << "1"
                                        << "6"
                                        << "3"
                                        << "GER"
                                        << "14"
                                        << "SETAUDIO R GER 14 ";
}

void tst_SwitchCommand::setAudioGrammar()
{
    QFETCH(QString, model);
    QFETCH(QString, port);
    QFETCH(QString, route);
    QFETCH(QString, lang);
    QFETCH(QString, att);
    QFETCH(QString, command);

    const std::optional<QString> built = SetAudioCommand(model, port, route, lang, att);
    QVERIFY(built);
    QCOMPARE(*built, command);
}

void tst_SwitchCommand::activityText_data()
{
    QTest::addColumn<int>("receiver");
    QTest::addColumn<int>("twoReceivers");
    QTest::addColumn<QString>("text");

    const QString name = QStringLiteral("Morning News             ");
    QTest::newRow("one receiver: one space") << 1 << 0 << name + " SETAUDIO 2 S ENG 7  ";
    QTest::newRow("receiver 1 of two labelled") << 1 << 1 << name + "Receiver 1 SETAUDIO 2 S ENG 7  ";
    QTest::newRow("receiver 2 always labelled") << 2 << 0 << name + "Receiver 2 SETAUDIO 2 S ENG 7  ";
    QTest::newRow("receiver 2 of two") << 2 << 1 << name + "Receiver 2 SETAUDIO 2 S ENG 7  ";
}

void tst_SwitchCommand::activityText()
{
    QFETCH(int, receiver);
    QFETCH(int, twoReceivers);
    QFETCH(QString, text);

    const QString built = switchActivityText(receiver, twoReceivers, QStringLiteral("Morning News"),
                                             QStringLiteral("SETAUDIO 2 S ENG 7  "));
    QCOMPARE(built, text);
    if (receiver == 2 || twoReceivers == 1)
        QCOMPARE(built.indexOf(QLatin1String("Receiver")), 25);
}

void tst_SwitchCommand::switchSendsAndLogs_data()
{
    QTest::addColumn<int>("receiver");
    QTest::addColumn<int>("twoReceivers");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("logLine");

    QTest::newRow("receiver 1 alone, model 4K")
        << 1 << 0 << "0" << 1 << QByteArray("SETAUDIO 2 S ENG 7  \r")
        << QByteArray("11:59:47  Morning News              SETAUDIO 2 S ENG 7  \r\n");
    QTest::newRow("receiver 1 of two, model 500")
        << 1 << 1 << "1" << 1 << QByteArray("SETAUDIO S ENG 7  \r")
        << QByteArray("11:59:47  Morning News             Receiver 1 SETAUDIO S ENG 7  \r\n");
    QTest::newRow("receiver 2 on its own port")
        << 2 << 1 << "0" << 2 << QByteArray("SETAUDIO 2 S ENG 7  \r")
        << QByteArray("11:59:47  Morning News             Receiver 2 SETAUDIO 2 S ENG 7  \r\n");
}

void tst_SwitchCommand::switchSendsAndLogs()
{
    QFETCH(int, receiver);
    QFETCH(int, twoReceivers);
    QFETCH(QString, model);
    QFETCH(int, port);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, logLine);

    LinkFixture f(moment("11:59:47.000"));
    f.station->settings.TwoReceivers = twoReceivers;
    f.station->settings.ReceiverModel = model;
    f.addSchedule(1, receiver, QStringLiteral("12:00:00"));
    QCOMPARE(f.station->nextSwitch(receiver).NextRecord, 1);

    ReceiverLink link(*f.station);
    link.SwitchReceiver(receiver);
    QCOMPARE(f.fake.linesSent(), QList<QByteArray>{line});
    QCOMPARE(f.fake.sent.first().port, port);
    QCOMPARE(f.station->ActivePort, port);
    QCOMPARE(f.log(QStringLiteral("AL"), f.clock.today()), logLine);
    QVERIFY(f.home.errors.isEmpty());
}

void tst_SwitchCommand::modelNotSetSendsNothing()
{
    QVERIFY(!SetAudioCommand(QString(), QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("ENG"),
                             QStringLiteral("7")));
    LinkFixture f(moment("11:59:47.000"));
    f.station->settings.ReceiverModel = QStringLiteral(" ");
    f.addSchedule(1, 1, QStringLiteral("12:00:00"));

    ReceiverLink link(*f.station);
    // A command sent before must not go out again in place of the missing one.
    QVERIFY(link.SendCommand(1, QStringLiteral("SETAUDIO 1 1 OLD 0  ")));
    f.fake.sent.clear();
    link.SwitchReceiver(1);
    QVERIFY(f.fake.sent.isEmpty());
    QVERIFY(!f.logExists(QStringLiteral("AL"), f.clock.today()));
    QCOMPARE(f.home.errors, QStringList{"The receiver model is not set: choose 4K or 500 in SetUp. Command not sent."});
}

void tst_SwitchCommand::recordNoLongerInUseSendsNothing()
{
    LinkFixture f(moment("11:59:47.000"));
    f.addSchedule(4, 1, QStringLiteral("12:00:00"));
    QVERIFY(f.station->store().DeleteSchedule(4));

    ReceiverLink link(*f.station);
    link.SwitchReceiver(1);
    QVERIFY(f.fake.sent.isEmpty());
    QVERIFY(!f.logExists(QStringLiteral("AL"), f.clock.today()));
    QCOMPARE(f.home.errors.size(), 1);
    QVERIFY(f.home.errors.first().contains(QLatin1String("no longer in use")));
    QVERIFY(f.home.errors.first().endsWith(QLatin1String("Command not sent.")));
}

void tst_SwitchCommand::failedSendIsStillLogged()
{
    LinkFixture f(moment("11:59:47.000"));
    f.fake.refusedPorts.insert(1);
    f.addSchedule(1, 1, QStringLiteral("12:00:00"));

    ReceiverLink link(*f.station);
    link.SwitchReceiver(1);
    QVERIFY(f.fake.sent.isEmpty());
    QCOMPARE(f.home.errors, QStringList{"1 No such file or directory Command not sent."});
    QCOMPARE(f.log(QStringLiteral("AL"), f.clock.today()),
             QByteArray("11:59:47  Morning News              SETAUDIO 2 S ENG 7  \r\n"));

    // The second send of the cycle reaches the receiver once the port is back.
    f.fake.refusedPorts.clear();
    f.clock.advanceMs(2000);
    link.SwitchReceiver(1);
    QCOMPARE(f.fake.linesSent(), QList<QByteArray>{"SETAUDIO 2 S ENG 7  \r"});
    QCOMPARE(f.fake.openNow, 0);
}

void tst_SwitchCommand::activityLogOffStillSends()
{
    LinkFixture f(moment("11:59:47.000"));
    f.station->settings.ActivityLogOn = 0;
    f.addSchedule(1, 1, QStringLiteral("12:00:00"));

    ReceiverLink link(*f.station);
    link.SwitchReceiver(1);
    QCOMPARE(f.fake.linesSent(), QList<QByteArray>{"SETAUDIO 2 S ENG 7  \r"});
    QVERIFY(!f.logExists(QStringLiteral("AL"), f.clock.today()));
}

QTEST_GUILESS_MAIN(tst_SwitchCommand)
#include "tst_switchcommand.moc"
