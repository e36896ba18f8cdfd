#include "processes.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

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
    if (!stop())
        kill();
}

void SimulatedReceiver::kill()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}

bool SimulatedReceiver::stop()
{
    m_process.terminate();
    return m_process.waitForFinished(3000) && m_process.exitStatus() == QProcess::NormalExit
        && m_process.exitCode() == 0;
}

QStringList SimulatedReceiver::receivedWithTimes()
{
    m_process.waitForReadyRead(50);
    m_output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
    return m_output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList SimulatedReceiver::received()
{
    static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\s+"));
    QStringList lines = receivedWithTimes();
    for (QString &line : lines)
        line.remove(time);
    return lines;
}

const QStringList ProgramRun::kDataFiles = {QStringLiteral("SwitchList.dat"), QStringLiteral("Kestrelpoint.ini"),
                                            QStringLiteral("TimeReset.ini"), QStringLiteral("Source.dat")};

ProgramRun::ProgramRun()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("home/logs"));
    writeFile(portFile(), QByteArray("\xff\x7f", 2));
}

ProgramRun::~ProgramRun()
{
    stop();
}

void ProgramRun::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile f(name.startsWith(QLatin1Char('/')) ? name : file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray ProgramRun::readFile(const QString &name) const
{
    QFile f(name.startsWith(QLatin1Char('/')) ? name : file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
    const QByteArray bytes = readFile(portFile());
    return bytes.isEmpty() ? 0 : quint8(bytes.at(0));
}

QMap<QString, QByteArray> ProgramRun::dataFiles() const
{
    QMap<QString, QByteArray> files;
    for (const QString &name : kDataFiles)
        files.insert(name, readFile(name));
    return files;
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

QProcessEnvironment ProgramRun::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KESTRELPOINT_HOME"), home());
    env.insert(QStringLiteral("KESTRELPOINT_PARPORT"), portFile());
    env.insert(QStringLiteral("KESTRELPOINT_CLOCK_DRYRUN"), clockDryRun());
    env.insert(QStringLiteral("KESTRELPOINT_FLOPPY"), scratch(QStringLiteral("floppy")));
    env.insert(QStringLiteral("KESTRELPOINT_PRINT_PDF"), m_dir.path());
    for (int n = 1; n <= 4; ++n)
        env.insert(QStringLiteral("KESTRELPOINT_COM%1").arg(n), scratch(QStringLiteral("no-such-tty")));
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
    QStringList command = m_launcher + QStringList{QStringLiteral(KP_BINARY)};
    m_process.setProgram(command.takeFirst());
    m_process.setArguments(command);
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

bool ProgramRun::hasError(const QString &part)
{
    const QStringList errors = errorMessages();
    return std::any_of(errors.cbegin(), errors.cend(), [&](const QString &e) { return e.contains(part); });
}

bool ProgramRun::pulse(quint8 status, const std::function<bool()> &effect)
{
    setStatus(status);
    const bool seen = QTest::qWaitFor(effect, 5000);
    setStatus(kIdle);
    return seen;
}
