#pragma once

#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// A simulated receiver on its own pseudo-terminal, ended when this goes.
class SimulatedReceiver
{
public:
    explicit SimulatedReceiver(const QStringList &arguments = {});
    ~SimulatedReceiver();
    // The pseudo-terminal the program opens, empty when the simulator failed.
    QString device() const { return m_device; }
    // Every line the receiver got, in order, with its HH:MM:SS.zzz time in
    // front or without it.
    QStringList receivedWithTimes();
    QStringList received();
    // Pulls the plug: SIGKILL, as when the receiver loses power mid-answer.
    void kill();
    // Asks it to stop as a shutdown would; true when it ended cleanly.
    bool stop();

private:
    QProcess m_process;
    QString m_device;
    QString m_output;
};

// The real program, offscreen, on a temporary data folder with a simulated
// parallel port (byte 0 the outputs, byte 1 the inputs), clock settings
// written to a file and serial ports that do not exist unless a test names
// one; optionally on a faked clock. Ended when this goes.
class ProgramRun
{
public:
    // The parallel port's inputs: none active, the alarm, the time-set input.
    static constexpr quint8 kIdle = 127, kAlarm = 111, kTimeSet = 119;
    // The station's data files, which no failure may change.
    static const QStringList kDataFiles;

    ProgramRun();
    ~ProgramRun();

    QString home() const { return scratch(QStringLiteral("home")); }
    QString file(const QString &name) const { return home() + QLatin1Char('/') + name; }
    // A path in the run's temporary folder, beside the data folder.
    QString scratch(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }
    QString portFile() const { return scratch(QStringLiteral("parport")); }
    QString clockDryRun() const { return scratch(QStringLiteral("clock-set")); }
    void writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;
    // A daily log ("AL", "EB", "MP") of the faked day, or of today.
    QByteArray log(const char *prefix) const;
    void setStatus(quint8 status) const;
    quint8 dataByte() const;
    QMap<QString, QByteArray> dataFiles() const;

    // The libfaketime library, empty when faketime is not installed.
    static QString fakeTimeLibrary();
    QProcessEnvironment environment() const;
    // Starts the program with these variables added; fakeStart like
    // "2027-12-06 11:59:42" runs it on a faked clock that starts then.
    bool start(const QProcessEnvironment &extra = {}, const QString &fakeStart = {});
    // The same, then waits until start-up has cleared the port's outputs.
    bool startAndWait(const QProcessEnvironment &extra = {}, const QString &fakeStart = {});
    // The program is started through this command line (e.g. setpriv with
    // another user), with the program's own path after it.
    void setLauncher(const QStringList &command) { m_launcher = command; }
    bool running() const { return m_process.state() == QProcess::Running; }
    bool waitForExit(int ms) { return m_process.waitForFinished(ms); }
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    qint64 processId() const { return m_process.processId(); }
    // Ends it as a log-out would, killing it when it does not end.
    void stop();

    // Everything the program wrote to standard error so far.
    QByteArray allStandardError();
    // The texts the error window showed, in order, each from its
    // "kestrelpoint: error: " line on standard error.
    QStringList errorMessages();
    bool hasError(const QString &part);
    // Holds an input of the parallel port active until its effect shows
    // (only a running clock tick polls the inputs), then lets it go.
    bool pulse(quint8 status, const std::function<bool()> &effect);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QStringList m_launcher;
    QByteArray m_standardError;
    QString m_day; // "yyMMdd" of the faked day
};
