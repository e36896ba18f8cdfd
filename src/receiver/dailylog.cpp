#include "dailylog.h"

#include "platform/errorreport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

DailyLogFile::~DailyLogFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool DailyLogFile::open(const QString &path)
{
    close();
    m_path = path;
    const QByteArray native = path.toLocal8Bit();
    m_fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0)
        return fail(errno);
    return true;
}

bool DailyLogFile::write(const QByteArray &bytes)
{
    if (m_fd < 0)
        return fail(EBADF);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        done += n;
    }
    return true;
}

bool DailyLogFile::close()
{
    if (m_fd < 0)
        return true;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return fail(errno);
    return true;
}

QString DailyLogFile::errorDescription() const
{
    return errnoDescription(m_errorNumber) + QStringLiteral(": ") + m_path;
}

bool DailyLogFile::fail(int err)
{
    m_errorNumber = err;
    return false;
}
