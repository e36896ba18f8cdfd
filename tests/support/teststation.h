#pragma once

#include "fakereceivers.h"
#include "testdata.h"

#include "platform/clock.h"
#include "schedule/schedulerecord.h"
#include "station/station.h"

#include <QDateTime>

// The test day: Monday 6 December 2027, 09:00.
inline const QDateTime kTestMonday(QDate(2027, 12, 6), QTime(9, 0));

// A started station on a manual clock over a temporary data folder (see
// TestHome): a simulated parallel port with every output off and no input
// active, and simulated receivers behind every serial control. Receiver 1 is
// on port 1, receiver 2 on port 2, model 4K at 9600 baud, the activity log
// on. Each receiver answers a command line with its prompt, "R M" with its
// MPEG status and "R C" with carrier data whose twelfth line holds ebNo[0]
// (port 1) or ebNo[1] (port 2); set receivers.answer for anything else.
class TestStation
{
public:
    explicit TestStation(const QDateTime &start = kTestMonday);

    // Writes the schedule as record n (the next one after the file's end
    // when 0), rebuilds the lists and returns its number.
    int addSchedule(const ScheduleRecord &schedule, int n = 0);
    // A daily log ("AL", "EB", "MP") of the clock's day or of `day`.
    QByteArray log(const char *prefix, const QDate &day = {}) const;
    // The output byte and the input byte of the simulated port.
    quint8 outputByte() const;
    void setInputs(quint8 status) const;

    TestHome home;
    ManualClock clock;
    FakeReceivers receivers;
    Station station;
    QByteArray ebNo[2] = {"8.5", "9.0"};
};

// The carrier data a receiver answers "R C" with: eleven lines, then the
// value at the end of the twelfth, then the prompt.
QByteArray carrierAnswer(const QByteArray &value);
