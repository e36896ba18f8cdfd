#include "parallelport.h"

#include "errorreport.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

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
    explicit PpdevPort(int fd) : m_fd(fd) {}
    ~PpdevPort() override
    {
        ioctl(m_fd, PPRELEASE);
        ::close(m_fd);
    }
    void writeData(quint8 value) override
    {
        unsigned char v = value;
        ioctl(m_fd, PPWDATA, &v);
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
};

// A regular file standing in for the port, so that tests and the demo can
// watch the outputs and set the inputs.
class FilePort final : public ParallelPort
{
public:
    explicit FilePort(int fd) : m_fd(fd) {}
    ~FilePort() override { ::close(m_fd); }
    void writeData(quint8 value) override
    {
        const char v = char(value);
        if (pwrite(m_fd, &v, 1, 0) != 1)
            return;
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
};

} // namespace

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
