// Takes the pictures of docs/screenshots: every window as an operator sees it,
// filled from a sample station on a fixed day. Offscreen rendering draws the
// same widgets a screen shows.
//
//   kestrelpoint-screenshots [FOLDER]    (default: docs/screenshots)

#include "app/mnumenu.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/errorreport.h"
#include "platform/parallelport.h"
#include "schedule/schedulerecord.h"
#include "station/station.h"
#include "engine/switchengine.h"
#include "ui/fonts.h"
#include "ui/frmsetup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

ScheduleRecord schedule(const QString &name, int receiver, int remoteStart, const QString &source,
                        const std::array<QString, 7> &times)
{
    ScheduleRecord r;
    r.PgmName = name;
    r.SatLen = QStringLiteral("59:30");
    r.SatLang = source;
    r.SatPort = QStringLiteral("2");
    r.SatRoute = QStringLiteral("2");
    r.SatAtt = QStringLiteral("3");
    r.RemoteStart = remoteStart;
    r.Receiver = receiver;
    r.SwitchTime = times;
    return r;
}

std::array<QString, 7> weekdays(const QString &time)
{
    return {QString(), time, time, time, time, time, QString()};
}

// Two receivers with a week's worth of switches each.
void writeSampleStation(const QString &home)
{
    QDir().mkpath(home + QStringLiteral("/logs"));
    const QList<ScheduleRecord> schedules = {
        schedule(QStringLiteral("Morning Drive"), 1, 2, QStringLiteral("ENG"), weekdays(QStringLiteral("06:00:00"))),
        schedule(QStringLiteral("Farm Report"), 1, 1, QStringLiteral("SPA"),
                 {QString(), QStringLiteral("12:15:00"), QString(), QStringLiteral("12:15:00"), QString(),
                  QStringLiteral("12:15:00"), QString()}),
        schedule(QStringLiteral("Evening News"), 1, 3, QStringLiteral("ENG"), weekdays(QStringLiteral("18:00:00"))),
        schedule(QStringLiteral("Weekend Jazz"), 2, 2, QStringLiteral("FRE"),
                 {QStringLiteral("20:00:00"), QString(), QString(), QString(), QString(), QString(),
                  QStringLiteral("20:00:00")}),
        schedule(QStringLiteral("Classical Hour"), 2, 1, QStringLiteral("FRE"), weekdays(QStringLiteral("09:00:00"))),
        schedule(QStringLiteral("Talk Back"), 2, 2, QStringLiteral("ENG"), weekdays(QStringLiteral("14:30:00"))),
    };
    QByteArray records;
    for (const ScheduleRecord &r : schedules)
        records += Codec::toWindows1252(BuildScheduleRecord(r));
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile f(home + QLatin1Char('/') + name);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(f.fileName()));
    };
    write(QStringLiteral("SwitchList.dat"), records);
    write(QStringLiteral("Kestrelpoint.ini"), "221511w130");
    write(QStringLiteral("TimeReset.ini"), "54:30");
    write(QStringLiteral("Source.dat"), "ENG\r\nFRE\r\nSPA\r\n\r\n");
    write(QStringLiteral("parport"), QByteArray("\x00\x7f", 2));
}

void save(QWidget *window, const QString &folder, const QString &name)
{
    const QString path = folder + QLatin1Char('/') + name;
    if (!window->grab().save(path))
        qFatal("cannot save %s", qPrintable(path));
    std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutes();
    QApplication::setFont(msSansSerif(8.25));
    const QString folder = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots")).absolutePath();
    QDir().mkpath(folder);

    QTemporaryDir dir;
    const QString home = dir.path();
    writeSampleStation(home);
    qputenv("KESTRELPOINT_HOME", QFile::encodeName(home));
    setErrorHandler([](const QString &text) { std::fprintf(stderr, "error: %s\n", qPrintable(text)); });

    ManualClock clock(QDateTime(QDate(2027, 12, 6), QTime(9, 10, 0)));
    Station station(clock, openParallelPort(home + QStringLiteral("/parport")));
    mnuMenu main(station);
    QString error;
    if (!main.Load(&error))
        qFatal("%s", qPrintable(error));
    // Maximized on a 1280 x 1024 screen, below its title bar.
    main.resize(1280, 1024 - 30);
    main.show();
    main.engine().tick();
    save(&main, folder, QStringLiteral("main-two-receivers.png"));

    auto *setup = new frmSetUp(station, &main);
    setup->show();
    save(setup, folder, QStringLiteral("setup.png"));
    return 0;
}
