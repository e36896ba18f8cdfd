#include "processes.h"
#include "schedules.h"
#include "testdata.h"

#include "platform/clock.h"
#include "platform/parallelport.h"
#include "platform/paths.h"
#include "platform/serialchannel.h"
#include "receiver/conversation.h"
#include "receiver/ebno.h"
#include "receiver/receiverlink.h"
#include "station/station.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QtTest>

// The program's own serial channel on a real pseudo-terminal, against the
// simulated receiver in each of its ways of answering: what the switching
// engine and the demo rely on when a receiver is attached.
class tst_ReceiverSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linkOverThePseudoTerminal();
    void answers_data();
    void answers();
};

void tst_ReceiverSim::linkOverThePseudoTerminal()
{
    SimulatedReceiver sim({QStringLiteral("--ebno"), QStringLiteral("11.5")});
    TestHome home;
    qputenv("KESTRELPOINT_COM1", sim.device().toLocal8Bit());
    home.write(QStringLiteral("parport"), QByteArray(2, '\0'));
    SystemClock clock;
    Station station(clock, openParallelPort(home.file(QStringLiteral("parport"))));
    QString error;
    QVERIFY2(station.InitProgram(&error), qPrintable(error));
    station.settings.Receiver1Port = 1;
    station.settings.BaudChoice = 1;
    station.settings.ReceiverModel = QStringLiteral("0");
    ScheduleRecord r = schedule(QStringLiteral("Evening Service"), 1, everyDay(QStringLiteral("23:59:59")));
    r.SatLang = QStringLiteral("SPA");
    r.SatPort = QStringLiteral("5");
    r.SatRoute = QStringLiteral("0");
    r.SatAtt = QStringLiteral("4");
    QVERIFY(station.store().WriteScheduleRecord(1, BuildScheduleRecord(r)));
    station.buildSwitchList(1);

    ReceiverLink link(station);
    link.SwitchReceiver(1);
    link.ReadEbNo(1, QStringLiteral("R1"));
    link.ReadMpeg(QStringLiteral("1"));
    qunsetenv("KESTRELPOINT_COM1");
    QVERIFY2(home.errors.isEmpty(), qPrintable(home.errors.join(QLatin1Char('\n'))));
    QCOMPARE(sim.received(), (QStringList{"SETAUDIO 5 1 SPA 4  ", "R C", "R M"}));
    const QByteArray eb = home.read(QStringLiteral("logs/") + Paths::logFileName(QStringLiteral("EB"), clock.today()));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d  11\\.5\r\n$")).match(QString::fromLatin1(eb)).hasMatch(),
             eb.constData());
    const QByteArray mp = home.read(QStringLiteral("logs/") + Paths::logFileName(QStringLiteral("MP"), clock.today()));
    QVERIFY2(mp.contains("Audio port 5   : source SPA route Left atten 4\r\n") && mp.endsWith(">\r\n"), mp.constData());
    QVERIFY(sim.stop());
}

void tst_ReceiverSim::answers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("prompt"); // "yes", "no" or "either"
    QTest::addColumn<QString>("value");  // the Eb/No value; empty for any
    QTest::addColumn<int>("minBytes");
    QTest::addColumn<int>("minMs");

    QTest::newRow("carrier data") << QStringList{"--ebno", "8.5"} << "yes" << "8.5" << 300 << 0;
    QTest::newRow("silent receiver ends at the limit") << QStringList{"--mode", "silent"} << "no" << "None" << 0 << 400;
    QTest::newRow("slow answer inside the limit still read")
        << QStringList{"--mode", "slow", "--delay-ms", "300"} << "yes" << "8.5" << 300 << 250;
    QTest::newRow("answer without prompt kept after the limit")
        << QStringList{"--mode", "noprompt"} << "no" << "8.5" << 300 << 400;
    QTest::newRow("line noise gives a value without line breaks")
        << QStringList{"--mode", "garbage"} << "yes" << QString() << 65 << 0;
    // Whether the prompt after the flood arrives inside the limit depends on
    // the machine; the conversation ends in time either way.
    QTest::newRow("flood ends in time") << QStringList{"--mode", "flood", "--flood-bytes", "2000000"} << "either"
                                        << QString() << 10000 << 0;
}

void tst_ReceiverSim::answers()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, prompt);
    QFETCH(QString, value);
    QFETCH(int, minBytes);
    QFETCH(int, minMs);

    SimulatedReceiver sim(arguments);
    qputenv("KESTRELPOINT_COM1", sim.device().toLocal8Bit());
    SystemClock clock;
    auto channel = makeSerialChannel();
    QVERIFY2(channel->open(1, QStringLiteral("9600,N,8,1")), qPrintable(Conversation::portErrorText(*channel)));
    qunsetenv("KESTRELPOINT_COM1");
    QElapsedTimer timer;
    timer.start();
    QByteArray answer;
    QVERIFY(channel->write(Conversation::commandLine(QStringLiteral("R C"))));
    Conversation::collect(*channel, clock, Conversation::limitA(clock), Conversation::kPromptAnywhere, answer);
    const qint64 waited = timer.elapsed();
    channel->close();
    QVERIFY2(waited >= minMs && waited <= 1700, qPrintable(QString::number(waited)));
    QVERIFY2(answer.size() >= minBytes, qPrintable(QString::number(answer.size())));
    if (prompt != QLatin1String("either"))
        QCOMPARE(answer.contains('>'), prompt == QLatin1String("yes"));
    const QString got = EbNoValue(answer);
    if (!value.isEmpty())
        QCOMPARE(got, value);
    QVERIFY(!got.contains(QLatin1Char('\n')) && !got.contains(QLatin1Char('\r')));
    QVERIFY(sim.stop());
}

QTEST_GUILESS_MAIN(tst_ReceiverSim)
#include "tst_receiversim.moc"
