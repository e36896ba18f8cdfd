#include "clock.h"

#include "codec.h"
#include "filewrite.h"

#include <QThread>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>

double Clock::secondsSinceMidnight() const
{
    return now().time().msecsSinceStartOfDay() / 1000.0;
}

QString Clock::clockText() const
{
    return now().time().toString(QStringLiteral("HH:mm:ss"));
}

int roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5)
        return int(floor) + 1;
    if (diff < 0.5)
        return int(floor);
    return (std::fmod(floor, 2.0) == 0.0) ? int(floor) : int(floor) + 1;
}

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

qint64 SystemClock::monotonicMs() const
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool SystemClock::setTimeOfDay(const QTime &time, QString *error)
{
    const QDateTime target(QDate::currentDate(), time);
    const QString dryRun = qEnvironmentVariable("KESTRELPOINT_CLOCK_DRYRUN");
    // Written straight through and checked: a line that did not reach the
    // file is a clock that was not set.
    if (!dryRun.isEmpty())
        return FileWrite::append(dryRun, Codec::toWindows1252(target.toString(Qt::ISODate)) + "\n", error);
    timespec ts{};
    ts.tv_sec = target.toSecsSinceEpoch();
    if (clock_settime(CLOCK_REALTIME, &ts) != 0) {
        const int err = errno;
        if (error) {
            *error = QString::number(err) + QStringLiteral("  ") + QString::fromLocal8Bit(std::strerror(err));
            if (err == EPERM)
                *error += QStringLiteral(". The program needs the right to set the clock: "
                                         "sudo setcap cap_sys_time+ep on the kestrelpoint program.");
        }
        return false;
    }
    return true;
}

void SystemClock::sleepMs(int ms)
{
    if (ms > 0)
        QThread::msleep(ulong(ms));
}

bool ManualClock::setTimeOfDay(const QTime &time, QString *error)
{
    if (!refusal.isEmpty()) {
        if (error)
            *error = refusal;
        return false;
    }
    m_now = QDateTime(m_now.date(), time);
    timesSet.append(time);
    return true;
}
