// How much processor a conversation's wait costs. A receiver that never
// answers holds the program for the whole limit A; the wait must sleep in
// the port, not spin. Opens a pseudo-terminal nobody answers on, points
// serial port 1 at it, runs limit-A conversations with the system clock and
// prints the wall time and the processor time as a share of one core. A
// second case hangs the line up in the middle of the wait, as a pulled
// cable would, which makes the port fail at every read.

#include "platform/clock.h"
#include "platform/serialchannel.h"
#include "receiver/conversation.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int openPseudoTerminal()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("posix_openpt");
        std::exit(1);
    }
    setenv("KESTRELPOINT_COM1", ptsname(master), 1);
    return master;
}

struct Figures
{
    double wall = 0;
    double cpu = 0;
};

// One limit-A conversation on port 1; `hangUp` closes the far end once the
// command is out.
Figures converse(SerialChannel &channel, Clock &clock, int &master, bool hangUp)
{
    if (!channel.open(1, QStringLiteral("9600,N,8,1"))) {
        std::fprintf(stderr, "cannot open port 1: %s\n", qPrintable(Conversation::portErrorText(channel)));
        std::exit(1);
    }
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    channel.write(Conversation::commandLine(QStringLiteral("R C")));
    if (hangUp) {
        ::close(master);
        master = -1;
    }
    QByteArray buffer;
    Conversation::collect(channel, clock, Conversation::limitA(clock), Conversation::kPromptAnywhere, buffer);
    Figures f{wall.nsecsElapsed() / 1e9, cpuSeconds() - cpuBefore};
    channel.close();
    char sink[256];
    while (master >= 0 && ::read(master, sink, sizeof sink) > 0) {
    }
    return f;
}

double report(const char *what, const Figures &total, int rounds)
{
    const double share = 100.0 * total.cpu / total.wall;
    std::printf("%s, %d conversations: wall %.3f s, cpu %.4f s, %.2f%% of one core (target <= 5%%): %s\n", what, rounds,
                total.wall, total.cpu, share, share <= 5.0 ? "met" : "NOT met");
    return share;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    SystemClock clock;
    auto channel = makeSerialChannel();

    int master = openPseudoTerminal();
    Figures silent;
    for (int i = 0; i < rounds; ++i) {
        const Figures f = converse(*channel, clock, master, false);
        std::printf("  silent receiver %d: wall %.3f s, cpu %.4f s\n", i + 1, f.wall, f.cpu);
        silent.wall += f.wall;
        silent.cpu += f.cpu;
    }
    ::close(master);

    Figures hungUp;
    for (int i = 0; i < rounds; ++i) {
        master = openPseudoTerminal();
        const Figures f = converse(*channel, clock, master, true);
        std::printf("  line hung up %d: wall %.3f s, cpu %.4f s\n", i + 1, f.wall, f.cpu);
        hungUp.wall += f.wall;
        hungUp.cpu += f.cpu;
    }

    const double a = report("limit A wait, silent receiver", silent, rounds);
    const double b = report("limit A wait, line hung up", hungUp, rounds);
    return (a <= 5.0 && b <= 5.0) ? 0 : 2;
}
