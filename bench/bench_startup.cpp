// Start-up to the first clock tick with 999 schedules and two receivers, as
// the program starts (the main window built, the data read, both lists
// built), and the resident memory once it runs. Targets: <= 300 ms, <= 60 MB.

#include "app/mnumenu.h"
#include "benchdata.h"
#include "station/station.h"
#include "engine/switchengine.h"
#include "platform/clock.h"
#include "platform/parallelport.h"
#include "ui/fonts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {
long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}
} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("KESTRELPOINT_HOME", dir.path().toLocal8Bit());
    BenchData::writeFile(dir.filePath(QStringLiteral("SwitchList.dat")), BenchData::busyWeek(QTime::currentTime(), 5));
    BenchData::writeFile(dir.filePath(QStringLiteral("Kestrelpoint.ini")), BenchData::settings(0, true));
    BenchData::writeFile(dir.filePath(QStringLiteral("port")), QByteArray("\0\x7f", 2));
    const qint64 dataReady = sinceStart.nsecsElapsed();

    QApplication app(argc, argv);
    installFontSubstitutes();
    SystemClock clock;
    Station station(clock, openParallelPort(dir.filePath(QStringLiteral("port"))));
    mnuMenu window(station);
    QString error;
    if (!window.Load(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    window.showMaximized();
    bool first = true;
    QObject::connect(&window.engine(), &SwitchEngine::clockTextChanged, &window, [&] {
        if (!first)
            return;
        first = false;
        const double ms = (sinceStart.nsecsElapsed() - dataReady) / 1e6;
        std::printf("start-up to the first tick, 999 schedules, two receivers: %.1f ms; target <= 300 ms\n", ms);
        QTimer::singleShot(5000, [] {
            std::printf("resident memory after 5 s of running: %.1f MB; target <= 60 MB\n", residentKb() / 1024.0);
            std::fflush(stdout);
            std::_Exit(0);
        });
    });
    return app.exec();
}
