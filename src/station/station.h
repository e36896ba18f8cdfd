#pragma once

#include "station/stationstats.h"
#include "station/switchlist.h"
#include "schedule/schedulestore.h"
#include "platform/serialchannel.h"
#include "settings/stationsettings.h"

#include <QObject>

#include <array>
#include <memory>

class Clock;
class ParallelPort;

// The program's shared state for the whole run: the settings, the open
// schedule store, each receiver's coming switches and next switch, the
// parallel-port output bits, and the few values a window hands to the next
// (the port and query of a status window, the kind of log a viewer shows).
class Station : public QObject
{
    Q_OBJECT

public:
    Station(Clock &clock, std::unique_ptr<ParallelPort> port, QObject *parent = nullptr);
    ~Station() override;

    // Start-up: the folders, the three data files (created empty when
    // missing), TimeReset.ini, the open schedule file, the settings, both
    // switch lists and a cleared output byte. False with a message naming the
    // path and the system's reason when a folder or file cannot be had.
    bool InitProgram(QString *error);

    Clock &clock() const { return m_clock; }
    ParallelPort &parallelPort() const { return *m_port; }
    ScheduleStore &store() { return m_store; }
    const ScheduleStore &store() const { return m_store; }

    StationSettings settings;
    // What the status server reports; changed where the events happen.
    StationStats stats;

    // Rebuilds a receiver's list from the schedule file and the clock. A
    // switch time that is no time of day is left out and reported.
    void buildSwitchList(int receiver);
    void BuildSwitchList1() { buildSwitchList(1); }
    void BuildSwitchList2() { buildSwitchList(2); }
    const QList<SwitchEntry> &switchList(int receiver) const { return m_lists[index(receiver)]; }
    const NextSwitch &nextSwitch(int receiver) const { return m_next[index(receiver)]; }

    // Output bits 0 to 7 of the parallel port's data register.
    std::array<int, 8> PortBits{};
    quint8 portByte() const;
    void WritePortBits();

    // An activity-log line now, when the activity log is on; the line also
    // goes to the journal, with the receiver (1 or 2) it concerns, if any.
    void WriteActivityLog(const QString &activityText, int receiver = 0);

    // Makes the serial control of each window that talks to a receiver;
    // tests put a simulated receiver here.
    SerialChannelFactory serialChannels = makeSerialChannel;
    // The settings text of every conversation: "9600,N,8,1" or "19200,N,8,1".
    QString lineSettings() const { return BaudRates().value(settings.BaudChoice) + QStringLiteral(",N,8,1"); }

    // Values one window hands to the next.
    int ActivePort = 0;
    QString CommandText;
    QString LogKind;
    QString PurgeInterval;

Q_SIGNALS:
    void switchListChanged(int receiver);
    // TwoReceivers was changed while the program runs; the main window shows
    // or hides receiver 2's controls.
    void receiverCountChanged();

private:
    static int index(int receiver) { return receiver == 2 ? 1 : 0; }

    Clock &m_clock;
    std::unique_ptr<ParallelPort> m_port;
    ScheduleStore m_store;
    std::array<QList<SwitchEntry>, 2> m_lists;
    std::array<NextSwitch, 2> m_next;
};
