#pragma once

#include "schedulerecord.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Owns the schedule file, open from start-up to the end of the run. A
// schedule's record number is its ScheduleNumber. Records are never removed:
// a deleted schedule keeps its slot with InUse "0" until New reuses it.
// Every write reaches the disk before the call returns.
class ScheduleStore
{
public:
    ScheduleStore() = default;
    ~ScheduleStore();
    ScheduleStore(const ScheduleStore &) = delete;
    ScheduleStore &operator=(const ScheduleStore &) = delete;

    // Opens the file for reading and writing, creating it when missing.
    bool OpenScheduleFile(const QString &path, QString *error);
    bool isOpen() const { return m_fd >= 0; }
    QString path() const { return m_path; }

    // Record n, or nothing when the file holds fewer than n whole records.
    std::optional<QString> ReadScheduleRecord(int n) const;
    // Writes record n (an existing one, or the first after the end) by
    // replacing the whole file, so a kill or a power cut leaves the old
    // record or the new one, never half of each. On failure the error is
    // ErrorReportText of the system's reason.
    bool WriteScheduleRecord(int n, const QString &record, QString *error = nullptr);
    int FindFreeSchedule() const;
    // The new schedule's number, or 0 when every slot up to 999 is taken
    // (the refusal is shown in the error window) or the write failed.
    int NewSchedule();
    bool DeleteSchedule(int n, QString *error = nullptr);
    // Calls visit(n, parsed) for every record in use, in number order.
    void ScanSchedules(const std::function<void(int, const ScheduleRecord &)> &visit) const;
    // Whole records in the file; a trailing partial record does not count.
    int recordCount() const;
    // Every whole record, raw, in number order.
    QList<QString> readAll() const;

private:
    int m_fd = -1;
    QString m_path;
};
