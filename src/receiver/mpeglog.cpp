#include "mpeglog.h"

#include "platform/codec.h"

QByteArray mpegLogEntry(const QTime &time, int twoReceivers, const QString &receiverTag, const QByteArray &answer)
{
    const QString clock = time.toString(QStringLiteral("HH:mm:ss"));
    QByteArray entry;
    if (twoReceivers == 0)
        entry = Codec::toWindows1252(clock) + "\r\n";
    else if (twoReceivers == 1)
        entry = Codec::toWindows1252(QStringLiteral("Receiver ") + receiverTag + QStringLiteral("  ") + clock) + "\r\n";
    // The answer is already in the receiver's 8-bit characters: it is kept
    // byte for byte.
    return entry + answer + "\r\n";
}
