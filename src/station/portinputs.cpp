#include "portinputs.h"

#include "station/station.h"
#include "station/switchlist.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/parallelport.h"

#include <QRegularExpression>

std::optional<QString> PortInputs::ReadPortInputs()
{
    std::optional<QString> label;
    const int status = m_station.parallelPort().readStatus();
    InputBits = 127 - status;
    if (InputBits == 0)
        label = QString();
    if (InputBits >= 64)
        InputBits -= 64;
    if (InputBits >= 32)
        InputBits -= 32;

    if (InputBits < 16) {
        AlarmLatched = 0;
        m_station.stats.alarm(false);
    } else {
        InputBits -= 16;
        if (AlarmLatched == 0) {
            AlarmLatched = 1;
            m_station.stats.alarm(true);
            m_station.WriteActivityLog(QStringLiteral("Alarm"));
            label = QStringLiteral("Alarm");
        }
    }

    if (InputBits < 8)
        TimeSetLatched = 0;
    if (TimeSetLatched == 0 && InputBits == 8
        && m_station.clock().clockText().mid(3, 2) == m_station.settings.ClockResetTime.left(2)) {
        if (std::optional<QString> set = setClock())
            label = set;
    }
    return label;
}

// Sets the clock to the stored minute and second of the current hour. Only a
// real time of day is set; a half-typed reset time or a refusal of the
// system is told once per activation and nothing is logged as set.
std::optional<QString> PortInputs::setClock()
{
    TimeSetLatched = 1;
    Clock &clock = m_station.clock();
    const QString old = clock.clockText();
    const QString reset = m_station.settings.ClockResetTime;
    const QString wanted = old.left(3) + reset.left(5);
    static const QRegularExpression exact(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    const std::optional<int> seconds = exact.match(wanted).hasMatch() ? TimeTextToSeconds(wanted) : std::nullopt;
    if (!seconds) {
        ShowErrorMessage(QStringLiteral("The clock was not set: the reset time \"%1\" with the hour %2 is not a time "
                                        "of day. Enter the reset time as MM:SS in SetUp.")
                             .arg(reset, old.left(2)));
        m_station.stats.clockSet(ClockSetResult::Invalid);
        return std::nullopt;
    }
    QString error;
    if (!clock.setTimeOfDay(QTime::fromMSecsSinceStartOfDay(*seconds * 1000), &error)) {
        ShowErrorMessage(QStringLiteral("The clock was not set to %1: %2").arg(wanted, error));
        m_station.stats.clockSet(ClockSetResult::Refused);
        return std::nullopt;
    }
    m_station.stats.clockSet(ClockSetResult::Set);
    m_station.WriteActivityLog(QStringLiteral("Time Set ") + old);
    return QStringLiteral("Time Set");
}
