// What the status server costs the clock tick, and what an answer costs its
// own thread, on a full day's figures: two receivers read once a minute
// (1,440 readings each), 200 switches, 20 errors and 20 activity lines.
// Prints the median of each: a tick with nothing to publish, a tick that
// publishes a snapshot (at most once a second, or when something changed),
// and the making of /metrics, / and /status.json from the snapshot.
// Target: the tick's share well under a millisecond.

#include "engine/switchengine.h"
#include "monitor/exposition.h"
#include "monitor/statuspage.h"
#include "monitor/statuspublisher.h"
#include "platform/clock.h"
#include "platform/parallelport.h"
#include "receiver/receiverlink.h"
#include "station/station.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
double medianMicroseconds(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times << t.nsecsElapsed() / 1e3;
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("KESTRELPOINT_HOME", dir.path().toLocal8Bit());
    ManualClock clock(QDateTime(QDate(2027, 12, 6), QTime(0, 0)));
    Station station(clock, openParallelPort(dir.path() + QStringLiteral("/port")));
    QString error;
    if (!station.InitProgram(&error))
        qFatal("%s", qPrintable(error));
    station.settings.TwoReceivers = 1;
    station.settings.EbNoRate = 5;
    StationStats &stats = station.stats;
    for (int minute = 0; minute < 1440; ++minute) {
        clock.set(QDateTime(QDate(2027, 12, 6), QTime(0, 0)).addSecs(minute * 60 + 12));
        stats.ebNoRead(1, QString::number(8 + (minute % 30) / 10.0, 'f', 1), true);
        clock.advanceMs(8000);
        stats.ebNoRead(2, minute % 97 ? QStringLiteral("9.1") : QStringLiteral("None"), true);
    }
    for (int i = 0; i < 200; ++i)
        stats.switchDone(1 + i % 2, QStringLiteral("Program %1").arg(i), clock.now().addSecs(-i * 60), SwitchOutcome::Sent);
    for (int i = 0; i < 20; ++i) {
        stats.errorShown(QStringLiteral("2  No such file or directory: /dev/ttyS1 Command not sent."));
        stats.activityLine(QStringLiteral("Program %1                SETAUDIO 2 S ENG 7  ").arg(i));
    }
    ReceiverLink link(station);
    SwitchEngine engine(station, link);
    StatusPublisher publisher(station, engine);
    publisher.setActive(true);

    qint64 steady = StatusPublisher::steadyMs();
    const double idle = medianMicroseconds(10001, [&] { publisher.tickDoneAt(steady); });
    const double publish = medianMicroseconds(1001, [&] { publisher.tickDoneAt(steady += 1000); });
    publisher.tickDone();
    const StatusView view = publisher.view();
    const double metrics = medianMicroseconds(201, [&] { metricsText(view, readProcessFigures()); });
    const double page = medianMicroseconds(201, [&] { statusPage(view, "bench"); });
    const double json = medianMicroseconds(201, [&] { statusJson(view); });
    std::printf("status server, a full day's figures: tick with nothing to publish %.2f us, tick that publishes %.1f us "
                "(median); on the server's thread /metrics %.0f us, / %.0f us, /status.json %.0f us; "
                "target: the tick's share well under 1 ms\n",
                idle, publish, metrics, page, json);
    return 0;
}
