#pragma once

#include <QObject>

#include <vector>

class QSocketNotifier;

// SIGTERM (log-out, shut-down, `systemctl stop`), SIGHUP and SIGINT (Ctrl-C)
// as an event of the program's own loop. The handler only writes the
// signal's number to a pipe; the loop reads it and emits stopRequested(),
// where the program writes its log and ends. A signal the program was
// started with ignored (nohup, a background job of a script) stays ignored.
//
// When the loop does not come to it, the program still ends: at a second
// stop signal, or 20 s after the first (a conversation holds the loop 14 s
// at worst, and systemd kills after 30 s). A crash (SIGSEGV, SIGBUS, SIGFPE,
// SIGILL, SIGABRT, also the supervisor's watchdog) ends it as before, with a
// core dump. Each of these forced ends first calls the last words set here.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // Empty, or why the signals could not be caught.
    QString problem() const { return m_problem; }
    // Runs inside a signal handler: only async-signal-safe calls.
    static void setLastWords(void (*lastWords)());

Q_SIGNALS:
    void stopRequested(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    std::vector<int> m_caught;
    QString m_problem;
};
