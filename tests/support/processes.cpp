#include "processes.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes, bool executable)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size()
        && (!executable || f.setPermissions(f.permissions() | QFile::ExeOwner));
}

Ran runTool(const QString &program, const QStringList &arguments, int timeoutMs, const QProcessEnvironment &env,
            const QString &folder)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    Ran ran;
    if (!process.waitForStarted(5000) || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        ran.exitCode = process.exitCode();
    }
    ran.out = process.readAllStandardOutput();
    ran.err = process.readAllStandardError();
    if (process.error() != QProcess::UnknownError)
        ran.err += process.errorString().toLocal8Bit();
    return ran;
}

NotifySocket::NotifySocket(const QString &path) : m_path(path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path - 1);
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    m_bound = ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
}

NotifySocket::~NotifySocket()
{
    ::close(m_fd);
}

QByteArray NotifySocket::next(int ms)
{
    pollfd p = {m_fd, POLLIN, 0};
    char buffer[4096];
    const ssize_t n = ::poll(&p, 1, ms) == 1 ? ::recv(m_fd, buffer, sizeof buffer, 0) : 0;
    return n > 0 ? QByteArray(buffer, int(n)) : QByteArray();
}

SimulatedReceiver::SimulatedReceiver(const QStringList &arguments)
{
    m_process.start(QStringLiteral(KP_SIM_BINARY), arguments);
    if (!m_process.waitForStarted(5000))
        return;
    QElapsedTimer waited;
    waited.start();
    while (!m_output.contains(QLatin1Char('\n')) && waited.elapsed() < 5000) {
        m_process.waitForReadyRead(200);
        m_output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
    }
    m_device = m_output.section(QLatin1Char('\n'), 0, 0).trimmed();
    m_output = m_output.section(QLatin1Char('\n'), 1);
}

SimulatedReceiver::~SimulatedReceiver()
{
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        kill();
}

void SimulatedReceiver::kill()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

QStringList SimulatedReceiver::received(bool withTimes)
{
    static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\s+"));
    m_process.waitForReadyRead(50);
    m_output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
    QStringList lines = m_output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!withTimes)
        lines.replaceInStrings(time, QString());
    return lines;
}

// The libfaketime library; the tests on a faked clock cannot run without it.
static QString fakeTimeLibrary()
{
    for (const char *path : {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                             "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
                             "/usr/lib/faketime/libfaketime.so.1"}) {
        if (QFile::exists(QLatin1String(path)))
            return QLatin1String(path);
    }
    qFatal("faketime is needed: make deps installs it");
}

const QStringList ProgramRun::kDataFiles = {QStringLiteral("SwitchList.dat"), QStringLiteral("Kestrelpoint.ini"),
                                            QStringLiteral("TimeReset.ini"), QStringLiteral("Source.dat")};

ProgramRun::ProgramRun()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("home/logs"));
    writeAll(portFile(), QByteArray("\xff\x7f", 2));
}

QByteArray ProgramRun::log(const char *prefix) const
{
    const QString day = m_day.isEmpty() ? QDate::currentDate().toString(QStringLiteral("yyMMdd")) : m_day;
    return readFile(QStringLiteral("logs/") + QLatin1String(prefix) + day + QStringLiteral(".log"));
}

void ProgramRun::setStatus(quint8 status) const
{
    QFile port(portFile());
    if (port.open(QIODevice::ReadWrite) && port.seek(1))
        port.write(QByteArray(1, char(status)));
}

quint8 ProgramRun::dataByte() const
{
    const QByteArray bytes = readAll(portFile());
    return bytes.isEmpty() ? 0 : quint8(bytes.at(0));
}

QMap<QString, QByteArray> ProgramRun::dataFiles() const
{
    QMap<QString, QByteArray> files;
    for (const QString &name : kDataFiles)
        files.insert(name, readFile(name));
    return files;
}

QProcessEnvironment ProgramRun::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KESTRELPOINT_HOME"), home());
    env.insert(QStringLiteral("KESTRELPOINT_PARPORT"), portFile());
    env.insert(QStringLiteral("KESTRELPOINT_CLOCK_DRYRUN"), scratch(QStringLiteral("clock-set")));
    env.insert(QStringLiteral("KESTRELPOINT_FLOPPY"), scratch(QStringLiteral("floppy")));
    env.insert(QStringLiteral("KESTRELPOINT_PRINT_PDF"), m_dir.path());
    for (int n = 1; n <= 4; ++n)
        env.insert(QStringLiteral("KESTRELPOINT_COM%1").arg(n), scratch(QStringLiteral("no-such-tty")));
    if (!m_receiver.isEmpty())
        env.insert(QStringLiteral("KESTRELPOINT_COM1"), m_receiver);
    return env;
}

bool ProgramRun::start(const QProcessEnvironment &extra, const QString &fakeStart)
{
    QProcessEnvironment env = environment();
    for (const QString &key : extra.keys())
        env.insert(key, extra.value(key));
    if (!fakeStart.isEmpty()) {
        // The faked clock is preloaded into the program itself: the faketime
        // command would run it as a child of its own, which outlives a
        // terminate sent to the command. Timers run on the real monotonic clock.
        env.insert(QStringLiteral("LD_PRELOAD"), fakeTimeLibrary());
        env.insert(QStringLiteral("FAKETIME"), QLatin1Char('@') + fakeStart);
        env.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
        m_day = QDate::fromString(fakeStart.left(10), Qt::ISODate).toString(QStringLiteral("yyMMdd"));
    }
    m_process.setProgram(m_command.first());
    m_process.setArguments(m_command.mid(1));
    m_process.setProcessEnvironment(env);
    m_standardError.clear();
    m_process.start();
    return m_process.waitForStarted(5000);
}

bool ProgramRun::startAndWait(const QProcessEnvironment &extra, const QString &fakeStart)
{
    return start(extra, fakeStart) && QTest::qWaitFor([this] { return dataByte() == 0; }, 10000);
}

void ProgramRun::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

QByteArray ProgramRun::allStandardError()
{
    m_standardError += m_process.readAllStandardError();
    return m_standardError;
}

QStringList ProgramRun::errorMessages()
{
    static const QByteArray prefix = "kestrelpoint: error: ";
    QStringList texts;
    for (const QByteArray &line : allStandardError().split('\n')) {
        if (line.startsWith(prefix))
            texts << QString::fromLocal8Bit(line.mid(prefix.size()));
    }
    return texts;
}

bool ProgramRun::pulse(quint8 status, const std::function<bool()> &effect)
{
    setStatus(status);
    const bool seen = QTest::qWaitFor(effect, 5000);
    setStatus(kIdle);
    return seen;
}
