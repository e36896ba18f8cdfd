#include "station.h"

#include "station/activitylog.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/filewrite.h"
#include "platform/journal.h"
#include "platform/paths.h"
#include "platform/parallelport.h"


namespace {
// The reason names the file.
bool failFile(const QString &reason, QString *error)
{
    if (error)
        *error = QStringLiteral("Kestrelpoint cannot start: %1.").arg(reason);
    return false;
}
} // namespace

Station::Station(Clock &clock, std::unique_ptr<ParallelPort> port, QObject *parent)
    : QObject(parent), stats(clock), m_clock(clock), m_port(std::move(port))
{
}

Station::~Station() = default;

bool Station::InitProgram(QString *error)
{
    const QString data = Paths::dataDir();
    if (!Paths::makeFolder(data, error) || !Paths::makeFolder(Paths::logsDir(), error))
        return false;
    FileWrite::removeLeftovers(data);
    QString reason;
    if (!SettingsFiles::ReadTimeResetFile(data, settings, &reason))
        return failFile(reason, error);
    const QString schedulePath = Paths::dataFile(QStringLiteral("SwitchList.dat"));
    if (!m_store.OpenScheduleFile(schedulePath, &reason))
        return failFile(reason, error);
    if (!SettingsFiles::ReadSettingsFile(data, settings, &reason))
        return failFile(reason, error);
    BuildSwitchList1();
    if (settings.twoReceivers())
        BuildSwitchList2();
    WritePortBits();
    return true;
}

void Station::buildSwitchList(int receiver)
{
    SwitchListBuild build = BuildSwitchList(m_store, receiver, settings.TwoReceivers, m_clock.now());
    const int i = index(receiver);
    m_lists[i] = std::move(build.entries);
    takeNextSwitch(m_store, m_lists[i], m_next[i]);
    if (!build.badTimes.isEmpty())
        ShowErrorMessage(build.badTimes.join(QLatin1Char('\n')));
    Q_EMIT switchListChanged(receiver);
}

quint8 Station::portByte() const
{
    int value = 0;
    for (int i = 0; i < 8; ++i)
        value += PortBits[i] << i;
    return quint8(value);
}

void Station::WritePortBits()
{
    m_port->writeData(portByte());
}

void Station::WriteActivityLog(const QString &activityText, int receiver)
{
    if (settings.ActivityLogOn != 1)
        return;
    // The journal and the status page have the line even when the file
    // could not take it.
    if (!::WriteActivityLog(settings, m_clock.now(), activityText))
        stats.logWriteFailed(LogKind::Activity);
    stats.activityLine(activityText);
    Journal::send(Journal::Info, activityText, receiver);
}
