#pragma once

#include "fakereceivers.h"
#include "testdata.h"

#include "station/station.h"
#include "platform/clock.h"
#include "platform/parallelport.h"

#include <QApplication>
#include <QPushButton>
#include <QWidget>

// A started station whose serial controls reach simulated receivers, for the
// windows that talk to a receiver. Receiver 1 is on port 1, receiver 2 on
// port 2; each receiver answers its relay status with its own number.
class ReceiverBench
{
public:
    explicit ReceiverBench(int twoReceivers = 0)
        : clock(QDateTime(QDate(2026, 3, 2), QTime(10, 0, 0))), fake(clock),
          station(clock, openParallelPort(simulatedPort(home)))
    {
        station.serialChannels = fake.factory();
        QString error;
        if (!station.InitProgram(&error))
            qFatal("start-up failed: %s", qPrintable(error));
        station.settings.BaudChoice = 1;
        station.settings.Receiver1Port = 1;
        station.settings.Receiver2Port = 2;
        station.settings.TwoReceivers = twoReceivers;
        station.settings.ReceiverModel = QStringLiteral("0");
        fake.answer = [](int port, const QByteArray &line) -> QByteArray {
            if (line == "R R")
                return "Receiver " + QByteArray::number(port) + " relays\r\nRelay 1: Open\r\n>";
            if (line == "R ER")
                return "Receiver " + QByteArray::number(port) + " extended relays\r\n>";
            // Every command line is answered with the prompt.
            if (line.startsWith("RE ") || line.startsWith("ER ") || line.startsWith("SETAUDIO "))
                return "\r\n>";
            if (line == "R M")
                return "MPEG locked\r\n>";
            if (line == "RT C")
                return "Carrier\r\n" + QByteArray(720, 'c') + "\r\n>";
            return {};
        };
    }

    // Windows hold the station and their simulated ports: they go first.
    ~ReceiverBench()
    {
        QWidgetList windows;
        while (!(windows = QApplication::topLevelWidgets()).isEmpty())
            delete windows.first();
    }

    qint64 elapsedMs() const { return QDateTime(QDate(2026, 3, 2), QTime(10, 0, 0)).msecsTo(clock.now()); }

    static QString simulatedPort(const TestHome &home)
    {
        home.write(QStringLiteral("parport"), QByteArray(2, '\0'));
        return home.file(QStringLiteral("parport"));
    }

    TestHome home;
    ManualClock clock;
    FakeReceivers fake;
    Station station;
};

// Button `index` of a window's control array.
inline QPushButton *arrayButton(QWidget *window, const QString &name, int index)
{
    for (QPushButton *button : window->findChildren<QPushButton *>(name))
        if (button->property("index").toInt() == index)
            return button;
    return nullptr;
}
