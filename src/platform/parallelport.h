#pragma once

#include <QString>

#include <memory>

// The first parallel port used as a small I/O card: the data register drives
// the outputs, the status register carries the alarm and time-set inputs.
class ParallelPort
{
public:
    virtual ~ParallelPort() = default;
    virtual void writeData(quint8 value) = 0;
    virtual quint8 readStatus() = 0;
    // Why the port is not usable, empty when it is.
    virtual QString problem() const { return {}; }
};

// $KESTRELPOINT_PARPORT, else /dev/parport0. A character device is driven
// through the kernel's ppdev interface; a regular file is a simulated port
// (byte 0 the data register, byte 1 the status register); a port that cannot
// be opened writes nowhere and reads 0xFF.
std::unique_ptr<ParallelPort> openParallelPort();
std::unique_ptr<ParallelPort> openParallelPort(const QString &path);
QString parallelPortPath();

// Writes the byte the port was given last, with `bits` cleared, straight to
// the port the program opened last. It only makes system calls, so a signal
// handler may call it when the program ends without running its own end.
void clearOutputBitsNow(quint8 bits);
