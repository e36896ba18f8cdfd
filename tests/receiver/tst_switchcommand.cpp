#include "schedules.h"
#include "teststation.h"

#include "receiver/receiverlink.h"
#include "receiver/relayconversation.h"
#include "receiver/relaymanualset.h"
#include "receiver/switchcommand.h"

#include <QtTest>

namespace {

struct SwitchCase
{
    int receiver;
    int twoReceivers;
    QString model;
    QString trouble;
    QByteArray sent;   // port, a space, the bytes
    QByteArray logged; // after the time and the program name
    QString error;
};

} // namespace

// Every command line built from fields: the schedule's SETAUDIO, the Set
// Receiver window's variant with its extended relays, the relay buttons.
class tst_SwitchCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setAudio_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QStringList>("fields"); // port, route, source code, attenuation
        QTest::addColumn<QString>("command");
        QTest::newRow("no port: three spaces; Left")
            << "0" << QStringList{" ", "0", "SPA", "0"} << "SETAUDIO   1 SPA 0  ";
        QTest::newRow("unknown route leaves two spaces")
            << "0" << QStringList{"3", "9", "FRE", "5"} << "SETAUDIO 3  FRE 5  ";
        QTest::newRow("one-letter code padded; Right")
            << "0" << QStringList{"1", "1", "X", "3"} << "SETAUDIO 1 2 X   3  ";
        QTest::newRow("Rev Stereo; attenuation 14")
            << "0" << QStringList{"6", "3", "GER", "14"} << "SETAUDIO 6 R GER 14 ";
        QTest::newRow("500 attenuation 14") << "1" << QStringList{"6", "3", "GER", "14"} << "SETAUDIO R GER 14 ";
    }
    void setAudio()
    {
        QFETCH(QString, model);
        QFETCH(QStringList, fields);
        QFETCH(QString, command);
        QCOMPARE(SetAudioCommand(model, fields[0], fields[1], fields[2], fields[3]).value_or("(none)"), command);
    }

    // The switch goes to the receiver's port and into the activity log, the
    // receiver label starting at the 26th character; a failed send is logged
    // all the same; a switch that cannot be built sends and logs nothing.
    void switchReceiver_data()
    {
        QTest::addColumn<SwitchCase>("c");
        const QByteArray cmd = "SETAUDIO 2 S ENG 7  ";
        QTest::newRow("receiver 1 alone, model 4K") << SwitchCase{1, 0, "0", "", "1 " + cmd + "\r", " " + cmd, ""};
        QTest::newRow("receiver 1 of two, model 500")
            << SwitchCase{1, 1, "1", "", "1 SETAUDIO S ENG 7  \r", "Receiver 1 SETAUDIO S ENG 7  ", ""};
        QTest::newRow("receiver 2 labelled with one receiver")
            << SwitchCase{2, 0, "0", "", "2 " + cmd + "\r", "Receiver 2 " + cmd, ""};
        QTest::newRow("receiver 2 of two") << SwitchCase{2, 1, "0", "", "2 " + cmd + "\r", "Receiver 2 " + cmd, ""};
        QTest::newRow("activity log off still sends") << SwitchCase{1, 0, "0", "log off", "1 " + cmd + "\r", "", ""};
        QTest::newRow("port refused: logged all the same")
            << SwitchCase{1, 0, "0", "refused", "", " " + cmd, "1 No such file or directory Command not sent."};
        QTest::newRow("model not set: the last command does not go again")
            << SwitchCase{1, 0, " ", "", "", "",
                          "The receiver model is not set: choose 4K or 500 in SetUp. Command not sent."};
        QTest::newRow("schedule deleted since the list was built")
            << SwitchCase{1, 0, "0", "deleted", "", "",
                          "Schedule 1 for receiver 1 is no longer in use. Command not sent."};
    }
    void switchReceiver()
    {
        QFETCH(SwitchCase, c);
        TestStation ts(QDateTime(kTestMonday.date(), QTime(8, 59, 47)));
        StationSettings &s = ts.station.settings;
        s.TwoReceivers = 1;
        ScheduleRecord r = stereoEnglish(QStringLiteral("Morning News"), c.receiver);
        r.SwitchTime = everyDay(QStringLiteral("09:00:00"));
        ts.addSchedule(r, 1);
        QCOMPARE(ts.station.nextSwitch(c.receiver).NextRecord, 1);
        s.TwoReceivers = c.twoReceivers;
        s.ReceiverModel = c.model;
        s.ActivityLogOn = c.trouble == QLatin1String("log off") ? 0 : 1;
        if (c.trouble == QLatin1String("deleted"))
            QVERIFY(ts.station.store().DeleteSchedule(1));
        if (c.trouble == QLatin1String("refused"))
            ts.receivers.refusedPorts.insert(c.receiver);

        ReceiverLink link(ts.station);
        QVERIFY(link.SendCommand(4, QStringLiteral("SETAUDIO 1 1 OLD 0  ")));
        ts.receivers.sent.clear();
        QCOMPARE(link.SwitchReceiver(c.receiver, 1), !c.sent.isEmpty());
        QByteArray sent;
        for (const FakeReceivers::Sent &line : ts.receivers.sent)
            sent += QByteArray::number(line.port) + ' ' + line.bytes;
        QCOMPARE(sent, c.sent);
        const QByteArray line = "08:59:47  Morning News" + QByteArray(13, ' ') + c.logged + "\r\n";
        QCOMPARE(ts.log("AL"), c.logged.isEmpty() ? QByteArray() : line);
        QCOMPARE(ts.home.errors, c.error.isEmpty() ? QStringList() : QStringList{c.error});
        QCOMPARE(ts.receivers.openNow, 0);
    }

    // The Set Receiver window: the schedule's grammar, then the extended
    // relays that route the audio port (model 4K only).
    void manualSet_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("port");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("port 1 opens relays 11 and 14")
            << "0" << 1 << QStringList{"SETAUDIO 1 S ENG 7  ", "ER D 11", "ER D 14"};
        QTest::newRow("port 2 opens 4 and 7") << "0" << 2 << QStringList{"SETAUDIO 2 S ENG 7  ", "ER D 4", "ER D 7"};
        QTest::newRow("port 3 opens relay 1") << "0" << 3 << QStringList{"SETAUDIO 3 S ENG 7  ", "ER D 1"};
        QTest::newRow("port 4 opens relay 8") << "0" << 4 << QStringList{"SETAUDIO 4 S ENG 7  ", "ER D 8"};
        QTest::newRow("port 5 sends the command alone") << "0" << 5 << QStringList{"SETAUDIO 5 S ENG 7  "};
        QTest::newRow("model 500: no port field, no relays") << "1" << 1 << QStringList{"SETAUDIO S ENG 7  "};
        QTest::newRow("unknown model is driven as a 4K") << "" << 3 << QStringList{"SETAUDIO 3 S ENG 7  ", "ER D 1"};
    }
    void manualSet()
    {
        QFETCH(QString, model);
        QFETCH(int, port);
        QFETCH(QStringList, lines);
        QCOMPARE(ManualSetCommands(model, port, 2, QStringLiteral("ENG"), QStringLiteral("7")), lines);
    }

    void relayButton_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("command");
        QTest::newRow("relay 1 open") << "R R" << 0 << "RE O 1";
        QTest::newRow("relay 2 close") << "R R" << 3 << "RE C 2";
        QTest::newRow("the relay layout has no fifth button") << "R R" << 4 << "";
        QTest::newRow("extended 1 close") << "R ER" << 1 << "ER E 1";
        QTest::newRow("extended 10 without a leading zero") << "R ER" << 18 << "ER D 10";
        QTest::newRow("extended 14 close") << "R ER" << 27 << "ER E 14";
        QTest::newRow("no button 28") << "R ER" << 28 << "";
    }
    void relayButton()
    {
        QFETCH(QString, query);
        QFETCH(int, index);
        QFETCH(QString, command);
        QCOMPARE(Relay::buttonCommand(Relay::modeFor(query), index), command);
    }
};

QTEST_GUILESS_MAIN(tst_SwitchCommand)
#include "tst_switchcommand.moc"
