// The status server under a bounded load while the program switches: the
// real program and a simulated receiver that answers its readings only after
// 1.2 s (so each Eb/No and MPEG reading holds the user-interface thread), the
// day's Eb/No readings so far (one a minute) in its log, three switches 20 s
// apart, and 200 requests a second on loopback for 60 s (12,000
// requests, a fixed number; the load stops by itself). Prints the answer
// times (median and 99th percentile, all of them and those answered while a
// conversation held the program), the first send of each switch against 13 s
// before it, and the program's resident memory before and after the load.
// Targets: p99 <= 50 ms, worst first send within 60 ms, memory growth <= 1 MB.
// Usage: bench_status_server PROGRAM SIMULATOR [seconds] [requests-per-second]

#include "benchdata.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

struct Answer
{
    double ms = -1;      // -1: no answer
    bool held = false;   // the program stood still when it was made
};

// One request on its own connection: the time to the whole answer.
Answer ask(quint16 port, const QByteArray &path)
{
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Answer answer;
    const QByteArray request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    if (::connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
        && ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) == request.size()) {
        QByteArray got;
        char buffer[65536];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            got.append(buffer, n);
        if (got.startsWith("HTTP/1.1 200")) {
            answer.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            static const QRegularExpression age(QStringLiteral("(?:last_tick_age_seconds |\"tickAgeSeconds\": )([0-9.e-]+)"));
            const QRegularExpressionMatch m = age.match(QString::fromLatin1(got));
            answer.held = m.hasMatch() && m.captured(1).toDouble() > 0.2;
        }
    }
    ::close(fd);
    return answer;
}

qint64 residentKb(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    f.open(QIODevice::ReadOnly);
    const QByteArray status = f.readAll();
    const qsizetype at = status.indexOf("VmRSS:");
    return status.mid(at + 6, status.indexOf('\n', at) - at - 6).trimmed().split(' ').first().toLongLong();
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return NAN;
    std::sort(values.begin(), values.end());
    return values.at(std::min<qsizetype>(values.size() - 1, qsizetype(std::ceil(p * values.size())) - 1));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_status_server PROGRAM SIMULATOR [seconds] [requests-per-second]\n");
        return 2;
    }
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 60;
    const int rate = argc > 4 ? std::atoi(argv[4]) : 200;
    QTemporaryDir dir;
    BenchData::writeFile(dir.filePath(QStringLiteral("port")), QByteArray("\0\x7f", 2));
    // Port 1, 9600 baud, activity log, Eb/No every minute, MPEG log, parallel port, one receiver.
    BenchData::writeFile(dir.filePath(QStringLiteral("Kestrelpoint.ini")), "111511w020");
    QList<QDateTime> due;
    const QByteArray schedules =
        BenchData::switchesFrom(QDateTime::currentDateTime().addSecs(18), 3, 20, QStringLiteral("Load"), due);
    BenchData::writeFile(dir.filePath(QStringLiteral("SwitchList.dat")), schedules);
    // Today's readings so far, once a minute, as a program that ran all day
    // left them: the page draws them and status.json lists them.
    QByteArray readings;
    for (int minute = 0; minute < QTime::currentTime().msecsSinceStartOfDay() / 60000; ++minute)
        readings += QTime(0, 0).addSecs(minute * 60 + 12).toString(QStringLiteral("HH:mm:ss")).toLatin1() + "  "
            + QByteArray::number(8.0 + (minute % 40) / 20.0, 'f', 1) + "\r\n";
    QDir(dir.path()).mkpath(QStringLiteral("logs"));
    BenchData::writeFile(dir.filePath(QStringLiteral("logs/EB") + QDate::currentDate().toString(QStringLiteral("yyMMdd"))
                                      + QStringLiteral(".log")),
                         readings);

    QProcess sim;
    sim.start(QString::fromLocal8Bit(argv[2]), {QStringLiteral("--mode"), QStringLiteral("slow"),
                                                QStringLiteral("--delay-ms"), QStringLiteral("1200")});
    QByteArray simOut;
    while (!simOut.contains('\n') && sim.waitForReadyRead(5000))
        simOut += sim.readAllStandardOutput();
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KESTRELPOINT_HOME"), dir.path());
    env.insert(QStringLiteral("KESTRELPOINT_COM1"), QString::fromLocal8Bit(simOut.left(simOut.indexOf('\n'))));
    env.insert(QStringLiteral("KESTRELPOINT_PARPORT"), dir.filePath(QStringLiteral("port")));
    program.setProcessEnvironment(env);
    program.setReadChannel(QProcess::StandardError);
    program.start(QString::fromLocal8Bit(argv[1]), {QStringLiteral("--status-listen"), QStringLiteral("127.0.0.1:0")});
    QByteArray said;
    static const QRegularExpression where(QStringLiteral("answers on http://127\\.0\\.0\\.1:(\\d+)/"));
    while (!where.match(QString::fromLocal8Bit(said)).hasMatch() && program.waitForReadyRead(10000))
        said += program.readAllStandardError();
    const quint16 port = quint16(where.match(QString::fromLocal8Bit(said)).captured(1).toUInt());
    if (!port) {
        std::fprintf(stderr, "the program did not start its status server: %s\n", said.constData());
        program.kill();
        program.waitForFinished();
        sim.kill();
        sim.waitForFinished();
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));

    // Four clients, each a quarter of the rate, each request at its own
    // moment: a late answer does not slow the load down.
    const QList<QByteArray> paths = {"/metrics", "/status.json", "/", "/healthz"};
    const int total = seconds * rate, clients = 4;
    std::mutex lock;
    QList<Answer> answers;
    const qint64 rssBefore = residentKb(program.processId());
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            for (int i = c; i < total; i += clients) {
                std::this_thread::sleep_until(start + std::chrono::microseconds(qint64(i) * 1000000 / rate));
                const Answer a = ask(port, paths[i % paths.size()]);
                std::lock_guard guard(lock);
                answers << a;
            }
        });
    }
    for (std::thread &t : threads)
        t.join();
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const qint64 rssAfter = residentKb(program.processId());
    while (sim.waitForReadyRead(500))
        simOut += sim.readAllStandardOutput();
    program.terminate();
    program.waitForFinished(5000);
    sim.terminate();
    sim.waitForFinished();

    QList<double> all, held;
    int failed = 0;
    for (const Answer &a : answers) {
        if (a.ms < 0) {
            ++failed;
            continue;
        }
        all << a.ms;
        if (a.held)
            held << a.ms;
    }
    const QList<QDateTime> firstSends = BenchData::firstSends(simOut);
    double worst = 0;
    QString sends;
    for (int i = 0; i < due.size(); ++i) {
        const double off = i < firstSends.size() ? double(due[i].addSecs(-13).msecsTo(firstSends[i])) : NAN;
        sends += QStringLiteral(" %1%2").arg(off >= 0 ? QStringLiteral("+") : QString()).arg(off);
        worst = std::isnan(off) ? INFINITY : std::max(worst, std::fabs(off));
    }
    std::printf("status server under load: %d requests in %.1f s (%d unanswered); answer time median %.1f ms, p99 %.1f ms, "
                "max %.1f ms; while a conversation held the program (%lld answers): median %.1f ms, p99 %.1f ms; "
                "target p99 <= 50 ms\n",
                int(answers.size()), took, failed, percentile(all, 0.5), percentile(all, 0.99), percentile(all, 1.0),
                qlonglong(held.size()), percentile(held, 0.5), percentile(held, 0.99));
    std::printf("switch timing under that load, first send - (T-13 s), ms:%s; worst %.0f ms; target within 60 ms\n",
                qPrintable(sends), worst);
    std::printf("resident memory: %lld kB before the load, %lld kB after, growth %lld kB; target <= 1024 kB\n",
                rssBefore, rssAfter, rssAfter - rssBefore);
    return 0;
}
