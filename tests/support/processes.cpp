#include "processes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

SimulatedReceiver::SimulatedReceiver(const QStringList &arguments)
{
    m_process.setProgram(QStringLiteral(KP_SIM_BINARY));
    m_process.setArguments(arguments);
    m_process.start();
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
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

void SimulatedReceiver::kill()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

QStringList SimulatedReceiver::receivedWithTimes()
{
    m_process.waitForReadyRead(50);
    m_output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
    QStringList lines = m_output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines;
}

QStringList SimulatedReceiver::received()
{
    QStringList lines;
    static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\s+"));
    for (QString line : receivedWithTimes())
        lines << line.remove(time);
    return lines;
}

ProgramRun::ProgramRun()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("home/logs"));
    QFile port(portFile());
    if (port.open(QIODevice::WriteOnly))
        port.write(QByteArray("\xff\x7f", 2));
}

ProgramRun::~ProgramRun()
{
    stop();
}

void ProgramRun::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray ProgramRun::readFile(const QString &name) const
{
    QFile f(name.startsWith(QLatin1Char('/')) ? name : file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void ProgramRun::setStatus(quint8 status) const
{
    QFile port(portFile());
    if (port.open(QIODevice::ReadWrite) && port.seek(1))
        port.write(QByteArray(1, char(status)));
}

quint8 ProgramRun::dataByte() const
{
    const QByteArray bytes = readFile(portFile());
    return bytes.isEmpty() ? 0 : quint8(bytes.at(0));
}

QProcessEnvironment ProgramRun::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KESTRELPOINT_HOME"), home());
    env.insert(QStringLiteral("KESTRELPOINT_PARPORT"), portFile());
    env.insert(QStringLiteral("KESTRELPOINT_CLOCK_DRYRUN"), clockDryRun());
    env.insert(QStringLiteral("KESTRELPOINT_FLOPPY"), m_dir.path() + QStringLiteral("/floppy"));
    env.insert(QStringLiteral("KESTRELPOINT_PRINT_PDF"), m_dir.path());
    for (int n = 1; n <= 4; ++n)
        env.insert(QStringLiteral("KESTRELPOINT_COM%1").arg(n), m_dir.path() + QStringLiteral("/no-such-tty"));
    return env;
}

QString ProgramRun::fakeTimeLibrary()
{
    for (const char *path : {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                             "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
                             "/usr/lib/faketime/libfaketime.so.1"}) {
        if (QFile::exists(QLatin1String(path)))
            return QLatin1String(path);
    }
    return {};
}

bool ProgramRun::start(const QProcessEnvironment &extra, const QString &fakeStart)
{
    QProcessEnvironment env = environment();
    for (const QString &key : extra.keys())
        env.insert(key, extra.value(key));
    QStringList arguments;
    if (fakeStart.isEmpty()) {
        arguments << QStringLiteral(KP_BINARY);
    } else {
        // The faked clock is preloaded into the program itself: the faketime
        // command would run it as a child of its own, which outlives a
        // terminate sent to the command.
        env.insert(QStringLiteral("LD_PRELOAD"), fakeTimeLibrary());
        env.insert(QStringLiteral("FAKETIME"), QLatin1Char('@') + fakeStart);
        // Timers run on the monotonic clock, which stays real.
        env.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
        arguments << QStringLiteral(KP_BINARY);
    }
    arguments = m_launcher + arguments;
    m_process.setProgram(arguments.takeFirst());
    m_process.setArguments(arguments);
    m_standardError.clear();
    m_process.setProcessEnvironment(env);
    m_process.start();
    return m_process.waitForStarted(5000);
}

bool ProgramRun::waitForExit(int ms)
{
    return m_process.waitForFinished(ms);
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
