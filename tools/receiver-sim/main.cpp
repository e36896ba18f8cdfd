// A simulated Unity 4K receiver on a pseudo-terminal (or a real serial
// device), for the demo and the end-to-end tests. The first line on standard
// output is the path a program should open; then every command line received
// is printed with the time it arrived.

#include "simreceiver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QList>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum class Mode { Normal, Silent, Slow, NoPrompt, Garbage, Flood };

volatile std::sig_atomic_t g_stop = 0;

void onStopSignal(int)
{
    g_stop = 1;
}

void fail(const QString &text)
{
    std::fprintf(stderr, "kestrelpoint-receiver-sim: %s\n", qPrintable(text));
    std::exit(2);
}

bool makeRaw(int fd)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

// The receiver's side of the line and, for a pseudo-terminal, the program's
// side held open too: with no one on the program's side the receiver's side
// would report a hang-up at every poll between two conversations.
struct Line
{
    int fd = -1;
    int heldSlave = -1;
    QString path;
};

Line openPseudoTerminal()
{
    Line line;
    line.fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line.fd < 0 || grantpt(line.fd) != 0 || unlockpt(line.fd) != 0)
        fail(QStringLiteral("no pseudo-terminal: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    const char *name = ptsname(line.fd);
    if (!name)
        fail(QStringLiteral("no pseudo-terminal name"));
    line.path = QString::fromLocal8Bit(name);
    line.heldSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line.heldSlave < 0 || !makeRaw(line.heldSlave))
        fail(QStringLiteral("cannot set up %1: %2").arg(line.path, QString::fromLocal8Bit(std::strerror(errno))));
    makeRaw(line.fd);
    return line;
}

Line openDevice(const QString &path)
{
    Line line;
    line.path = path;
    line.fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line.fd < 0)
        fail(QStringLiteral("cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    if (isatty(line.fd) && !makeRaw(line.fd))
        fail(QStringLiteral("cannot set %1 to raw mode: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    return line;
}

struct Pending
{
    qint64 dueMs = 0;
    QByteArray bytes;
};

class Simulator
{
public:
    Simulator(Line line, Mode mode, int delayMs, qint64 floodBytes, SimReceiver receiver, const QString &logPath)
        : m_line(line), m_mode(mode), m_delayMs(delayMs), m_floodBytes(floodBytes), m_receiver(std::move(receiver)),
          m_random(QRandomGenerator::securelySeeded())
    {
        if (!logPath.isEmpty()) {
            m_log.setFileName(logPath);
            if (!m_log.open(QIODevice::Append | QIODevice::Unbuffered))
                fail(QStringLiteral("cannot open the log %1: %2").arg(logPath, m_log.errorString()));
        }
        const int flags = fcntl(m_line.fd, F_GETFL);
        fcntl(m_line.fd, F_SETFL, flags | O_NONBLOCK);
        m_clock.start();
    }

    int run()
    {
        sigset_t blocked, unblocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGTERM);
        sigaddset(&blocked, SIGINT);
        sigprocmask(SIG_BLOCK, &blocked, &unblocked);
        sigdelset(&unblocked, SIGTERM);
        sigdelset(&unblocked, SIGINT);

        while (!g_stop) {
            pollfd p{m_line.fd, POLLIN, 0};
            if (!m_out.isEmpty() && m_out.first().dueMs <= m_clock.elapsed())
                p.events |= POLLOUT;
            timespec wait{};
            timespec *timeout = nullptr;
            if (!m_out.isEmpty() && !(p.events & POLLOUT)) {
                const qint64 ms = qMax<qint64>(0, m_out.first().dueMs - m_clock.elapsed());
                wait.tv_sec = ms / 1000;
                wait.tv_nsec = (ms % 1000) * 1000000;
                timeout = &wait;
            }
            // Signals are let in only while waiting, so a stop request can
            // never slip in between the check and the wait.
            const int n = ppoll(&p, 1, timeout, &unblocked);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                fail(QStringLiteral("poll: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
            }
            if (p.revents & POLLIN)
                readInput();
            if (p.revents & POLLOUT)
                writeOutput();
            if ((p.revents & (POLLHUP | POLLERR)) && !(p.revents & POLLIN)) {
                // A device that went away: wait a little instead of spinning.
                usleep(100000);
            }
        }
        if (m_line.heldSlave >= 0)
            ::close(m_line.heldSlave);
        ::close(m_line.fd);
        return 0;
    }

private:
    void readInput()
    {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(m_line.fd, buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (ssize_t i = 0; i < got; ++i) {
                const char c = buffer[i];
                if (c == '\r' || c == '\n') {
                    if (!m_partial.isEmpty() || c == '\r')
                        command(m_partial);
                    m_partial.clear();
                } else {
                    m_partial += c;
                }
            }
        }
    }

    void command(const QByteArray &line)
    {
        const QByteArray stamped =
            QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1() + "  " + line + '\n';
        answer(line);
        // Printed once the answer is on the line, so that a watcher who saw
        // the command knows its answer cannot arrive any later (slow mode
        // aside).
        std::fwrite(stamped.constData(), 1, size_t(stamped.size()), stdout);
        std::fflush(stdout);
        if (m_log.isOpen())
            m_log.write(stamped);
    }

    void answer(const QByteArray &line)
    {
        QByteArray reply = m_receiver.answer(line);
        qint64 delay = 0;
        switch (m_mode) {
        case Mode::Normal:
            break;
        case Mode::Silent:
            return;
        case Mode::Slow:
            delay = m_delayMs;
            break;
        case Mode::NoPrompt:
            reply = SimReceiver::withoutPrompt(reply);
            break;
        case Mode::Garbage:
            reply = garbage();
            break;
        case Mode::Flood:
            reply = flood() + reply;
            break;
        }
        m_out.append({m_clock.elapsed() + delay, reply});
        writeOutput();
    }

    // Line noise: any byte but the prompt, then the prompt so the
    // conversation still ends.
    QByteArray garbage()
    {
        QByteArray junk(64 + int(m_random.bounded(448)), '\0');
        for (char &c : junk) {
            c = char(m_random.bounded(256));
            if (c == '>')
                c = '?';
        }
        return junk + '>';
    }

    QByteArray flood() const
    {
        QByteArray line = "FLOOD 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz\r\n";
        QByteArray out;
        out.reserve(m_floodBytes + line.size());
        while (out.size() < m_floodBytes)
            out += line;
        return out;
    }

    void writeOutput()
    {
        while (!m_out.isEmpty() && m_out.first().dueMs <= m_clock.elapsed()) {
            QByteArray &bytes = m_out.first().bytes;
            const ssize_t n = ::write(m_line.fd, bytes.constData(), size_t(bytes.size()));
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR)
                    return;
                // Nobody on the line: the answer is lost, as on a real cable.
                m_out.removeFirst();
                continue;
            }
            bytes.remove(0, n);
            if (!bytes.isEmpty())
                return;
            m_out.removeFirst();
        }
    }

    Line m_line;
    Mode m_mode;
    int m_delayMs;
    qint64 m_floodBytes;
    SimReceiver m_receiver;
    QRandomGenerator m_random;
    QFile m_log;
    QElapsedTimer m_clock;
    QByteArray m_partial;
    QList<Pending> m_out;
};

Mode parseMode(const QString &text)
{
    if (text == QLatin1String("normal"))
        return Mode::Normal;
    if (text == QLatin1String("silent"))
        return Mode::Silent;
    if (text == QLatin1String("slow"))
        return Mode::Slow;
    if (text == QLatin1String("noprompt"))
        return Mode::NoPrompt;
    if (text == QLatin1String("garbage"))
        return Mode::Garbage;
    if (text == QLatin1String("flood"))
        return Mode::Flood;
    fail(QStringLiteral("unknown mode %1 (normal, silent, slow, noprompt, garbage, flood)").arg(text));
    return Mode::Normal;
}

double numberOption(const QCommandLineParser &parser, const QString &name)
{
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok)
        fail(QStringLiteral("--%1 needs a number, not \"%2\"").arg(name, parser.value(name)));
    return value;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrelpoint-receiver-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTRELPOINT_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated Unity 4K satellite receiver. Prints the serial device to open on its first line, then each "
        "command received with its time."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("device"), QStringLiteral("Answer on this serial device instead of a new pseudo-terminal."),
         QStringLiteral("path")},
        {QStringLiteral("ebno"), QStringLiteral("The Eb/No value \"R C\" reports (default 8.5)."), QStringLiteral("dB"),
         QStringLiteral("8.5")},
        {QStringLiteral("drift"), QStringLiteral("How far the Eb/No may wander at each reading (default 0)."),
         QStringLiteral("dB"), QStringLiteral("0")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the wandering, for repeatable runs."), QStringLiteral("n"),
         QStringLiteral("1")},
        {QStringLiteral("mode"),
         QStringLiteral("normal, silent (no answer), slow (answers after --delay-ms), noprompt (answers without "
                        "\">\"), garbage (line noise), flood (megabytes before each answer)."),
         QStringLiteral("mode"), QStringLiteral("normal")},
        {QStringLiteral("delay-ms"), QStringLiteral("Delay of each answer in slow mode (default 2000)."),
         QStringLiteral("ms"), QStringLiteral("2000")},
        {QStringLiteral("flood-bytes"), QStringLiteral("Bytes sent before each answer in flood mode (default 4 MiB)."),
         QStringLiteral("bytes"), QStringLiteral("4194304")},
        {QStringLiteral("log"), QStringLiteral("Also append each received line to this file."), QStringLiteral("file")},
    });
    parser.process(app);

    const Mode mode = parseMode(parser.value(QStringLiteral("mode")));
    const double ebNo = numberOption(parser, QStringLiteral("ebno"));
    const double drift = numberOption(parser, QStringLiteral("drift"));
    const int delayMs = int(numberOption(parser, QStringLiteral("delay-ms")));
    const qint64 floodBytes = qint64(numberOption(parser, QStringLiteral("flood-bytes")));
    const quint32 seed = quint32(numberOption(parser, QStringLiteral("seed")));

    struct sigaction stop
    {
    };
    stop.sa_handler = onStopSignal;
    sigemptyset(&stop.sa_mask);
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const Line line = parser.isSet(QStringLiteral("device")) ? openDevice(parser.value(QStringLiteral("device")))
                                                             : openPseudoTerminal();
    std::printf("%s\n", qPrintable(line.path));
    std::fflush(stdout);

    Simulator simulator(line, mode, delayMs, floodBytes, SimReceiver(ebNo, drift, seed),
                        parser.value(QStringLiteral("log")));
    return simulator.run();
}
