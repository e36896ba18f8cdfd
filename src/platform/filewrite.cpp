#include "filewrite.h"

#include "errorreport.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>
#include <QStringList>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {
bool fail(QString *error, int err, const QString &path)
{
    if (error)
        *error = errnoReportText(err, path);
    return false;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            return false;
        done += std::max<ssize_t>(n, 0);
    }
    return true;
}
} // namespace

bool FileWrite::append(const QString &path, const QByteArray &bytes, QString *error)
{
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(error, errno, path);
    if (!writeAll(fd, bytes)) {
        const int err = errno;
        ::close(fd);
        return fail(error, err, path);
    }
    if (::close(fd) != 0)
        return fail(error, errno, path);
    return true;
}

namespace {

constexpr QLatin1StringView kTemporaryPrefix(".kestrelpoint-temp-");
constexpr int kRandomLength = 6;
// The file's own name in its copy's, cut so that the copy's name stays
// within what a folder entry can hold.
constexpr int kNameInCopy = 200;

bool isAsciiLetterOrDigit(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

QString temporaryName(const QString &fileName)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = kTemporaryPrefix;
    for (int i = 0; i < kRandomLength; ++i)
        name += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
    return name + QLatin1Char('-') + fileName.left(kNameInCopy);
}

// The copies being written at this moment, which a cleanup on another
// thread must leave alone.
QMutex inFlightMutex;
QSet<QString> inFlight;

struct InFlight
{
    explicit InFlight(const QString &path) : path(path)
    {
        const QMutexLocker lock(&inFlightMutex);
        inFlight.insert(path);
    }
    ~InFlight()
    {
        const QMutexLocker lock(&inFlightMutex);
        inFlight.remove(path);
    }
    QString path;
};

// The file a replace writes: a symbolic link is followed, so that the link
// stays and its target gets the new content.
QString finalTarget(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

} // namespace

bool FileWrite::replace(const QString &path, const QByteArray &bytes, QString *error)
{
    if (QFileInfo(path).isDir())
        return fail(error, EISDIR, path);
    const QString target = finalTarget(path);
    const QFileInfo info(target);
    const QString folder = info.absolutePath();

    // The copy is created as a new file, so that the permissions it starts
    // with are those the user's umask gives a new file.
    QString copy;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        copy = folder + QLatin1Char('/') + temporaryName(info.fileName());
        fd = ::open(QFile::encodeName(copy).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt == 20))
            return fail(error, errno, path);
    }
    const InFlight writing(copy);
    const QByteArray nativeCopy = QFile::encodeName(copy);
    const auto giveUp = [&](int err, bool open) {
        if (open)
            ::close(fd);
        ::unlink(nativeCopy.constData());
        return fail(error, err, path);
    };
    // A file that was there keeps its permissions (a file system without
    // them, the floppy's, refuses the change; nothing is lost then).
    struct stat old;
    if (::stat(QFile::encodeName(target).constData(), &old) == 0)
        (void)::fchmod(fd, old.st_mode & 07777);
    if (!writeAll(fd, bytes))
        return giveUp(errno, true);
    // The content must be on the disk before the new name points at it: a
    // failed sync (a failing disk, a medium pulled) keeps the old file.
    if (::fsync(fd) != 0)
        return giveUp(errno, true);
    if (::close(fd) != 0)
        return giveUp(errno, false);
    if (::rename(nativeCopy.constData(), QFile::encodeName(target).constData()) != 0)
        return giveUp(errno, false);
    // The new name lives in the folder: until the folder reaches the disk a
    // power cut can bring the old file back.
    const int dirFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return fail(error, errno, folder);
    const bool synced = ::fsync(dirFd) == 0 || errno == EINVAL;
    const int err = errno;
    ::close(dirFd);
    return synced || fail(error, err, folder);
}

bool FileWrite::isTemporaryName(QStringView fileName)
{
    const qsizetype random = kTemporaryPrefix.size();
    if (fileName.size() <= random + kRandomLength + 1 || !fileName.startsWith(kTemporaryPrefix)
        || fileName.at(random + kRandomLength) != QLatin1Char('-'))
        return false;
    const QStringView letters = fileName.sliced(random, kRandomLength);
    return std::all_of(letters.begin(), letters.end(), isAsciiLetterOrDigit);
}

void FileWrite::removeLeftovers(const QString &folder)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    QStringList leftovers;
    while (const dirent *entry = ::readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (!isTemporaryName(name))
            continue;
        const QString path = folder + QLatin1Char('/') + name;
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode))
            leftovers.append(path);
    }
    ::closedir(dir);
    const QMutexLocker lock(&inFlightMutex);
    for (const QString &path : std::as_const(leftovers)) {
        if (!inFlight.contains(path))
            ::unlink(QFile::encodeName(path).constData());
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

FileRead::Head FileRead::head(const QString &path, qint64 limit)
{
    Head head;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        fail(&head.error, errno, path);
        return head;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0)
        head.size = st.st_size;
    head.bytes.resize(std::min<qint64>(limit, std::max<qint64>(head.size, 0)));
    qint64 done = 0;
    while (done < head.bytes.size()) {
        const ssize_t n = ::read(fd, head.bytes.data() + done, size_t(head.bytes.size() - done));
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(&head.error, errno, path);
            break;
        }
        done += n;
    }
    ::close(fd);
    head.bytes.truncate(done);
    // A log that shrank while it was read is as long as what was read.
    if (head.error.isEmpty() && done < limit)
        head.size = done;
    return head;
}
