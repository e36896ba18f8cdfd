#include "teststation.h"

#include "platform/parallelport.h"

namespace {
QString idlePort(const TestHome &home)
{
    home.write(QStringLiteral("parport"), QByteArray("\x00\x7f", 2));
    return home.file(QStringLiteral("parport"));
}
} // namespace

QByteArray carrierAnswer(const QByteArray &value)
{
    QByteArray answer;
    for (int line = 1; line <= 11; ++line)
        answer += "Carrier line " + QByteArray::number(line) + "\r\n";
    return answer + value.rightJustified(24, ' ') + "\r\n>";
}

TestStation::TestStation(const QDateTime &start)
    : clock(start), receivers(clock), station(clock, openParallelPort(idlePort(home)))
{
    station.serialChannels = receivers.factory();
    QString error;
    if (!station.InitProgram(&error))
        qFatal("start-up failed: %s", qPrintable(error));
    StationSettings &s = station.settings;
    s.Receiver1Port = 1;
    s.Receiver2Port = 2;
    s.BaudChoice = 1;
    s.ActivityLogOn = 1;
    s.ReceiverModel = QStringLiteral("0");
    receivers.answer = [this](int port, const QByteArray &line) -> QByteArray {
        if (line == "R C")
            return carrierAnswer(ebNo[port == 2 ? 1 : 0]);
        if (line == "R M")
            return "MPEG locked\r\n>";
        return "\r\n>";
    };
}

int TestStation::addSchedule(const ScheduleRecord &schedule, int n)
{
    if (n == 0)
        n = station.store().recordCount() + 1;
    QString error;
    if (!station.store().WriteScheduleRecord(n, BuildScheduleRecord(schedule), &error))
        qFatal("cannot write schedule %d: %s", n, qPrintable(error));
    station.BuildSwitchList1();
    station.BuildSwitchList2();
    return n;
}

QByteArray TestStation::log(const char *prefix, const QDate &day) const
{
    const QDate date = day.isValid() ? day : clock.today();
    return home.read(QStringLiteral("logs/") + QLatin1String(prefix) + date.toString(QStringLiteral("yyMMdd"))
                     + QStringLiteral(".log"));
}

quint8 TestStation::outputByte() const
{
    return quint8(home.read(QStringLiteral("parport")).at(0));
}

void TestStation::setInputs(quint8 status) const
{
    home.write(QStringLiteral("parport"), QByteArray(1, char(outputByte())) + char(status));
}
