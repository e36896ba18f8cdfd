#include "simreceiver.h"

#include <QList>

namespace {

const QByteArray kEnd = "\r\n";

QByteArray lines(const QList<QByteArray> &texts)
{
    QByteArray out;
    for (const QByteArray &t : texts)
        out += t + kEnd;
    return out + '>';
}

QByteArray field(const QByteArray &line, int position, int width)
{
    return line.mid(position - 1, width).trimmed();
}

QByteArray routeName(const QByteArray &letter)
{
    if (letter == "1")
        return "Left";
    if (letter == "2")
        return "Right";
    if (letter == "S")
        return "Stereo";
    if (letter == "R")
        return "Rev Stereo";
    return "(none)";
}

} // namespace

SimReceiver::SimReceiver(double ebNo, double drift, quint32 seed) : m_ebNo(ebNo), m_drift(drift), m_random(seed)
{
}

QByteArray SimReceiver::withoutPrompt(const QByteArray &answer)
{
    return answer.endsWith('>') ? answer.left(answer.size() - 1) : answer;
}

QByteArray SimReceiver::answer(const QByteArray &line)
{
    const QByteArray command = line.trimmed();
    if (command.isEmpty())
        return ">";
    if (command == "R C")
        return carrierData();
    if (command == "RT C")
        return carrierStatus();
    if (command == "R M")
        return mpegStatus();
    if (command == "R R")
        return relayStatus();
    if (command == "R ER")
        return extendedRelayStatus();
    if (command == "R SP")
        return portSettings();
    if (command == "R S")
        return settings();
    if (line.startsWith("SETAUDIO "))
        return setAudio(line);
    if (command.startsWith("RE "))
        return setRelay(command);
    if (command.startsWith("ER "))
        return setExtendedRelay(command);
    return lines({"ERROR 01: unknown command " + command});
}

// The Eb/No stands right-aligned at the end of the twelfth line, far enough
// from its label that the line's last 19 characters hold only the value.
QByteArray SimReceiver::carrierData()
{
    const QByteArray value = QByteArray::number(m_ebNo, 'f', 1);
    if (m_drift > 0) {
        m_ebNo += (m_random.generateDouble() * 2.0 - 1.0) * m_drift;
        m_ebNo = qBound(0.0, m_ebNo, 25.0);
    }
    return lines({
        "CARRIER DATA",
        "Tuner          : L-Band 1",
        "Frequency (MHz): 1210.000",
        "Symbol rate    : 19.510 Msps",
        "Modulation     : QPSK",
        "FEC rate       : 3/4",
        "Polarization   : Horizontal",
        "Carrier lock   : Locked",
        "Signal (dBm)   : -42",
        "AGC            : 128",
        "BER            : 1.0E-08",
        "Eb/No (dB)     :" + QByteArray(12, ' ') + value.rightJustified(8),
        "Frame sync     : Locked",
    });
}

QByteArray SimReceiver::carrierStatus() const
{
    QList<QByteArray> texts{"CARRIER STATUS"};
    const char *names[] = {"Tuner",        "Frequency",  "Symbol rate",  "Modulation",     "FEC rate",
                           "Carrier lock", "Frame sync", "Viterbi lock", "Demodulator",    "Signal level",
                           "AGC",          "BER",        "Eb/No",        "Carrier offset", "Uptime"};
    int i = 0;
    for (const char *name : names)
        texts.append(QByteArray(name).leftJustified(16, '.') + " status " +
                     QByteArray::number(++i).rightJustified(3, '0') + "  nominal, within limits");
    texts.append("Eb/No (dB)      " + QByteArray::number(m_ebNo, 'f', 1));
    return lines(texts);
}

QByteArray SimReceiver::mpegStatus() const
{
    QList<QByteArray> texts{"MPEG STATUS", "Decoder        : Locked",
                            "Last command   : " + (m_lastSetAudio.isEmpty() ? QByteArray("(none)") : m_lastSetAudio)};
    for (int i = 0; i < int(m_outputs.size()); ++i) {
        const AudioOutput &o = m_outputs[i];
        texts.append("Audio port " + QByteArray::number(i + 1) + "   : source " + o.source.leftJustified(3) +
                     " route " + routeName(o.route) + " atten " + o.attenuation);
    }
    return lines(texts);
}

QByteArray SimReceiver::relayStatus() const
{
    return lines({"RELAY STATUS", "Relay 1: " + QByteArray(m_relayClosed[0] ? "Closed" : "Open"),
                  "Relay 2: " + QByteArray(m_relayClosed[1] ? "Closed" : "Open")});
}

QByteArray SimReceiver::extendedRelayStatus() const
{
    QList<QByteArray> texts{"EXTENDED RELAY STATUS"};
    for (int i = 0; i < int(m_extendedClosed.size()); ++i)
        texts.append("Relay " + QByteArray::number(i + 1).rightJustified(2) + ": " +
                     QByteArray(m_extendedClosed[i] ? "Closed" : "Open"));
    return lines(texts);
}

QByteArray SimReceiver::portSettings() const
{
    return lines({"SERIAL PORT", "Baud rate : 9600", "Data bits : 8", "Parity    : None", "Stop bits : 1"});
}

QByteArray SimReceiver::settings() const
{
    return lines({"RECEIVER SETTINGS", "Model          : Unity 4K", "Firmware       : 2.31", "Unit address   : 001",
                  "Audio outputs  : 6", "Relays         : 2 + 14 extended"});
}

// "SETAUDIO p r LLL aa " (4K) or, from a program set for the 500 model,
// "SETAUDIO r LLL aa ".
QByteArray SimReceiver::setAudio(const QByteArray &line)
{
    const char portChar = line.size() > 9 ? line.at(9) : ' ';
    const bool fourK =
        line.size() > 10 && line.at(10) == ' ' && (portChar == ' ' || (portChar >= '1' && portChar <= '6'));
    AudioOutput out;
    int port = 1;
    if (fourK) {
        port = portChar == ' ' ? 0 : portChar - '0';
        out.route = field(line, 12, 1);
        out.source = field(line, 14, 3);
        out.attenuation = field(line, 18, 2);
    } else {
        out.route = field(line, 10, 1);
        out.source = field(line, 12, 3);
        out.attenuation = field(line, 16, 2);
    }
    m_lastSetAudio = line.trimmed();
    if (port < 1)
        return lines({"ERROR 02: no audio port"});
    m_outputs[port - 1] = out;
    return lines({"OK"});
}

QByteArray SimReceiver::setRelay(const QByteArray &command)
{
    const QList<QByteArray> parts = command.split(' ');
    const int n = parts.value(2).toInt();
    if (parts.size() != 3 || (parts.at(1) != "O" && parts.at(1) != "C") || n < 1 || n > 2)
        return lines({"ERROR 03: bad relay command"});
    m_relayClosed[n - 1] = parts.at(1) == "C";
    return lines({"OK"});
}

QByteArray SimReceiver::setExtendedRelay(const QByteArray &command)
{
    const QList<QByteArray> parts = command.split(' ');
    const int n = parts.value(2).toInt();
    if (parts.size() != 3 || (parts.at(1) != "D" && parts.at(1) != "E") || n < 1 || n > 14)
        return lines({"ERROR 03: bad relay command"});
    m_extendedClosed[n - 1] = parts.at(1) == "E";
    return lines({"OK"});
}
