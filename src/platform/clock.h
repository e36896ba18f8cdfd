#pragma once

#include <QDateTime>
#include <QString>

// The program's only source of the date and time. Logic asks the clock, never
// QDateTime directly, so that tests can place the program at any moment.
class Clock
{
public:
    virtual ~Clock() = default;

    virtual QDateTime now() const = 0;
    // Milliseconds on a clock that only ever runs forward at the pace of real
    // time, whatever is done to the time of day: comparing the two tells a
    // program that stood still from a clock that was moved.
    virtual qint64 monotonicMs() const = 0;
    // Sets the time of day, keeping the date. False with a reason when refused.
    virtual bool setTimeOfDay(const QTime &time, QString *error) = 0;
    // Lets time pass without doing anything else.
    virtual void sleepMs(int ms) = 0;

    QDate today() const { return now().date(); }
    // Seconds since local midnight with their fraction, 0 <= x < 86400.
    double secondsSinceMidnight() const;
    // The clock text "HH:MM:SS".
    QString clockText() const;
};

// Rounds to the nearest whole number, a half going to the even neighbour.
int roundHalfEven(double value);

class SystemClock final : public Clock
{
public:
    QDateTime now() const override;
    qint64 monotonicMs() const override;
    // Sets the system clock with clock_settime (needs CAP_SYS_TIME). When
    // $KESTRELPOINT_CLOCK_DRYRUN names a file, appends the new time to it
    // instead and leaves the clock alone.
    bool setTimeOfDay(const QTime &time, QString *error) override;
    void sleepMs(int ms) override;
};

// A clock that stands still until told to move: for tests and benchmarks.
// advanceMs() and set() let time pass; jump() and setTimeOfDay() move the
// time of day alone, as a daylight-saving change or a manual setting does.
class ManualClock final : public Clock
{
public:
    explicit ManualClock(const QDateTime &start = {}) : m_now(start) {}

    QDateTime now() const override { return m_now; }
    qint64 monotonicMs() const override { return m_monotonic; }
    bool setTimeOfDay(const QTime &time, QString *error) override;
    void sleepMs(int ms) override { advanceMs(ms); }

    void set(const QDateTime &moment)
    {
        m_monotonic += qMax<qint64>(0, m_now.msecsTo(moment));
        m_now = moment;
    }
    void advanceMs(qint64 ms) { set(m_now.addMSecs(ms)); }
    void jump(const QDateTime &moment) { m_now = moment; }

    QList<QTime> timesSet;   // every successful setTimeOfDay
    QString refusal;         // when not empty, setTimeOfDay refuses with it

private:
    QDateTime m_now;
    qint64 m_monotonic = 0;
};
