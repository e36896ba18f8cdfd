// The Eb/No charts from the log viewer: the click on Chart until the day
// chart has painted for a two-receiver day of 2,880 readings, and the click on
// Month until the month view from 31 such days (89,280 lines) has painted.
// Targets: <= 100 ms and <= 300 ms; the clock tick shares this thread.
//
// bench_ebno_chart FOLDER saves the same charts as FOLDER/ebno-day-chart.png
// and FOLDER/ebno-month.png instead (for docs/screenshots; run it under
// xvfb-run -s "-screen 0 1280x1024x24" to draw with a real window system).

#include "platform/clock.h"
#include "platform/parallelport.h"
#include "station/station.h"
#include "ui/fonts.h"
#include "ui/frmactivitylog.h"
#include "ui/frmebnochart.h"
#include "benchdata.h"

#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

// A day of readings once a minute from both receivers, `daysBack` before
// the last day: each drifts slowly, receiver 1 (the better one) declines
// over the month (a tired LNB), and rain fades now and then, deep enough on the last day that
// receiver 1 loses the carrier ("None") for a few minutes.
QByteArray ebNoDay(int daysBack)
{
    struct Fade
    {
        int daysBack;
        int minute;
        double depth;
    };
    constexpr Fade kFades[] = {{0, 900, 8.0}, {6, 540, 3.0}, {17, 1200, 4.5}, {24, 420, 2.0}};
    QRandomGenerator random(daysBack + 1);
    std::array<double, 2> drift{};
    QByteArray bytes;
    for (int minute = 0; minute < 24 * 60; ++minute) {
        double fade = 0;
        for (const Fade &f : kFades) {
            if (f.daysBack == daysBack)
                fade += f.depth * std::exp(-std::pow((minute - f.minute) / 25.0, 2));
        }
        for (int receiver = 1; receiver <= 2; ++receiver) {
            double &walk = drift[receiver - 1];
            walk = std::clamp(walk + (random.generateDouble() - 0.5) * 0.06, -0.35, 0.35);
            const double base = receiver == 1 ? 9.4 + 0.03 * daysBack : 8.9;
            const double dB = base + walk - fade * (receiver == 1 ? 1.0 : 0.55) + (random.generateDouble() - 0.5) * 0.1;
            const QByteArray value = dB < 2.5 ? QByteArray("None") : QByteArray::number(dB, 'f', 1);
            const QTime at = QTime(0, 0).addSecs(minute * 60 + (receiver == 1 ? 12 : 20));
            bytes += at.toString(QStringLiteral("HH:mm:ss")).toLatin1() + " R" + QByteArray::number(receiver) + ' '
                + value + "\r\n";
        }
    }
    return bytes;
}

// Time until the chart has been read and painted.
double untilPainted(QElapsedTimer &since, frmEbNoChart *chart)
{
    BenchData::Paints paints(chart->findChild<QChartView *>()->viewport());
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (chart->isLoading())
            paints.count = 0;
        else if (paints.count > 0)
            return since.nsecsElapsed() / 1e6;
    }
}

void report(const char *what, QList<double> ms, double target)
{
    const double first = ms.first();
    std::sort(ms.begin(), ms.end());
    std::printf("%s: first %.1f ms, median %.1f ms of %lld; target <= %.0f ms\n", what, first, ms.at(ms.size() / 2),
                static_cast<long long>(ms.size()), target);
}

} // namespace

// The pictures for the operator's documentation.
int screenshots(frmActivityLog &viewer, const QString &folder)
{
    viewer.findChild<QPushButton *>(QStringLiteral("cmdChart"))->click();
    auto *chart = viewer.findChild<frmEbNoChart *>();
    chart->resize(1200, 760);
    while (chart->isLoading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    if (!chart->grab().save(folder + QStringLiteral("/ebno-day-chart.png")))
        return 1;
    chart->findChild<QRadioButton *>(QStringLiteral("optMonth"))->click();
    while (chart->isLoading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    return chart->grab().save(folder + QStringLiteral("/ebno-month.png")) ? 0 : 1;
}

int main(int argc, char *argv[])
{
    const QString screenshotFolder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (screenshotFolder.isEmpty() || qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("KESTRELPOINT_HOME", dir.path().toLocal8Bit());
    QDir(dir.path()).mkpath(QStringLiteral("logs"));
    const QDate last(2026, 12, 7);
    for (int d = 0; d < 31; ++d) {
        const QDate day = last.addDays(-d);
        // Two days on which the program did not run.
        if (!screenshotFolder.isEmpty() && (d == 11 || d == 12))
            continue;
        BenchData::writeFile(dir.filePath(QStringLiteral("logs/EB") + day.toString(QStringLiteral("yyMMdd")) + ".log"),
                             ebNoDay(d));
    }
    BenchData::writeFile(dir.filePath(QStringLiteral("Kestrelpoint.ini")), BenchData::settings(5, true));

    QApplication app(argc, argv);
    installFontSubstitutes();
    ManualClock clock(QDateTime(last, QTime(18, 0)));
    Station station(clock, openParallelPort(dir.filePath(QStringLiteral("port"))));
    QString error;
    if (!station.InitProgram(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    station.LogKind = QStringLiteral("EB");
    frmActivityLog viewer(station);
    viewer.show();
    QCoreApplication::processEvents();
    if (!screenshotFolder.isEmpty())
        return screenshots(viewer, screenshotFolder);
    auto *cmdChart = viewer.findChild<QPushButton *>(QStringLiteral("cmdChart"));

    QList<double> day;
    QList<double> month;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer since;
        since.start();
        cmdChart->click();
        auto *chart = viewer.findChild<frmEbNoChart *>();
        day.append(untilPainted(since, chart));

        since.restart();
        chart->findChild<QRadioButton *>(QStringLiteral("optMonth"))->click();
        month.append(untilPainted(since, chart));
        delete chart;
        QCoreApplication::processEvents();
    }
    report("Eb/No day chart, 2,880 readings, click to first paint", day, 100);
    report("Eb/No month view, 31 days of 2,880 readings, click to first paint", month, 300);
    return 0;
}
