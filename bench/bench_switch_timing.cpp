// Switch timing end to end: the real program and a simulated receiver on a
// pseudo-terminal, ten switches 20 s apart. Prints how far the first
// "SETAUDIO " of each switch is from 13 s before the switch, and how far the
// remote start is from the switch time. Target: every one within 60 ms.
// Usage: bench_switch_timing PROGRAM SIMULATOR [switches]

#include "benchdata.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_switch_timing PROGRAM SIMULATOR [switches]\n");
        return 2;
    }
    const int switches = argc > 3 ? std::atoi(argv[3]) : 10;
    QTemporaryDir dir;
    const QString port = dir.filePath(QStringLiteral("port"));
    BenchData::writeFile(port, QByteArray("\0\x7f", 2));
    BenchData::writeFile(dir.filePath(QStringLiteral("Kestrelpoint.ini")), "111001w020");

    QList<QDateTime> due;
    const QByteArray schedules =
        BenchData::switchesFrom(QDateTime::currentDateTime().addSecs(25), switches, 20, QStringLiteral("Timing"), due);
    BenchData::writeFile(dir.filePath(QStringLiteral("SwitchList.dat")), schedules);

    QProcess sim;
    sim.start(QString::fromLocal8Bit(argv[2]), {});
    QByteArray simOut;
    while (!simOut.contains('\n') && sim.waitForReadyRead(5000))
        simOut += sim.readAllStandardOutput();
    const QString device = QString::fromLocal8Bit(simOut.left(simOut.indexOf('\n')));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KESTRELPOINT_HOME"), dir.path());
    env.insert(QStringLiteral("KESTRELPOINT_COM1"), device);
    env.insert(QStringLiteral("KESTRELPOINT_PARPORT"), port);
    program.setProcessEnvironment(env);
    program.start(QString::fromLocal8Bit(argv[1]), {});

    // Watch the remote-start output at millisecond resolution.
    QList<QDateTime> rises;
    bool on = false;
    QFile portFile(port);
    portFile.open(QIODevice::ReadOnly);
    const QDateTime end = due.last().addSecs(3);
    while (QDateTime::currentDateTime() < end) {
        portFile.seek(0);
        const QByteArray read = portFile.read(1);
        const char byte = read.isEmpty() ? 0 : read.at(0);
        const bool now = byte & 32;
        if (now && !on)
            rises << QDateTime::currentDateTime();
        on = now;
        QThread::usleep(500);
    }
    while (sim.waitForReadyRead(500))
        simOut += sim.readAllStandardOutput();
    program.kill();
    program.waitForFinished();
    sim.terminate();
    sim.waitForFinished();

    const QList<QDateTime> firstSends = BenchData::firstSends(simOut);

    double worst = 0;
    int within = 0;
    std::printf("switch  first SETAUDIO - (T-13 s)  remote start - T\n");
    for (int i = 0; i < switches; ++i) {
        const double send = i < firstSends.size() ? due[i].addSecs(-13).msecsTo(firstSends[i]) : NAN;
        const double rise = i < rises.size() ? due[i].msecsTo(rises[i]) : NAN;
        std::printf("%6d  %+20.0f ms  %+14.0f ms\n", i + 1, send, rise);
        worst = std::fmax(worst, std::fmax(std::fabs(send), std::fabs(rise)));
        if (std::fabs(send) <= 60 && std::fabs(rise) <= 60)
            ++within;
    }
    std::printf("switch timing over %d switches: worst %.0f ms, %d of %d within 60 ms; target: every one within 60 ms\n",
                switches, worst, within, switches);
    return 0;
}
