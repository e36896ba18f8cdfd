// Writes the idle benchmark's data folder: 999 schedules, none due in the
// next ten minutes, two receivers, no Eb/No readings.
// Usage: bench_idle_data FOLDER

#include "benchdata.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder + QStringLiteral("/logs"));
    BenchData::writeFile(folder + QStringLiteral("/SwitchList.dat"), BenchData::busyWeek(QTime::currentTime(), 10));
    BenchData::writeFile(folder + QStringLiteral("/Kestrelpoint.ini"), BenchData::settings(0, true));
    BenchData::writeFile(folder + QStringLiteral("/port"), QByteArray("\0\x7f", 2));
    return 0;
}
