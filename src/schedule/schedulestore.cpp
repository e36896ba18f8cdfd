#include "schedulestore.h"

#include "platform/codec.h"
#include "platform/errorreport.h"
#include "platform/filewrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

ScheduleStore::~ScheduleStore()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ScheduleStore::OpenScheduleFile(const QString &path, QString *error)
{
    const QByteArray native = path.toLocal8Bit();
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error)
            *error = errnoReportText(errno, path);
        return false;
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
    m_path = path;
    return true;
}

int ScheduleStore::recordCount() const
{
    struct stat st{};
    if (m_fd < 0 || fstat(m_fd, &st) != 0)
        return 0;
    return int(st.st_size / kRecordLength);
}

std::optional<QString> ScheduleStore::ReadScheduleRecord(int n) const
{
    if (m_fd < 0 || n < 1)
        return std::nullopt;
    char buffer[kRecordLength];
    const ssize_t got = pread(m_fd, buffer, kRecordLength, off_t(n - 1) * kRecordLength);
    if (got != kRecordLength)
        return std::nullopt;
    return Codec::fromWindows1252(QByteArrayView(buffer, kRecordLength));
}

QList<QString> ScheduleStore::readAll() const
{
    QList<QString> records;
    const int count = recordCount();
    if (count == 0)
        return records;
    QByteArray bytes(qsizetype(count) * kRecordLength, Qt::Uninitialized);
    const ssize_t got = pread(m_fd, bytes.data(), size_t(bytes.size()), 0);
    const int whole = got > 0 ? int(got / kRecordLength) : 0;
    records.reserve(whole);
    for (int i = 0; i < whole; ++i)
        records.append(Codec::fromWindows1252(QByteArrayView(bytes.constData() + i * kRecordLength, kRecordLength)));
    return records;
}

bool ScheduleStore::WriteScheduleRecord(int n, const QString &record, QString *error)
{
    const auto fail = [this, error](int err) {
        if (error)
            *error = errnoReportText(err, m_path);
        return false;
    };
    if (m_fd < 0 || n < 1)
        return fail(EBADF);
    // A record rewritten in place can be torn: one that straddles a page
    // boundary (the 43rd, the 86th, ...) is copied to the file in two steps,
    // and a kill or a power cut between them leaves half of each version.
    // The whole file is replaced instead, and the store opens the new one.
    struct stat st{};
    if (fstat(m_fd, &st) != 0)
        return fail(errno);
    QByteArray bytes(qsizetype(st.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = pread(m_fd, bytes.data() + done, size_t(bytes.size() - done), off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(errno);
        if (got == 0)
            break;
        done += got;
    }
    bytes.truncate(done);
    const qsizetype at = qsizetype(n - 1) * kRecordLength;
    if (bytes.size() < at + kRecordLength)
        bytes.append(QByteArray(at + kRecordLength - bytes.size(), '\0'));
    bytes.replace(at, kRecordLength, Codec::toWindows1252(fixedWidth(record, kRecordLength)));
    // Even a replace that fails (at the folder's sync) may have put the new
    // file in place, so the store always takes the file that is there now.
    const bool replaced = FileWrite::replace(m_path, bytes, error);
    const int fd = ::open(m_path.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
    // The old handle reads the file as it was: better no handle than that.
    const int err = errno;
    ::close(m_fd);
    m_fd = fd;
    if (fd < 0)
        return fail(err);
    return replaced;
}

int ScheduleStore::FindFreeSchedule() const
{
    const QList<QString> records = readAll();
    for (int i = 0; i < records.size(); ++i) {
        if (!records.at(i).startsWith(QLatin1Char('1')))
            return i + 1;
    }
    return int(records.size()) + 1;
}

int ScheduleStore::NewSchedule()
{
    const int n = FindFreeSchedule();
    if (n > MaxSchedules) {
        ShowErrorMessage(QStringLiteral("Maximum number of schedules is 999"));
        return 0;
    }
    QString error;
    if (!WriteScheduleRecord(n, FreshScheduleRecord(), &error)) {
        ShowErrorMessage(error);
        return 0;
    }
    return n;
}

bool ScheduleStore::DeleteSchedule(int n, QString *error)
{
    std::optional<QString> record = ReadScheduleRecord(n);
    if (!record) {
        if (error)
            *error = errnoReportText(EINVAL, m_path);
        return false;
    }
    record->replace(0, 1, QLatin1Char('0'));
    return WriteScheduleRecord(n, *record, error);
}

void ScheduleStore::ScanSchedules(const std::function<void(int, const ScheduleRecord &)> &visit) const
{
    const QList<QString> records = readAll();
    for (int i = 0; i < records.size(); ++i) {
        if (records.at(i).startsWith(QLatin1Char('1')))
            visit(i + 1, ParseScheduleRecord(records.at(i)));
    }
}
