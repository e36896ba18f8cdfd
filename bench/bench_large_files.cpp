// Large and damaged logs: how long the clock tick stands still while the
// program reads and draws them, and how much memory it takes.
//
//   - the Eb/No day chart of 172,800 readings (a reading a second from two
//     receivers): Chart clicked until painted, target <= 200 ms;
//   - the month view of 31 such days;
//   - the activity log viewer opening a 100 MB file;
//   - the Eb/No day chart of a 500 MB file (garbage appended by a fault).
//
// For each: the longest time between two 50 ms ticks of a timer on the
// window's thread (target <= 100 ms) and the peak resident memory above the
// program's size before it (target <= 300 MB).

#include "platform/clock.h"
#include "platform/parallelport.h"
#include "station/station.h"
#include "ui/frmactivitylog.h"
#include "ui/frmebnochart.h"
#include "benchdata.h"

#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

// Sets the peak back to the present size (Linux 4.0 on).
void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// A day of readings once a second from both receivers, about 2.9 MB.
QByteArray secondByDay()
{
    QByteArray bytes;
    bytes.reserve(172800 * 17);
    char line[32];
    for (int s = 0; s < 86400; ++s) {
        for (int receiver = 1; receiver <= 2; ++receiver) {
            const int tenths = 85 + receiver * 5 + (s * 7 + receiver) % 9 - (s % 3600 < 60 ? 40 : 0);
            const int n = std::snprintf(line, sizeof line, "%02d:%02d:%02d R%d %d.%d\r\n", s / 3600, s / 60 % 60,
                                        s % 60, receiver, tenths / 10, tenths % 10);
            bytes.append(line, n);
        }
    }
    return bytes;
}

struct Measure
{
    const char *what;
    double openMs = 0;
    qint64 longestTickMs = 0;
    qint64 baseKb = 0;
    qint64 peakKb = 0;
};

// Runs `start`, then the event loop until `done` and the next paint of the
// widget `shown` names, ticking as the clock does.
template <typename Start, typename Done, typename Shown>
Measure measure(const char *what, Start start, Done done, Shown shown)
{
    Measure m{what};
    QCoreApplication::processEvents();
    resetPeak();
    m.baseKb = statusKb("VmRSS:");
    QElapsedTimer sinceTick;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { m.longestTickMs = std::max(m.longestTickMs, sinceTick.restart()); });
    QElapsedTimer since;
    since.start();
    sinceTick.start();
    tick.start(50);
    start();
    // Painted once the work is done: a paint before it showed the old content.
    BenchData::Paints paints(shown());
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (!done())
            paints.count = 0;
        else if (paints.count > 0)
            break;
    }
    m.openMs = since.nsecsElapsed() / 1e6;
    // Whatever the loaded result sets in motion (a batched list layout).
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    m.peakKb = statusKb("VmHWM:");
    std::printf("%s: open %.0f ms; longest between two ticks %lld ms (target <= 100); peak memory %.1f MB above "
                "the %.1f MB before (target <= 300)\n",
                m.what, m.openMs, static_cast<long long>(m.longestTickMs), (m.peakKb - m.baseKb) / 1024.0,
                m.baseKb / 1024.0);
    std::fflush(stdout);
    return m;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("KESTRELPOINT_HOME", dir.path().toLocal8Bit());
    QDir(dir.path()).mkpath(QStringLiteral("logs"));
    const QDate last(2026, 12, 7);
    const QByteArray day = secondByDay();
    for (int d = 0; d < 31; ++d)
        BenchData::writeFile(dir.filePath(QStringLiteral("logs/EB") + last.addDays(-d).toString(QStringLiteral("yyMMdd")) + ".log"),
                             day);
    {
        // 100 MB of activity lines, and a 500 MB Eb/No day: a real day and garbage after it.
        QFile activity(dir.filePath(QStringLiteral("logs/AL261207.log")));
        QFile ebNo(dir.filePath(QStringLiteral("logs/EB261130.log")));
        if (!activity.open(QIODevice::WriteOnly) || !ebNo.open(QIODevice::WriteOnly))
            qFatal("cannot write the logs");
        const QByteArray lines = QByteArray("14:00:00  Receiver 1 SETAUDIO 1 S ENG 0  Morning Programme\r\n").repeated(16384);
        while (activity.size() < 100 * 1000 * 1000)
            activity.write(lines);
        ebNo.write(day);
        QByteArray garbage(1 << 20, '\0');
        for (qsizetype i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 2654435761u) >> 13);
        while (ebNo.size() < 500 * 1000 * 1000)
            ebNo.write(garbage);
    }
    BenchData::writeFile(dir.filePath(QStringLiteral("Kestrelpoint.ini")), BenchData::settings(5, true));

    QApplication app(argc, argv);
    ManualClock clock(QDateTime(last, QTime(18, 0)));
    Station station(clock, openParallelPort(dir.filePath(QStringLiteral("port"))));
    QString error;
    if (!station.InitProgram(&error))
        qFatal("%s", qPrintable(error));
    std::printf("Large logs, %s\n", qPrintable(QDateTime::currentDateTimeUtc().toString(Qt::ISODate)));

    station.LogKind = QStringLiteral("EB");
    frmActivityLog ebNoViewer(station);
    ebNoViewer.show();
    frmEbNoChart *chart = nullptr;
    const auto chartView = [&] { return chart->findChild<QChartView *>()->viewport(); };
    measure(
        "Eb/No day chart, 172,800 readings, Chart clicked to painted",
        [&] {
            ebNoViewer.findChild<QPushButton *>(QStringLiteral("cmdChart"))->click();
            chart = ebNoViewer.findChild<frmEbNoChart *>();
        },
        [&] { return !chart->isLoading(); },
        chartView);
    measure(
        "Eb/No month view, 31 days of 172,800 readings", [&] { chart->findChild<QRadioButton *>(QStringLiteral("optMonth"))->click(); },
        [&] { return !chart->isLoading(); }, chartView);
    measure(
        "Eb/No day chart of a 500 MB file", [&] { chart->showDay(QDate(2026, 11, 30)); },
        [&] { return !chart->isLoading(); }, chartView);
    delete chart;

    station.LogKind = QStringLiteral("AL");
    frmActivityLog viewer(station);
    viewer.show();
    measure(
        "activity log viewer opening a 100 MB file", [&] { viewer.findChild<QPushButton *>(QStringLiteral("cmdOk"))->click(); },
        [&] { return !viewer.isLoading(); },
        [&] { return viewer.findChild<QListView *>(QStringLiteral("lstActivityLog"))->viewport(); });
    return 0;
}
