#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

// One serial control: a port opened for one conversation and closed again.
// The receiver windows and the main window each have their own.
class SerialChannel
{
public:
    virtual ~SerialChannel() = default;

    // Opens port `portNumber` (1-4) with a settings text such as
    // "9600,N,8,1". False when the port or the settings are refused; then
    // errorNumber() and errorText() say why.
    virtual bool open(int portNumber, const QString &settingsText) = 0;
    virtual bool isOpen() const = 0;
    // Queues bytes; close() waits until they have gone out.
    virtual bool write(const QByteArray &bytes) = 0;
    // Everything received since the last read, removed from the input.
    virtual QByteArray readAll() = 0;
    // Sleeps until input arrives or msecs pass. True when input arrived.
    virtual bool waitForReadyRead(int msecs) = 0;
    // Drops whatever has been received and not read.
    virtual void clearInput() = 0;
    virtual void close() = 0;

    virtual int errorNumber() const = 0;
    virtual QString errorText() const = 0;
};

using SerialChannelFactory = std::function<std::unique_ptr<SerialChannel>()>;

// $KESTRELPOINT_COM<n> when set, else /dev/ttyS<n-1>.
QString serialPortPath(int portNumber);
// A channel on QSerialPort.
std::unique_ptr<SerialChannel> makeSerialChannel();
