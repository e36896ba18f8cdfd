#include "parallelport.h"

#include "errorreport.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

// The port the program drives, for a last write from a signal handler: its
// descriptor, whether it is a file standing in for a port, and the byte it
// was given last. Lock-free atomics, which a signal handler may read.
std::atomic<int> g_fd{-1};
std::atomic<bool> g_isFile{false};
std::atomic<unsigned char> g_last{0};

void writeByte(int fd, bool isFile, unsigned char value)
{
    if (isFile) {
        [[maybe_unused]] const ssize_t written = pwrite(fd, &value, 1, 0);
    } else {
        ioctl(fd, PPWDATA, &value);
    }
}

// Registers a port as the program's; the last one opened is.
class Registered
{
public:
    Registered(int fd, bool isFile) : m_fd(fd)
    {
        g_last = 0;
        g_isFile = isFile;
        g_fd = fd;
    }
    ~Registered() { forget(); }
    // Before the descriptor is closed.
    void forget()
    {
        int fd = m_fd;
        g_fd.compare_exchange_strong(fd, -1);
    }
    void wrote(unsigned char value) const
    {
        if (g_fd == m_fd)
            g_last = value;
    }

private:
    int m_fd;
};

class AbsentPort final : public ParallelPort
{
public:
    explicit AbsentPort(QString problem) : m_problem(std::move(problem)) {}
    void writeData(quint8) override {}
    quint8 readStatus() override { return 0xFF; }
    QString problem() const override { return m_problem; }

private:
    QString m_problem;
};

class PpdevPort final : public ParallelPort
{
public:
    explicit PpdevPort(int fd) : m_fd(fd), m_registered(fd, false) {}
    ~PpdevPort() override
    {
        m_registered.forget();
        ioctl(m_fd, PPRELEASE);
        ::close(m_fd);
    }
    void writeData(quint8 value) override
    {
        writeByte(m_fd, false, value);
        m_registered.wrote(value);
    }
    quint8 readStatus() override
    {
        unsigned char v = 0xFF;
        if (ioctl(m_fd, PPRSTATUS, &v) != 0)
            return 0xFF;
        return v;
    }

private:
    int m_fd;
    Registered m_registered;
};

// A regular file standing in for the port, so that tests and the demo can
// watch the outputs and set the inputs.
class FilePort final : public ParallelPort
{
public:
    explicit FilePort(int fd) : m_fd(fd), m_registered(fd, true) {}
    ~FilePort() override
    {
        m_registered.forget();
        ::close(m_fd);
    }
    void writeData(quint8 value) override
    {
        writeByte(m_fd, true, value);
        m_registered.wrote(value);
    }
    quint8 readStatus() override
    {
        char v = 0x7F; // an idle port: no input active
        if (pread(m_fd, &v, 1, 1) != 1)
            return 0x7F;
        return quint8(v);
    }

private:
    int m_fd;
    Registered m_registered;
};

} // namespace

void clearOutputBitsNow(quint8 bits)
{
    const int fd = g_fd;
    if (fd >= 0)
        writeByte(fd, g_isFile, g_last & ~bits);
}

QString parallelPortPath()
{
    const QString path = qEnvironmentVariable("KESTRELPOINT_PARPORT");
    return path.isEmpty() ? QStringLiteral("/dev/parport0") : path;
}

std::unique_ptr<ParallelPort> openParallelPort()
{
    return openParallelPort(parallelPortPath());
}

std::unique_ptr<ParallelPort> openParallelPort(const QString &path)
{
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        QString problem = QStringLiteral("The parallel port %1 cannot be opened: %2.").arg(path, errnoDescription(err));
        if (err == EACCES)
            problem += QStringLiteral(" Add the station's user to the lp group (sudo adduser $USER lp) and log in again.");
        else if (err == ENOENT)
            problem += QStringLiteral(" Load the ppdev kernel module (sudo modprobe ppdev).");
        return std::make_unique<AbsentPort>(problem);
    }
    struct stat st{};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        return std::make_unique<FilePort>(fd);
    if (ioctl(fd, PPCLAIM) != 0) {
        const int err = errno;
        ::close(fd);
        return std::make_unique<AbsentPort>(
            QStringLiteral("The parallel port %1 cannot be claimed: %2.").arg(path, errnoDescription(err)));
    }
    return std::make_unique<PpdevPort>(fd);
}
