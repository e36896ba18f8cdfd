#pragma once

#include <QByteArray>
#include <QString>

// A daily log held open for appending through one reading: opened (and
// created) before the receiver is asked, so a missing logs folder stops the
// reading early, and closed on every path. Failures keep the system's error
// number and description apart, as the readings' messages show them; the
// description names the file.
class DailyLogFile
{
public:
    DailyLogFile() = default;
    ~DailyLogFile();
    DailyLogFile(const DailyLogFile &) = delete;
    DailyLogFile &operator=(const DailyLogFile &) = delete;

    bool open(const QString &path);
    bool write(const QByteArray &bytes);
    bool close();

    int errorNumber() const { return m_errorNumber; }
    QString errorDescription() const;

private:
    bool fail(int err);

    int m_fd = -1;
    int m_errorNumber = 0;
    QString m_path;
};
