#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A simulated receiver on its own pseudo-terminal, ended when this goes.
class SimulatedReceiver
{
public:
    explicit SimulatedReceiver(const QStringList &arguments = {});
    ~SimulatedReceiver();
    // The pseudo-terminal the program opens, empty when the simulator failed.
    QString device() const { return m_device; }
    // Every line the receiver got, in order, without the time in front.
    QStringList received();
    // The same, with the receiver's HH:MM:SS.zzz time in front.
    QStringList receivedWithTimes();
    // Pulls the plug: SIGKILL, as when the receiver loses power mid-answer.
    void kill();

private:
    QProcess m_process;
    QString m_device;
    QString m_output;
};

// The real program, offscreen, on a temporary data folder with a simulated
// parallel port, optionally at a faked date and time. Ended when this goes.
class ProgramRun
{
public:
    ProgramRun();
    ~ProgramRun();

    QString home() const { return m_dir.path() + QStringLiteral("/home"); }
    QString file(const QString &name) const { return home() + QLatin1Char('/') + name; }
    QString portFile() const { return m_dir.path() + QStringLiteral("/parport"); }
    QString clockDryRun() const { return m_dir.path() + QStringLiteral("/clock-set"); }
    void writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;
    void setStatus(quint8 status) const;
    quint8 dataByte() const;

    // The libfaketime library, empty when faketime is not installed.
    static QString fakeTimeLibrary();
    // Starts the program; fakeStart like "2027-12-06 11:59:42" runs it on a
    // faked clock that starts then.
    bool start(const QProcessEnvironment &extra, const QString &fakeStart = {});
    bool waitForExit(int ms);
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    qint64 processId() const { return m_process.processId(); }
    QByteArray standardError() { return m_process.readAllStandardError(); }
    void stop();
    QProcessEnvironment environment() const;

    // A path in the run's temporary folder, beside the data folder.
    QString scratch(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }
    // The program is started through this command line (e.g. setpriv with
    // another user), with the program's own path after it.
    void setLauncher(const QStringList &command) { m_launcher = command; }
    bool running() const { return m_process.state() == QProcess::Running; }
    // Everything the program wrote to standard error so far (standardError()
    // takes only what came since its last call; the two do not mix).
    QByteArray allStandardError();
    // The texts the error window showed, in order, each from its
    // "kestrelpoint: error: " line on standard error.
    QStringList errorMessages();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QStringList m_launcher;
    QByteArray m_standardError;
};
