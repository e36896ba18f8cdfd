#pragma once

#include "station/stationstats.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class DailyLogFile;
class SerialChannel;
class Station;

// The main window's serial control and everything that goes over it: the
// switch commands of the schedule, the Set Receiver window's commands, and
// the Eb/No and MPEG readings with their daily logs. Each call opens the
// port, talks, and closes it again on every path, so the relay and status
// windows' own controls can open the same port afterwards. Failures are
// shown in the error window and never retried here.
class ReceiverLink
{
public:
    explicit ReceiverLink(Station &station);
    ~ReceiverLink();
    ReceiverLink(const ReceiverLink &) = delete;
    ReceiverLink &operator=(const ReceiverLink &) = delete;

    // Writes the text and one carriage return to the port, reading nothing.
    // False when the port could not be opened or written; the error window
    // then ends in " Command not sent.".
    bool SendCommand(int activePort, const QString &sendText);

    // Sends the "SETAUDIO " command of schedule `record`, as it stands in
    // the schedule file now, on the receiver's port and logs the program
    // name with the command in the activity log. False when no command went
    // out; the error window has said why.
    bool SwitchReceiver(int receiver, int record);

    // Asks for the carrier data ("R C") and appends the Eb/No value to the
    // day's Eb/No log; receiverTag is "R1" or "R2". With two receivers the
    // output bits 3 and 4 then show which receiver has the better carrier.
    void ReadEbNo(int activePort, const QString &receiverTag);
    // Asks for the MPEG status ("R M") and appends the answer to the day's
    // MPEG log; receiverTag "1" or "2" chooses the receiver's port, any other
    // leaves the port of the last conversation.
    void ReadMpeg(const QString &receiverTag);

    // Whole-number Eb/No of each receiver's latest reading (two receivers).
    int LastEbNo1 = 0;
    int LastEbNo2 = 0;

private:
    SerialChannel &channel();
    // Opens the port and the log, writes the query and collects the answer.
    // Nothing when a step failed; the port and the log are closed then and
    // the error window has been shown.
    // The failure is counted for the receiver (1 or 2; 0 counts nothing).
    std::optional<QByteArray> readInto(DailyLogFile &log, LogKind reading, int receiver, int port, const QString &query);
    void showReadingFailure(int number, const QString &description);

    Station &m_station;
    std::unique_ptr<SerialChannel> m_channel;
};
