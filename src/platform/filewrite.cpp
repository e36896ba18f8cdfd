#include "filewrite.h"

#include "errorreport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {
bool fail(QString *error, int err, const QString &path)
{
    if (error)
        *error = errnoReportText(err, path);
    return false;
}
} // namespace

bool FileWrite::append(const QString &path, const QByteArray &bytes, QString *error)
{
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(error, errno, path);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            return fail(error, err, path);
        }
        done += n;
    }
    if (::close(fd) != 0)
        return fail(error, errno, path);
    return true;
}

bool FileWrite::replace(const QString &path, const QByteArray &bytes, QString *error)
{
    // QSaveFile refuses a folder in the file's place without saying why.
    if (QFileInfo(path).isDir())
        return fail(error, EISDIR, path);
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, errno ? errno : EACCES, path);
    // A write that fails only when the buffer is flushed (a full disk) goes
    // unnoticed by commit(), which would then put the cut file in place.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const int err = errno ? errno : EIO;
        file.cancelWriting();
        return fail(error, err, path);
    }
    if (!file.commit())
        return fail(error, errno ? errno : EIO, path);
    // The new name lives in the folder: until the folder reaches the disk a
    // power cut can bring the old file back.
    const QString folder = QFileInfo(path).absolutePath();
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return fail(error, errno, folder);
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    const int err = errno;
    ::close(fd);
    return synced || fail(error, err, folder);
}

void FileWrite::removeLeftovers(const QString &folder, const QStringList &names)
{
    // What QSaveFile names its copy when the file system cannot keep it
    // unnamed: the file's name, a dot and six random letters or digits. A
    // suffix of lower-case letters alone (".backup") is taken for the
    // operator's own copy and kept.
    static const QRegularExpression suffix(QStringLiteral("^\\.(?=.*[A-Z0-9])[A-Za-z0-9]{6}$"));
    const QDir dir(folder);
    for (const QString &name : names) {
        for (const QString &entry : dir.entryList({name + QStringLiteral(".??????")}, QDir::Files | QDir::Hidden)) {
            if (suffix.match(entry.mid(name.size())).hasMatch())
                QFile::remove(dir.filePath(entry));
        }
    }
}

bool FileWrite::ensureExists(const QString &path, QString *error)
{
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(error, errno, path);
    ::close(fd);
    return true;
}

bool FileRead::whole(const QString &path, QByteArray &bytes, QString *error)
{
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(error, errno, path);
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
            return fail(error, err, path);
        }
        bytes.append(buffer, n);
    }
    ::close(fd);
    return true;
}
