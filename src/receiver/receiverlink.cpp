#include "receiverlink.h"

#include "station/station.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/paths.h"
#include "platform/serialchannel.h"
#include "receiver/conversation.h"
#include "receiver/dailylog.h"
#include "receiver/ebno.h"
#include "receiver/mpeglog.h"
#include "receiver/switchcommand.h"
#include "schedule/schedulerecord.h"

ReceiverLink::ReceiverLink(Station &station) : m_station(station)
{
}

ReceiverLink::~ReceiverLink() = default;

SerialChannel &ReceiverLink::channel()
{
    // Made on first use, so that the factory the program (or a test) puts on
    // the station is the one used.
    if (!m_channel)
        m_channel = m_station.serialChannels();
    return *m_channel;
}

bool ReceiverLink::SendCommand(int activePort, const QString &sendText)
{
    m_station.ActivePort = activePort;
    SerialChannel &port = channel();
    if (!port.open(activePort, m_station.lineSettings())) {
        ShowErrorMessage(Conversation::portErrorText(port) + QStringLiteral(" Command not sent."));
        return false;
    }
    port.clearInput();
    if (!port.write(Conversation::commandLine(sendText))) {
        const QString error = Conversation::portErrorText(port);
        port.close();
        ShowErrorMessage(error + QStringLiteral(" Command not sent."));
        return false;
    }
    port.close();
    return true;
}

bool ReceiverLink::SwitchReceiver(int receiver, int record)
{
    const QString which = QStringLiteral("receiver %1").arg(receiver);
    const std::optional<QString> raw = m_station.store().ReadScheduleRecord(record);
    if (!raw) {
        ShowErrorMessage(QStringLiteral("Schedule %1 for %2 cannot be read from %3. Command not sent.")
                             .arg(QString::number(record), which, m_station.store().path()));
        return false;
    }
    const ScheduleRecord schedule = ParseScheduleRecord(*raw);
    // The schedule may have been deleted since the list was built; its slot
    // holds no fields to send.
    if (!schedule.inUse()) {
        ShowErrorMessage(QStringLiteral("Schedule %1 for %2 is no longer in use. Command not sent.")
                             .arg(QString::number(record), which));
        return false;
    }
    const StationSettings &settings = m_station.settings;
    const std::optional<QString> sendText =
        SetAudioCommand(settings.ReceiverModel, schedule.SatPort, schedule.SatRoute, schedule.SatLang, schedule.SatAtt);
    if (!sendText) {
        ShowErrorMessage(QStringLiteral("The receiver model is not set: choose 4K or 500 in SetUp. Command not sent."));
        return false;
    }
    const bool sent = SendCommand(settings.receiverPort(receiver), *sendText);
    // The line is logged even when the send failed: the error window has
    // said so, and the second send of the cycle tries again.
    m_station.WriteActivityLog(switchActivityText(receiver, settings.TwoReceivers, schedule.PgmName, *sendText),
                               receiver);
    return sent;
}

void ReceiverLink::showReadingFailure(int number, const QString &description)
{
    ShowErrorMessage(QString::number(number) + QLatin1Char(' ') + description +
                     QStringLiteral(".  Make sure the folder ") + Paths::logsDir() + QStringLiteral(" exists."));
}

std::optional<QByteArray> ReceiverLink::readInto(DailyLogFile &log, LogKind reading, int receiver, int portNumber,
                                                 const QString &query)
{
    Clock &clock = m_station.clock();
    SerialChannel &port = channel();
    if (!port.open(portNumber, m_station.lineSettings())) {
        m_station.stats.readingFailed(reading, receiver, false);
        showReadingFailure(port.errorNumber(), port.errorText());
        return std::nullopt;
    }
    port.clearInput();
    const QString prefix = reading == LogKind::EbNo ? QStringLiteral("EB") : QStringLiteral("MP");
    if (!log.open(Paths::logFile(prefix, clock.today()))) {
        port.close();
        m_station.stats.logWriteFailed(reading);
        m_station.stats.readingFailed(reading, receiver, false);
        showReadingFailure(log.errorNumber(), log.errorDescription());
        return std::nullopt;
    }
    if (!port.write(Conversation::commandLine(query))) {
        const int number = port.errorNumber();
        const QString text = port.errorText();
        port.close();
        log.close();
        m_station.stats.readingFailed(reading, receiver, false);
        showReadingFailure(number, text);
        return std::nullopt;
    }
    QByteArray buffer;
    Conversation::collect(port, clock, Conversation::limitA(clock), Conversation::kPromptAnywhere, buffer);
    return Conversation::answerThroughPrompt(buffer);
}

void ReceiverLink::ReadEbNo(int activePort, const QString &receiverTag)
{
    m_station.ActivePort = activePort;
    DailyLogFile log;
    const int receiver = receiverTag == QLatin1String("R1") ? 1 : receiverTag == QLatin1String("R2") ? 2 : 0;
    const std::optional<QByteArray> answer = readInto(log, LogKind::EbNo, receiver, activePort, QStringLiteral("R C"));
    if (!answer)
        return;
    const QString value = EbNoValue(*answer);
    const StationSettings &settings = m_station.settings;
    const std::optional<QByteArray> line =
        ebNoLogLine(m_station.clock().now().time(), settings.TwoReceivers, receiverTag, value);
    const bool written = (!line || log.write(*line)) && log.close();
    channel().close();
    if (!written) {
        m_station.stats.logWriteFailed(LogKind::EbNo);
        m_station.stats.readingFailed(LogKind::EbNo, receiver, !answer->isEmpty());
        showReadingFailure(log.errorNumber(), log.errorDescription());
        return;
    }
    m_station.stats.ebNoRead(receiver, value, !answer->isEmpty());
    if (!settings.twoReceivers())
        return;
    if (receiverTag == QLatin1String("R1"))
        LastEbNo1 = EbNoNumber(value);
    else if (receiverTag == QLatin1String("R2"))
        LastEbNo2 = EbNoNumber(value);
    setBetterReceiverBits(m_station.PortBits, LastEbNo1, LastEbNo2);
    m_station.WritePortBits();
}

void ReceiverLink::ReadMpeg(const QString &receiverTag)
{
    const StationSettings &settings = m_station.settings;
    if (receiverTag == QLatin1String("1"))
        m_station.ActivePort = settings.Receiver1Port;
    else if (receiverTag == QLatin1String("2"))
        m_station.ActivePort = settings.Receiver2Port;
    DailyLogFile log;
    const int receiver = receiverTag == QLatin1String("1") ? 1 : receiverTag == QLatin1String("2") ? 2 : 0;
    const std::optional<QByteArray> answer =
        readInto(log, LogKind::Mpeg, receiver, m_station.ActivePort, QStringLiteral("R M"));
    if (!answer)
        return;
    const QByteArray entry = mpegLogEntry(m_station.clock().now().time(), settings.TwoReceivers, receiverTag, *answer);
    const bool written = log.write(entry) && log.close();
    channel().close();
    if (!written) {
        m_station.stats.logWriteFailed(LogKind::Mpeg);
        m_station.stats.readingFailed(LogKind::Mpeg, receiver, !answer->isEmpty());
        showReadingFailure(log.errorNumber(), log.errorDescription());
        return;
    }
    m_station.stats.mpegRead(receiver, !answer->isEmpty());
}
