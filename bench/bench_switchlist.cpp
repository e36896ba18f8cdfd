// Rebuilds receiver 1's list from 999 schedules with a time on every day
// (6,993 entries), including the update of the list the main window shows,
// and prints the median. Target: at most 5 ms, as it runs inside a 50 ms tick.

#include "station/station.h"
#include "platform/clock.h"
#include "platform/parallelport.h"
#include "ui/switchlistmodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("KESTRELPOINT_HOME", dir.path().toLocal8Bit());
    ManualClock clock(QDateTime(QDate(2027, 12, 6), QTime(9, 0)));
    Station station(clock, openParallelPort(dir.path() + QStringLiteral("/port")));
    QString error;
    if (!station.InitProgram(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    for (int n = 1; n <= 999; ++n) {
        ScheduleRecord r;
        r.PgmName = QStringLiteral("Program %1").arg(n);
        r.Receiver = 1;
        for (int d = 0; d < 7; ++d)
            r.SwitchTime[d] = QTime(0, 0).addSecs((n * 37 + d * 3600) % 86400).toString(QStringLiteral("HH:mm:ss"));
        station.store().WriteScheduleRecord(n, BuildScheduleRecord(r));
    }
    SwitchListModel model(station, 1);
    QListView view;
    view.setUniformItemSizes(true);
    view.setModel(&model);
    view.resize(260, 90);
    view.show();

    QList<double> times;
    for (int run = 0; run < 51; ++run) {
        QElapsedTimer timer;
        timer.start();
        station.BuildSwitchList1();
        view.doItemsLayout();
        view.repaint();
        times << timer.nsecsElapsed() / 1e6;
        clock.advanceMs(1000);
    }
    std::sort(times.begin(), times.end());
    std::printf("switch list rebuild, 999 schedules, %lld entries: median %.2f ms (min %.2f, max %.2f); target <= 5 ms\n",
                qlonglong(station.switchList(1).size()), times.at(times.size() / 2), times.first(), times.last());
    return 0;
}
