#pragma once

#include <QObject>

#include <vector>

class QSocketNotifier;

// SIGTERM (log-out, shut-down, `systemctl stop`), SIGHUP and SIGINT (Ctrl-C)
// as an event of the program's own loop. The handler only writes the
// signal's number to a pipe; the loop reads it and emits stopRequested(),
// where the program may write its log and end. Each handler serves once and
// puts the system's action back: a second signal of the same kind ends a
// program whose loop no longer runs.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // Empty, or why the signals could not be caught.
    QString problem() const { return m_problem; }

Q_SIGNALS:
    void stopRequested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    std::vector<int> m_caught;
    QString m_problem;
};
