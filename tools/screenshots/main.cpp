// Takes the pictures of docs/screenshots: every window as an operator sees it,
// filled from a sample station on a fixed day. Offscreen rendering draws the
// same widgets a screen shows.
//
//   kestrelpoint-screenshots [FOLDER]    (default: docs/screenshots)

#include "app/mnumenu.h"
#include "engine/switchengine.h"
#include "monitor/statusmonitor.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/errorreport.h"
#include "platform/parallelport.h"
#include "platform/serialchannel.h"
#include "receiver/receiverlink.h"
#include "schedule/schedulerecord.h"
#include "simreceiver.h"
#include "station/station.h"
#include "ui/fonts.h"
#include "ui/frmabout.h"
#include "ui/frmactivitylog.h"
#include "ui/frmcomport.h"
#include "ui/frmdialog1.h"
#include "ui/frmdisplayreceiver.h"
#include "ui/frmebnochart.h"
#include "ui/frmhelp.h"
#include "ui/frmmpeglog.h"
#include "ui/frmprogramsourcecodes.h"
#include "ui/frmrelay.h"
#include "ui/frmschedule.h"
#include "ui/frmscheduleconflicts.h"
#include "ui/frmsetreceiver.h"
#include "ui/frmsetup.h"
#include "ui/frmremotestatus.h"
#include "ui/frmweeklyschedule.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <utility>

namespace {

// The windows read their logs beside them: wait until one has.
template <typename Window> void untilRead(const Window &window)
{
    while (window.isLoading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
}

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
        schedule(QStringLiteral("Market Prices"), 1, 1, QStringLiteral("ENG"),
                 {QString(), QString(), QString(), QStringLiteral("12:15:00"), QString(), QString(), QString()}),
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
    QFile::copy(QStringLiteral(KP_SOURCE_DIR "/docs/Kestrelpoint.hlp"), home + QStringLiteral("/Kestrelpoint.hlp"));

    // Logs of the days before: switches and remote starts, a reading of each
    // receiver every hour (a month of them), the MPEG status after a switch.
    const QDate today(2027, 12, 6);
    for (int back = 1; back <= 3; ++back) {
        const QString day = today.addDays(-back).toString(QStringLiteral("yyMMdd"));
        write(QStringLiteral("logs/AL") + day + QStringLiteral(".log"),
              "06:00:00  Morning Drive            Receiver 1 SETAUDIO 2 S ENG 3  \r\n"
              "06:00:01  Remote Start 1 On\r\n06:00:02  Remote Start 1 Off\r\n"
              "09:00:00  Classical Hour           Receiver 2 SETAUDIO 2 S FRE 3  \r\n"
              "11:42:17  Alarm\r\n12:54:30  Time Set 12:54:32\r\n"
              "18:00:00  Evening News             Receiver 1 SETAUDIO 2 S ENG 3  \r\n");
        write(QStringLiteral("logs/MP") + day + QStringLiteral(".log"),
              "06:00:15\r\nMPEG STATUS\r\nTransport lock : Locked\r\nService        : 1 Kestrel Audio\r\n"
              "Audio PID      : 0x0021\r\nContinuity err : 0\r\n>\r\n");
    }
    for (int back = 0; back < 31; ++back) {
        QByteArray readings;
        for (int hour = 0; hour < (back == 0 ? 9 : 24); ++hour) {
            const double r1 = 9.0 + 1.5 * std::sin((hour + back) / 4.0), r2 = 8.6 + std::cos((hour + 2 * back) / 5.0);
            const QByteArray time = QTime(hour, 0, 12).toString(QStringLiteral("HH:mm:ss")).toLatin1();
            readings += time + " R1 " + QByteArray::number(r1, 'f', 1) + "\r\n";
            readings += time.left(6) + "20 R2 " + QByteArray::number(r2, 'f', 1) + "\r\n";
        }
        write(QStringLiteral("logs/EB") + today.addDays(-back).toString(QStringLiteral("yyMMdd")) + QStringLiteral(".log"),
              readings);
    }
}

// A receiver at the far end of every serial control: it answers at once as
// the simulated receiver does, and a wait with nothing to read lets the
// clock run on.
class SampleChannel final : public SerialChannel
{
public:
    explicit SampleChannel(ManualClock &clock) : m_clock(clock) {}
    bool open(int, const QString &) override { return m_open = true; }
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &bytes) override
    {
        static SimReceiver receiver(9.4, 0.0, 1);
        m_line += bytes;
        for (qsizetype cr; (cr = m_line.indexOf('\r')) >= 0; m_line.remove(0, cr + 1))
            m_input += receiver.answer(m_line.left(cr));
        return true;
    }
    QByteArray readAll() override { return std::exchange(m_input, {}); }
    bool waitForReadyRead(int msecs) override
    {
        if (m_input.isEmpty() && msecs > 0)
            m_clock.advanceMs(msecs);
        return !m_input.isEmpty();
    }
    void clearInput() override { m_input.clear(); }
    void close() override { m_open = false; }
    int errorNumber() const override { return 0; }
    QString errorText() const override { return {}; }

private:
    ManualClock &m_clock;
    QByteArray m_line, m_input;
    bool m_open = false;
};

QString g_folder;

void save(QWidget *window, const QString &name)
{
    window->show();
    QCoreApplication::processEvents();
    const QString path = g_folder + QLatin1Char('/') + name;
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
    g_folder = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots")).absolutePath();
    QDir().mkpath(g_folder);

    QTemporaryDir dir;
    const QString home = dir.path();
    writeSampleStation(home);
    qputenv("KESTRELPOINT_HOME", QFile::encodeName(home));
    setErrorHandler([](const QString &text) { std::fprintf(stderr, "error: %s\n", qPrintable(text)); });

    ManualClock clock(QDateTime(QDate(2027, 12, 6), QTime(9, 10, 0)));
    Station station(clock, openParallelPort(home + QStringLiteral("/parport")));
    station.serialChannels = [&clock] { return std::make_unique<SampleChannel>(clock); };
    mnuMenu main(station);
    QString error;
    if (!main.Load(&error))
        qFatal("%s", qPrintable(error));
    // Maximized on a 1280 x 1024 screen, below its title bar.
    main.resize(1280, 1024 - 30);
    main.engine().tick();
    save(&main, QStringLiteral("main-two-receivers.png"));
    station.settings.TwoReceivers = 0;
    Q_EMIT station.receiverCountChanged();
    station.BuildSwitchList1();
    main.engine().tick();
    save(&main, QStringLiteral("main-one-receiver.png"));
    station.settings.TwoReceivers = 1;
    Q_EMIT station.receiverCountChanged();
    station.BuildSwitchList1();
    station.BuildSwitchList2();

    // The editor on a schedule that shares Wednesday 12:15 with another.
    frmSchedule editor(station);
    editor.show();
    auto *schedules = editor.findChild<QListWidget *>(QStringLiteral("lstDisplaySchedule"));
    schedules->setCurrentItem(schedules->findItems(QStringLiteral("Farm Report"), Qt::MatchStartsWith).value(0));
    editor.findChild<QAbstractButton *>(QStringLiteral("cmdApply"))->click();
    save(&editor, QStringLiteral("schedule-editor.png"));
    save(frmScheduleConflicts::instance(), QStringLiteral("schedule-conflicts.png"));

    frmProgramSourceCodes codes;
    codes.show();
    codes.findChild<QAbstractButton *>(QStringLiteral("cmdNew"))->click();
    codes.findChild<QLineEdit *>(QStringLiteral("txtCRCID"))->setText(QStringLiteral("ita"));
    save(&codes, QStringLiteral("source-codes.png"));

    frmSetUp setup(station);
    save(&setup, QStringLiteral("setup.png"));

    // The receiver windows, on receiver 1.
    station.ActivePort = 1;
    for (const auto &[query, name] : {std::pair{"R R", "relay-relays.png"}, std::pair{"R ER", "relay-extended.png"}}) {
        station.CommandText = QLatin1String(query);
        frmRelay *relays = frmRelay::showWindow(station, nullptr);
        save(relays, QLatin1String(name));
        relays->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    station.CommandText = QStringLiteral("RT C");
    save(frmDisplayReceiver::showWindow(station, nullptr), QStringLiteral("status-carrier.png"));
    save(frmComPort::showWindow(station, nullptr), QStringLiteral("receiver-select.png"));
    save(frmSetReceiver::showWindow(station, main.link(), nullptr), QStringLiteral("set-receiver.png"));

    // The log viewers: the days, a day by time and by event.
    for (const char *kind : {"AL", "EB"}) {
        const QString prefix = QLatin1String(kind) == QLatin1String("AL") ? QStringLiteral("views-activity")
                                                                           : QStringLiteral("views-ebno");
        station.LogKind = QLatin1String(kind);
        frmActivityLog viewer(station);
        auto *ok = viewer.findChild<QAbstractButton *>(QStringLiteral("cmdOk"));
        save(&viewer, prefix + QStringLiteral("-days.png"));
        if (station.LogKind == QLatin1String("AL")) {
            ok->click();
            untilRead(viewer);
            save(&viewer, prefix + QStringLiteral("-day.png"));
            ok->click();
        }
        viewer.findChild<QAbstractButton *>(QStringLiteral("Option2"))->click();
        ok->click();
        untilRead(viewer);
        save(&viewer, prefix + QStringLiteral("-by-event.png"));
    }
    frmMPEGLog mpeg(station);
    save(&mpeg, QStringLiteral("views-mpeg-days.png"));
    mpeg.findChild<QAbstractButton *>(QStringLiteral("cmdOk"))->click();
    untilRead(mpeg);
    save(&mpeg, QStringLiteral("views-mpeg-day.png"));
    frmWeeklySchedule weekly(station);
    weekly.setWindowTitle(QStringLiteral("Weekly Switch Schedule"));
    save(&weekly, QStringLiteral("views-weekly-schedule.png"));

    frmEbNoChart chart;
    chart.resize(900, 600);
    chart.showDay(QDate(2027, 12, 5));
    untilRead(chart);
    save(&chart, QStringLiteral("ebno-day-chart.png"));
    chart.showMonth(QDate(2027, 12, 6));
    untilRead(chart);
    save(&chart, QStringLiteral("ebno-month.png"));

    frmHelp help(station);
    save(&help, QStringLiteral("help.png"));
    frmAbout about(station);
    save(&about, QStringLiteral("about.png"));

    // SetUp > Remote Status serving on this computer, and the page it serves
    // as headless Chromium shows it. The switches stand in for the engine's
    // reports.
    StationStats &stats = station.stats;
    stats.switchDone(1, QStringLiteral("Morning Drive"), QDateTime(clock.today(), QTime(6, 0)), SwitchOutcome::Sent);
    stats.switchDone(2, QStringLiteral("Classical Hour"), QDateTime(clock.today(), QTime(9, 0)), SwitchOutcome::Sent);
    stats.errorShown(QStringLiteral("2  No such file or directory: /dev/ttyS1 Command not sent."));
    RemoteStatusSettings remote;
    remote.enabled = true;
    if (!RemoteStatusFile::write(home + QLatin1Char('/') + RemoteStatusFile::kName, remote, &error))
        qFatal("%s", qPrintable(error));
    main.statusMonitor().start();
    frmRemoteStatus remoteStatus(main.statusMonitor());
    save(&remoteStatus, QStringLiteral("remote-status.png"));
    const std::optional<ListenAddress> serving = main.statusMonitor().serving();
    if (!serving || QStandardPaths::findExecutable(QStringLiteral("chromium")).isEmpty()) {
        std::fprintf(stderr, "no status page picture: the server did not start or chromium is missing\n");
        return 0;
    }
    const QString page = g_folder + QStringLiteral("/status-page.png");
    QProcess chromium;
    chromium.start(QStringLiteral("chromium"),
                   {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                    "--disable-background-networking", "--disable-component-update", "--disable-sync",
                    "--user-data-dir=" + home + "/chromium", "--hide-scrollbars", "--window-size=1100,820",
                    "--screenshot=" + page, QStringLiteral("http://%1/").arg(serving->text())});
    if (!chromium.waitForFinished(60000) || !QFile::exists(page))
        qFatal("chromium took no picture of the status page");
    std::printf("%s\n", qPrintable(page));
    return 0;
}
