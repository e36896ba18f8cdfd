#include "testdata.h"

#include "station/station.h"
#include "platform/clock.h"
#include "platform/parallelport.h"
#include "platform/paths.h"
#include "platform/serialchannel.h"
#include "receiver/conversation.h"
#include "receiver/ebno.h"
#include "receiver/receiverlink.h"
#include "schedule/schedulerecord.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

namespace {

// The simulator as a child process on its own pseudo-terminal, which
// KESTRELPOINT_COM1 names while it runs.
class Simulator
{
public:
    explicit Simulator(const QStringList &arguments)
    {
        m_process.setProgram(QStringLiteral(KP_SIM_BINARY));
        m_process.setArguments(arguments);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
        }
        m_device = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        qputenv("KESTRELPOINT_COM1", m_device.toLocal8Bit());
    }
    ~Simulator()
    {
        qunsetenv("KESTRELPOINT_COM1");
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QString device() const { return m_device; }
    // Asks the simulator to stop as the station's shutdown would; true when
    // it ended by itself, cleanly.
    bool stop()
    {
        m_process.terminate();
        return m_process.waitForFinished(5000) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }
    QByteArray output()
    {
        m_output += m_process.readAllStandardOutput();
        return m_output;
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    // Waits until the simulator reports the command line received; its
    // answer is on the line by then. Back-to-back conversations in a test
    // would otherwise race the previous answer.
    bool sawCommand(const QByteArray &line)
    {
        const QByteArray wanted = "  " + line + '\n';
        while (!output().contains(wanted)) {
            if (!m_process.waitForReadyRead(5000))
                return false;
        }
        return true;
    }

private:
    QProcess m_process;
    QString m_device;
    QByteArray m_output;
};

QByteArray ask(SerialChannel &channel, Clock &clock, const QString &command)
{
    QByteArray buffer;
    if (!channel.write(Conversation::commandLine(command)))
        return buffer;
    Conversation::collect(channel, clock, Conversation::limitA(clock), Conversation::kPromptAnywhere, buffer);
    return buffer;
}

} // namespace

class tst_ReceiverSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void carrierDataGivesTheEbNo();
    void mpegStatusReflectsSetAudio();
    void receiverLinkOverThePseudoTerminal();
    void silentReceiverEndsAtTheLimit();
    void failureModes_data();
    void failureModes();
    void printsEachCommandWithItsTimeAndStops();
};

void tst_ReceiverSim::init()
{
    if (QByteArray(KP_SIM_BINARY).isEmpty())
        QSKIP("the receiver simulator is not built");
}

void tst_ReceiverSim::carrierDataGivesTheEbNo()
{
    Simulator sim({QStringLiteral("--ebno"), QStringLiteral("8.5")});
    QVERIFY(sim.device().startsWith(QLatin1String("/dev/")));
    SystemClock clock;
    auto channel = makeSerialChannel();
    QVERIFY2(channel->open(1, QStringLiteral("9600,N,8,1")), qPrintable(Conversation::portErrorText(*channel)));
    const QByteArray answer = ask(*channel, clock, QStringLiteral("R C"));
    channel->close();
    QVERIFY(answer.endsWith('>'));
    QCOMPARE(EbNoValue(answer), QStringLiteral("8.5"));
    QVERIFY(sim.stop());
}

void tst_ReceiverSim::mpegStatusReflectsSetAudio()
{
    Simulator sim({});
    SystemClock clock;
    auto channel = makeSerialChannel();
    QVERIFY(channel->open(1, QStringLiteral("19200,N,8,1")));
    QCOMPARE(ask(*channel, clock, QStringLiteral("SETAUDIO 3 R FRE 12 ")), QByteArray("OK\r\n>"));
    channel->close();
    QVERIFY(sim.sawCommand("SETAUDIO 3 R FRE 12 "));
    // A new conversation, as the program has one per command.
    QVERIFY(channel->open(1, QStringLiteral("19200,N,8,1")));
    const QByteArray status = ask(*channel, clock, QStringLiteral("R M"));
    channel->close();
    QVERIFY2(status.contains("Audio port 3   : source FRE route Rev Stereo atten 12\r\n"), status.constData());
    QVERIFY(status.contains("Last command   : SETAUDIO 3 R FRE 12\r\n"));
    QVERIFY(sim.stop());
}

void tst_ReceiverSim::receiverLinkOverThePseudoTerminal()
{
    Simulator sim({QStringLiteral("--ebno"), QStringLiteral("11.5")});
    TestHome home;
    home.write(QStringLiteral("parport"), QByteArray(2, '\0'));
    SystemClock clock;
    Station station(clock, openParallelPort(home.file(QStringLiteral("parport"))));
    QString error;
    QVERIFY2(station.InitProgram(&error), qPrintable(error));
    station.settings.Receiver1Port = 1;
    station.settings.BaudChoice = 1;
    station.settings.ReceiverModel = QStringLiteral("0");
    ScheduleRecord r;
    r.PgmName = QStringLiteral("Evening Service");
    r.SatLang = QStringLiteral("SPA");
    r.SatPort = QStringLiteral("5");
    r.SatRoute = QStringLiteral("0");
    r.SatAtt = QStringLiteral("4");
    r.Receiver = 1;
    r.SwitchTime.fill(QStringLiteral("23:59:59"));
    QVERIFY(station.store().WriteScheduleRecord(1, BuildScheduleRecord(r)));
    station.buildSwitchList(1);

    ReceiverLink link(station);
    link.SwitchReceiver(1);
    QVERIFY(sim.sawCommand("SETAUDIO 5 1 SPA 4  "));
    link.ReadEbNo(1, QStringLiteral("R1"));
    link.ReadMpeg(QStringLiteral("1"));
    QVERIFY2(home.errors.isEmpty(), qPrintable(home.errors.join(QLatin1Char('\n'))));

    const QByteArray eb = home.read(QStringLiteral("logs/") + Paths::logFileName(QStringLiteral("EB"), clock.today()));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d  11\\.5\r\n$"))
                 .match(QString::fromLatin1(eb))
                 .hasMatch(),
             eb.constData());
    const QByteArray mp = home.read(QStringLiteral("logs/") + Paths::logFileName(QStringLiteral("MP"), clock.today()));
    QVERIFY2(mp.contains("Audio port 5   : source SPA route Left atten 4\r\n"), mp.constData());
    QVERIFY(mp.endsWith(">\r\n"));
    QVERIFY(sim.stop());
}

void tst_ReceiverSim::silentReceiverEndsAtTheLimit()
{
    Simulator sim({QStringLiteral("--mode"), QStringLiteral("silent")});
    SystemClock clock;
    auto channel = makeSerialChannel();
    QVERIFY(channel->open(1, QStringLiteral("9600,N,8,1")));
    QElapsedTimer timer;
    timer.start();
    const QByteArray answer = ask(*channel, clock, QStringLiteral("R C"));
    const qint64 waited = timer.elapsed();
    channel->close();
    QVERIFY(answer.isEmpty());
    QVERIFY2(waited >= 400 && waited <= 1700, qPrintable(QString::number(waited)));
    QVERIFY(sim.stop());
}

void tst_ReceiverSim::failureModes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("minBytes");

    QTest::newRow("slow answer inside the limit still read")
        << QStringList{"--mode", "slow", "--delay-ms", "300"} << "yes"
        << "8.5" << 300;
    QTest::newRow("answer without prompt kept after the limit") << QStringList{"--mode", "noprompt"} << "no"
                                                                << "8.5" << 300;
    QTest::newRow("line noise gives a value without line breaks")
        << QStringList{"--mode", "garbage"} << "yes" << QString() << 65;
    // Whether the prompt after the flood arrives inside the limit depends on
    // the machine; the conversation must end in time either way.
    QTest::newRow("flood ends in time") << QStringList{"--mode", "flood", "--flood-bytes", "2000000"} << "either"
                                        << QString() << 10000;
}

void tst_ReceiverSim::failureModes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, prompt);
    QFETCH(QString, value);
    QFETCH(int, minBytes);

    Simulator sim(arguments);
    SystemClock clock;
    auto channel = makeSerialChannel();
    QVERIFY(channel->open(1, QStringLiteral("9600,N,8,1")));
    QElapsedTimer timer;
    timer.start();
    const QByteArray answer = ask(*channel, clock, QStringLiteral("R C"));
    channel->close();
    QVERIFY2(timer.elapsed() <= 1700, qPrintable(QString::number(timer.elapsed())));
    QVERIFY2(answer.size() >= minBytes, qPrintable(QString::number(answer.size())));
    if (prompt != QLatin1String("either"))
        QCOMPARE(answer.contains('>'), prompt == QLatin1String("yes"));
    const QString got = EbNoValue(answer);
    if (!value.isEmpty())
        QCOMPARE(got, value);
    QVERIFY(!got.contains(QLatin1Char('\n')) && !got.contains(QLatin1Char('\r')));
    QVERIFY(sim.stop());
}

void tst_ReceiverSim::printsEachCommandWithItsTimeAndStops()
{
    Simulator sim({});
    SystemClock clock;
    auto channel = makeSerialChannel();
    QVERIFY(channel->open(1, QStringLiteral("9600,N,8,1")));
    ask(*channel, clock, QStringLiteral("R R"));
    ask(*channel, clock, QStringLiteral("RE C 2"));
    channel->close();
    QVERIFY(sim.stop());
    QVERIFY(!sim.running());
    const QList<QByteArray> lines = sim.output().split('\n');
    const QRegularExpression stamp(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  (.*)$"));
    QStringList commands;
    for (const QByteArray &line : lines) {
        const QRegularExpressionMatch m = stamp.match(QString::fromLatin1(line));
        if (m.hasMatch())
            commands.append(m.captured(1));
    }
    QCOMPARE(commands, (QStringList{QStringLiteral("R R"), QStringLiteral("RE C 2")}));
}

QTEST_GUILESS_MAIN(tst_ReceiverSim)
#include "tst_receiversim.moc"
