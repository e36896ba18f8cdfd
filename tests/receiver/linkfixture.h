#pragma once

#include "fakereceivers.h"
#include "testdata.h"

#include "station/station.h"
#include "platform/clock.h"
#include "platform/parallelport.h"
#include "schedule/schedulerecord.h"

#include <QtTest>

#include <memory>

// A station on a temporary data folder, a simulated parallel-port file and
// simulated receivers, its clock standing at `start`.
struct LinkFixture
{
    explicit LinkFixture(const QDateTime &start) : clock(start), fake(clock)
    {
        home.write(QStringLiteral("parport"), QByteArray(2, '\0'));
        station = std::make_unique<Station>(clock, openParallelPort(home.file(QStringLiteral("parport"))));
        station->serialChannels = fake.factory();
        QString error;
        if (!station->InitProgram(&error))
            qFatal("InitProgram: %s", qPrintable(error));
        station->settings.Receiver1Port = 1;
        station->settings.Receiver2Port = 2;
        station->settings.BaudChoice = 1;
        station->settings.ReceiverModel = QStringLiteral("0");
        station->settings.ActivityLogOn = 1;
    }

    QByteArray log(const QString &prefix, const QDate &day) const
    {
        return home.read(QStringLiteral("logs/") + prefix + day.toString(QStringLiteral("yyMMdd")) +
                         QStringLiteral(".log"));
    }
    bool logExists(const QString &prefix, const QDate &day) const
    {
        return QFile::exists(home.file(QStringLiteral("logs/") + prefix + day.toString(QStringLiteral("yyMMdd")) +
                                       QStringLiteral(".log")));
    }
    // The data register as the simulated port file holds it.
    quint8 outputByte() const { return quint8(home.read(QStringLiteral("parport")).at(0)); }

    // A schedule of `receiver` at `time` every day, as record `n`; then the
    // receiver's list is rebuilt so that it is the next switch.
    void addSchedule(int n, int receiver, const QString &time, const QString &name = QStringLiteral("Morning News"),
                     const QString &port = QStringLiteral("2"), const QString &route = QStringLiteral("2"),
                     const QString &lang = QStringLiteral("ENG"), const QString &att = QStringLiteral("7"))
    {
        ScheduleRecord r;
        r.PgmName = name;
        r.SatLen = QStringLiteral("05:00");
        r.SatLang = lang;
        r.SatPort = port;
        r.SatRoute = route;
        r.SatAtt = att;
        r.RemoteStart = 1;
        r.Receiver = receiver;
        r.SwitchTime.fill(time);
        QString error;
        if (!station->store().WriteScheduleRecord(n, BuildScheduleRecord(r), &error))
            qFatal("WriteScheduleRecord: %s", qPrintable(error));
        station->buildSwitchList(receiver);
    }

    TestHome home;
    ManualClock clock;
    FakeReceivers fake;
    std::unique_ptr<Station> station;
};

inline QDateTime moment(const QString &time, int day = 7)
{
    return QDateTime(QDate(2026, 12, day), QTime::fromString(time, QStringLiteral("HH:mm:ss.zzz")));
}
