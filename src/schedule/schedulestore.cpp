#include "schedulestore.h"

#include "platform/codec.h"
#include "platform/errorreport.h"

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
            *error = errnoReportText(errno);
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
    if (m_fd < 0 || n < 1) {
        if (error)
            *error = errnoReportText(EBADF);
        return false;
    }
    QByteArray bytes = Codec::toWindows1252(fixedWidth(record, kRecordLength));
    const ssize_t put = pwrite(m_fd, bytes.constData(), kRecordLength, off_t(n - 1) * kRecordLength);
    int err = 0;
    if (put != kRecordLength)
        err = put < 0 ? errno : ENOSPC;
    else if (fdatasync(m_fd) != 0)
        err = errno;
    if (err != 0) {
        if (error)
            *error = errnoReportText(err);
        return false;
    }
    return true;
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
            *error = errnoReportText(EINVAL);
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
