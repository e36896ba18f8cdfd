#pragma once

#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>

QByteArray readAll(const QString &path);
// Creates the folder it goes in; executable sets the owner's execute bit.
bool writeAll(const QString &path, const QByteArray &bytes, bool executable = false);

// A command run to its end (killed after timeoutMs); exitCode -1 when it
// crashed, did not start or did not end.
struct Ran
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
Ran runTool(const QString &program, const QStringList &arguments, int timeoutMs = 30000,
            const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(), const QString &folder = {});

// systemd's side of the notify protocol: one datagram per message, on a
// socket in the run's temporary folder.
class NotifySocket
{
public:
    explicit NotifySocket(const QString &path);
    ~NotifySocket();
    bool valid() const { return m_bound; }
    QString path() const { return m_path; }
    // The next message, or empty when none comes within ms.
    QByteArray next(int ms);

private:
    QString m_path;
    int m_fd = -1;
    bool m_bound = false;
};

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
    QStringList received(bool withTimes = false);
    // Pulls the plug: SIGKILL, as when the receiver loses power mid-answer.
    void kill();

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
    ~ProgramRun() { stop(); }

    QString home() const { return scratch(QStringLiteral("home")); }
    QString file(const QString &name) const { return home() + QLatin1Char('/') + name; }
    // A path in the run's temporary folder, beside the data folder.
    QString scratch(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }
    QString portFile() const { return scratch(QStringLiteral("parport")); }
    // A file of the data folder.
    void writeFile(const QString &name, const QByteArray &bytes) const { writeAll(file(name), bytes); }
    QByteArray readFile(const QString &name) const { return readAll(file(name)); }
    // A daily log ("AL", "EB", "MP") of the faked day, or of today.
    QByteArray log(const char *prefix) const;
    void setStatus(quint8 status) const;
    quint8 dataByte() const;
    QMap<QString, QByteArray> dataFiles() const;

    QProcessEnvironment environment() const;
    // Starts the program with these variables added; fakeStart like
    // "2027-12-06 11:59:42" runs it on a faked clock that starts then.
    bool start(const QProcessEnvironment &extra = {}, const QString &fakeStart = {});
    // The same, then waits until start-up has cleared the port's outputs.
    bool startAndWait(const QProcessEnvironment &extra = {}, const QString &fakeStart = {});
    // Started as this command line instead (setpriv with another user and
    // the program, say, or the packaged autostart script).
    void setCommand(const QStringList &command) { m_command = command; }
    // The simulated receiver on port 1.
    void setReceiver(const QString &device) { m_receiver = device; }
    bool running() const { return m_process.state() == QProcess::Running; }
    bool waitForExit(int ms) { return m_process.waitForFinished(ms); }
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    qint64 processId() const { return m_process.processId(); }
    // Ends it as a log-out would, killing it when it does not end.
    void stop();

    QByteArray allStandardError(); // so far
    // The texts the error window showed, in order, each from its
    // "kestrelpoint: error: " line on standard error.
    QStringList errorMessages();
    bool hasError(const QString &part) { return !errorMessages().filter(part).isEmpty(); }
    // Holds an input of the parallel port active until its effect shows
    // (only a running clock tick polls the inputs), then lets it go.
    bool pulse(quint8 status, const std::function<bool()> &effect);

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QStringList m_command{QStringLiteral(KP_BINARY)};
    QString m_receiver;
    QByteArray m_standardError;
    QString m_day; // "yyMMdd" of the faked day
};
