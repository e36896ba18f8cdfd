#include "stopsignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_stops = 0;
std::atomic<void (*)()> g_lastWords{nullptr};
constexpr int kStopSignals[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr unsigned kForcedEndSeconds = 20;

// The last words, then the signal's own action: the program ends by it.
void forcedEnd(int signalNumber)
{
    if (void (*lastWords)() = g_lastWords)
        lastWords();
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

void onStopSignal(int signalNumber)
{
    const int saved = errno;
    const bool again = g_stops != 0;
    g_stops = 1;
    if (again) {
        forcedEnd(signalNumber);
    } else {
        const char byte = char(signalNumber);
        // A full pipe already holds a stop request; nothing is lost.
        [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
        alarm(kForcedEndSeconds);
    }
    errno = saved;
}

void onForcedEndAlarm(int)
{
    forcedEnd(SIGTERM);
}

bool install(int signalNumber, void (*handler)(int), int flags)
{
    // A signal the starter chose to ignore stays ignored.
    struct sigaction before = {};
    if (::sigaction(signalNumber, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
        return false;
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    return ::sigaction(signalNumber, &action, nullptr) == 0;
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_problem = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readPipe);
    for (int signalNumber : kStopSignals) {
        if (install(signalNumber, onStopSignal, SA_RESTART))
            m_caught.push_back(signalNumber);
    }
    if (install(SIGALRM, onForcedEndAlarm, SA_RESTART))
        m_caught.push_back(SIGALRM);
    // The crash's own signal again at once, with its core dump.
    for (int signalNumber : kCrashSignals) {
        if (install(signalNumber, forcedEnd, SA_RESETHAND | SA_NODEFER))
            m_caught.push_back(signalNumber);
    }
}

StopSignals::~StopSignals()
{
    alarm(0);
    for (int signalNumber : m_caught)
        std::signal(signalNumber, SIG_DFL);
    delete m_notifier;
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void StopSignals::setLastWords(void (*lastWords)())
{
    g_lastWords = lastWords;
}

void StopSignals::readPipe()
{
    char byte = 0;
    if (::read(g_pipe[0], &byte, 1) == 1)
        Q_EMIT stopRequested(int(byte));
}
