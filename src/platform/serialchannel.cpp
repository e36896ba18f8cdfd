#include "serialchannel.h"

#include <QCoreApplication>
#include <QFile>
#include <QSerialPort>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <unistd.h>

#include <cerrno>

namespace {

// QSerialPort locks a device with a file "LCK..pts_0" in the first of these
// folders it can use; the file's first line is the locking process.
QString lockFileOf(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QStringList folders = {QStringLiteral("/var/lock"),        QStringLiteral("/etc/locks"),
                                 QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),
                                 QStringLiteral("/tmp"),             QStringLiteral("/var/tmp"),
                                 QStringLiteral("/var/lock/lockdev"), QStringLiteral("/run/lock"),
                                 QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
    for (const QString &folder : folders) {
        const QString path = folder + QStringLiteral("/LCK..") + name;
        if (QFile::exists(path))
            return path;
    }
    return {};
}

qint64 lockHolder(const QString &lockFile)
{
    QFile file(lockFile);
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed().toLongLong() : 0;
}

// The port layer's own number for a settings text it cannot use.
constexpr int kInvalidSettings = 380;
// A command line is a few dozen bytes: at 9600 baud it is out in
// milliseconds, so a port that takes longer than this is stuck.
constexpr int kWriteMs = 2000;

class QtSerialChannel final : public SerialChannel
{
public:
    bool open(int portNumber, const QString &settingsText) override
    {
        close();
        m_errorNumber = 0;
        m_errorText.clear();
        const QStringList parts = settingsText.split(QLatin1Char(','));
        bool ok = false;
        const int baud = parts.value(0).toInt(&ok);
        if (!ok || baud <= 0 || parts.size() != 4 || parts.at(1) != QLatin1String("N") ||
            parts.at(2) != QLatin1String("8") || parts.at(3) != QLatin1String("1")) {
            m_errorNumber = kInvalidSettings;
            m_errorText = QStringLiteral("Invalid property value");
            return false;
        }
        if (portNumber < 1 || portNumber > 16) {
            m_errorNumber = int(QSerialPort::DeviceNotFoundError);
            m_errorText = QStringLiteral("Invalid port number %1").arg(portNumber);
            return false;
        }
        m_portNumber = portNumber;
        m_port.setPortName(serialPortPath(portNumber));
        m_port.setBaudRate(baud);
        m_port.setParity(QSerialPort::NoParity);
        m_port.setDataBits(QSerialPort::Data8);
        m_port.setStopBits(QSerialPort::OneStop);
        m_port.setFlowControl(QSerialPort::NoFlowControl);
        if (!m_port.open(QIODevice::ReadWrite) && !(removeOwnLeftoverLock() && m_port.open(QIODevice::ReadWrite))) {
            takeError();
            return false;
        }
        // Pseudo-terminals refuse some line settings; the port is usable anyway.
        m_port.clearError();
        return true;
    }

    bool isOpen() const override { return m_port.isOpen(); }

    bool write(const QByteArray &bytes) override
    {
        if (m_port.write(bytes) != bytes.size()) {
            takeError();
            return false;
        }
        // Nothing runs an event loop during a conversation: push the bytes
        // out now, so that a line the port cannot take is reported as a
        // failed write instead of vanishing at close.
        while (m_port.bytesToWrite() > 0) {
            if (!m_port.waitForBytesWritten(kWriteMs)) {
                takeError();
                m_port.clear(QSerialPort::Output);
                return false;
            }
        }
        return true;
    }

    QByteArray readAll() override
    {
        m_port.waitForReadyRead(0);
        return m_port.readAll();
    }

    bool waitForReadyRead(int msecs) override
    {
        if (m_port.bytesAvailable() > 0)
            return true;
        m_port.clearError();
        if (m_port.waitForReadyRead(msecs))
            return true;
        // A failing port (a cable pulled, a pseudo-terminal whose other end
        // went away) returns at once; sleeping out the wait keeps the
        // caller's loop from spinning until its limit.
        const QSerialPort::SerialPortError error = m_port.error();
        if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
            QThread::msleep(ulong(qMax(0, msecs)));
        return false;
    }

    void clearInput() override
    {
        m_port.waitForReadyRead(0);
        m_port.readAll();
        m_port.clear(QSerialPort::Input);
    }

    void close() override
    {
        if (!m_port.isOpen())
            return;
        while (m_port.bytesToWrite() > 0 && m_port.waitForBytesWritten(1000)) {
        }
        m_port.flush();
        m_port.close();
    }

    int errorNumber() const override { return m_errorNumber; }
    QString errorText() const override { return m_errorText; }

private:
    // Every conversation closes its port, so a lock on a closed port that
    // names this very program is one it failed to remove: it goes.
    bool removeOwnLeftoverLock()
    {
        if (m_port.error() != QSerialPort::PermissionError)
            return false;
        const QString lock = lockFileOf(m_port.portName());
        return !lock.isEmpty() && lockHolder(lock) == QCoreApplication::applicationPid() && QFile::remove(lock);
    }

    void takeError()
    {
        const QString device = serialPortPath(m_portNumber);
        m_errorNumber = int(m_port.error());
        m_errorText = m_port.errorString() + QStringLiteral(": ") + device;
        if (m_port.error() != QSerialPort::PermissionError)
            return;
        // Refused by the system: the serial ports belong to the dialout group,
        // which the station's user must be in. Otherwise another program
        // holds the port.
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES) {
            m_errorText += QStringLiteral(" (the station's user needs the dialout group: "
                                          "sudo adduser $USER dialout, then log in again)");
        } else if (const qint64 holder = lockHolder(lockFileOf(m_port.portName())); holder > 0) {
            m_errorText += QStringLiteral(" (the port is in use by process %1)").arg(holder);
        }
    }

    QSerialPort m_port;
    int m_portNumber = 0;
    int m_errorNumber = 0;
    QString m_errorText;
};

} // namespace

QString serialPortPath(int portNumber)
{
    const QString path =
        qEnvironmentVariable(QStringLiteral("KESTRELPOINT_COM%1").arg(portNumber).toLatin1().constData());
    return path.isEmpty() ? QStringLiteral("/dev/ttyS%1").arg(portNumber - 1) : path;
}

std::unique_ptr<SerialChannel> makeSerialChannel()
{
    return std::make_unique<QtSerialChannel>();
}
