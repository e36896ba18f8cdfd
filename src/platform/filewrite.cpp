#include "filewrite.h"

#include "errorreport.h"

#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {
bool fail(QString *error, int err)
{
    if (error)
        *error = errnoReportText(err);
    return false;
}
} // namespace

bool FileWrite::append(const QString &path, const QByteArray &bytes, QString *error)
{
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(error, errno);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            return fail(error, err);
        }
        done += n;
    }
    if (::close(fd) != 0)
        return fail(error, errno);
    return true;
}

bool FileWrite::replace(const QString &path, const QByteArray &bytes, QString *error)
{
    // QSaveFile refuses a folder in the file's place without saying why.
    if (QFileInfo(path).isDir())
        return fail(error, EISDIR);
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, errno ? errno : EACCES);
    // A write that fails only when the buffer is flushed (a full disk) goes
    // unnoticed by commit(), which would then put the cut file in place.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const int err = errno ? errno : EIO;
        file.cancelWriting();
        return fail(error, err);
    }
    if (!file.commit())
        return fail(error, errno ? errno : EIO);
    return true;
}

bool FileWrite::ensureExists(const QString &path, QString *error)
{
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(error, errno);
    ::close(fd);
    return true;
}

bool FileRead::whole(const QString &path, QByteArray &bytes, QString *error)
{
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(error, errno);
    bytes.clear();
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            return fail(error, err);
        }
        bytes.append(buffer, n);
    }
    ::close(fd);
    return true;
}
