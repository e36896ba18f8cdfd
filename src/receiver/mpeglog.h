#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>

// One entry of the MPEG log: a header line ("HH:MM:SS" with one receiver,
// "Receiver 1  HH:MM:SS" with two, none for any other TwoReceivers), then
// the receiver's answer as received and a CR LF.
QByteArray mpegLogEntry(const QTime &time, int twoReceivers, const QString &receiverTag, const QByteArray &answer);
