#pragma once

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>

#include <array>

// What a Unity 4K receiver answers to each command of its serial interface,
// and the little state the answers reflect: the audio outputs set by
// "SETAUDIO ", the two relays and the fourteen extended relays. Every answer
// is CR LF lines ending with the prompt ">".
class SimReceiver
{
public:
    SimReceiver(double ebNo, double drift, quint32 seed);

    // The full answer to one command line (without its carriage return).
    QByteArray answer(const QByteArray &line);
    // The same answer without the closing prompt.
    static QByteArray withoutPrompt(const QByteArray &answer);

    // The value the next "R C" reports.
    double ebNo() const { return m_ebNo; }

private:
    struct AudioOutput
    {
        QByteArray source = "---";
        QByteArray route = "S";
        QByteArray attenuation = "0";
    };

    QByteArray carrierData();
    QByteArray carrierStatus() const;
    QByteArray mpegStatus() const;
    QByteArray relayStatus() const;
    QByteArray extendedRelayStatus() const;
    QByteArray portSettings() const;
    QByteArray settings() const;
    QByteArray setAudio(const QByteArray &line);
    QByteArray setRelay(const QByteArray &line);
    QByteArray setExtendedRelay(const QByteArray &line);

    double m_ebNo;
    double m_drift;
    QRandomGenerator m_random;
    std::array<AudioOutput, 6> m_outputs;
    QByteArray m_lastSetAudio;
    std::array<bool, 2> m_relayClosed{};
    std::array<bool, 14> m_extendedClosed{};
};
