#pragma once

#include "platform/clock.h"
#include "platform/serialchannel.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>

#include <functional>

// Simulated receivers behind every serial control a test makes. Time passes
// only on the test's ManualClock: a wait for input moves the clock to the
// moment the answer arrives, or by the whole wait when none comes.
class FakeReceivers
{
public:
    explicit FakeReceivers(ManualClock &clock) : clock(clock) {}

    struct Sent
    {
        int port = 0;
        QByteArray bytes;
        QDateTime at;
        QString settings;
    };

    ManualClock &clock;
    // Ports that refuse to open, as a missing or busy device would.
    QSet<int> refusedPorts;
    // The answer to each command line (without its carriage return); empty
    // for none.
    std::function<QByteArray(int port, const QByteArray &line)> answer;
    // How long after the command the answer arrives.
    int answerDelayMs = 50;
    // An answer in pieces, each arriving its delay after the command; when
    // set it is asked instead of `answer`.
    struct Reply
    {
        int delayMs = 0;
        QByteArray bytes;
    };
    std::function<QList<Reply>(int port, const QByteArray &line)> replies;
    // Ports that open but fail every write, as a port that went away would.
    QSet<int> failingWrites;

    QList<Sent> sent;
    // What each receiver is still sending, with when it arrives: it stays on
    // the line when a port is closed, and only a port open when it arrives
    // gets it.
    QHash<int, QList<QPair<QDateTime, QByteArray>>> pending;
    int opens = 0;
    int closes = 0;
    int openNow = 0; // channels open at this moment

    SerialChannelFactory factory();
    // Every line written, with its carriage return, in order.
    QList<QByteArray> linesSent() const;
};
