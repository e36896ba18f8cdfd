#include "app/mnumenu.h"
#include "engine/switchengine.h"
#include "monitor/statusmonitor.h"
#include "station/station.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/journal.h"
#include "platform/parallelport.h"
#include "platform/paths.h"
#include "platform/servicenotify.h"
#include "platform/stopsignals.h"
#include "ui/frmabout.h"
#include "ui/fonts.h"
#include "ui/frmerror.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLockFile>
#include <QMessageBox>
#include <QScopeGuard>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

namespace {

// Exit statuses. A supervisor restarts the program after any other end
// (a signal, a watchdog timeout); these three need a person or nothing.
constexpr int kStartFailed = 1;    // no display, or the data folder or a data file cannot be used
constexpr int kUsage = 2;          // a command-line argument it does not know
constexpr int kAlreadyRunning = 3; // another copy works on the same data folder

// --help and --version answer without a window (and without a display).
// Qt's own options (-platform, -display, -session, ...) are left to
// QApplication, as a session manager may start the program with them.
std::optional<int> answerCommandLine(int argc, char *argv[], std::optional<ListenAddress> &statusListen)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Switches one or two satellite receivers over RS-232 on a weekly schedule and keeps the station's logs.\n"
        "It takes its configuration from its data folder ($KESTRELPOINT_HOME, or ~/Kestrelpoint); see "
        "kestrelpoint(1)."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and end."));
    const QCommandLineOption listen(QStringLiteral("status-listen"),
                                    QStringLiteral("Serve the status page and metrics on ADDRESS:PORT for this run, "
                                                   "whatever SetUp > Remote Status says (\"[::1]:PORT\" for IPv6)."),
                                    QStringLiteral("ADDRESS:PORT"));
    parser.addOptions({help, version, listen});
    const auto passToQt = [&parser](std::initializer_list<const char *> names, const QString &valueName) {
        for (const char *name : names) {
            QCommandLineOption qtOption(QString::fromLatin1(name), QString(), valueName);
            qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
            parser.addOption(qtOption);
        }
    };
    passToQt({"platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger", "qwindowgeometry",
              "qwindowicon", "qwindowtitle", "session", "display", "geometry", "style", "stylesheet"},
             QStringLiteral("value"));
    passToQt({"reverse", "widgetcount", "nograb", "dograb", "sync"}, QString());
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        const QString problem = parser.errorText().isEmpty()
            ? QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst())
            : parser.errorText();
        std::fprintf(stderr, "kestrelpoint: %s\nTry 'kestrelpoint --help'.\n", qPrintable(problem));
        return kUsage;
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QLatin1String("<executable_name>"), QLatin1String("kestrelpoint"));
        std::fputs(qPrintable(text), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("kestrelpoint %s\n", KESTRELPOINT_VERSION);
        return 0;
    }
    if (parser.isSet(listen)) {
        statusListen = parseListenAddress(parser.value(listen));
        if (!statusListen) {
            std::fprintf(stderr, "kestrelpoint: --status-listen needs ADDRESS:PORT with a numeric IP address, such as "
                                 "127.0.0.1:%d or [::1]:%d, not '%s'.\n",
                         RemoteStatusSettings::kDefaultPort, RemoteStatusSettings::kDefaultPort,
                         qPrintable(parser.value(listen)));
            return kUsage;
        }
    }
    // Without a screen Qt aborts, which a supervisor takes for a crash and
    // restarts without end; no screen needs a person, so say so and stop.
    if (!parser.isSet(QStringLiteral("platform")) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "kestrelpoint: There is no display to show the windows on: neither DISPLAY nor "
                             "WAYLAND_DISPLAY is set (QT_QPA_PLATFORM=offscreen runs the program without one).\n");
        return kStartFailed;
    }
    return std::nullopt;
}

// A start-up failure: the operator sees it in a message box when there is a
// screen, and it is always written to standard error (and so to the
// supervisor's journal, which also shows it as the service's status).
int refuseToStart(const QString &text, ServiceNotify &notify, int status = kStartFailed)
{
    // "<3>": the journal takes the line at priority err.
    std::fprintf(stderr, "%skestrelpoint: %s\n", Journal::standardErrorIsJournal() ? "<3>" : "", qPrintable(text));
    notify.status(text);
    if (QGuiApplication::platformName() != QLatin1String("offscreen")
        && QGuiApplication::platformName() != QLatin1String("minimal"))
        QMessageBox::critical(nullptr, QStringLiteral("Kestrelpoint"), text);
    return status;
}

// Every message of the error window also goes to the journal at priority
// err, and to standard error as one line, so that a station run without a
// screen (or a test) still has them. Under systemd standard error is a
// stream into the journal already: the line would come twice, once as info.
void showAndReportError(const QString &text)
{
    Journal::send(Journal::Err, text);
    if (Journal::standardErrorIsJournal()) {
        frmError::ShowErrorMessage(text);
        return;
    }
    // Line breaks, and the control characters a damaged file can bring into
    // a message, would cut or split the line.
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    for (QChar &c : line) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    std::fprintf(stderr, "kestrelpoint: error: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    frmError::ShowErrorMessage(text);
}

// The remote-start outputs (data bits 5 and 6) off, from a signal handler.
void remoteStartsOffNow()
{
    clearOutputBitsNow(0x60);
}

// The running program's end, for Qt's exit() when the display goes away.
std::function<void()> g_endAtExit;

void endAtExit()
{
    if (g_endAtExit)
        g_endAtExit();
}

} // namespace

int main(int argc, char *argv[])
{
    std::optional<ListenAddress> statusListen;
    if (const std::optional<int> answered = answerCommandLine(argc, argv, statusListen))
        return *answered;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrelpoint"));
    QApplication::setApplicationVersion(QStringLiteral(KESTRELPOINT_VERSION));
    QApplication::setWindowIcon(programIcon());
    installFontSubstitutes();
    QApplication::setFont(msSansSerif(8.25));

    ServiceNotify notify;
    // A stop request before the main loop runs (while a start-up message box
    // waits, say) ends the program as a failed start; once the program runs,
    // it ends as "Exit Kestrelpoint?" answered Yes.
    StopSignals stopSignals;
    StopSignals::setLastWords(&remoteStartsOffNow);
    if (!stopSignals.problem().isEmpty())
        std::fprintf(stderr, "kestrelpoint: stop signals are not caught: %s\n", qPrintable(stopSignals.problem()));
    mnuMenu *running = nullptr;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &app, [&running] {
        if (running)
            running->End();
        else
            QCoreApplication::exit(kStartFailed);
    });

    // Two copies on one data folder would switch the receivers twice and
    // overwrite each other's edits.
    const QString data = Paths::dataDir();
    QString error;
    if (!Paths::makeFolder(data, &error))
        return refuseToStart(error, notify);
    QLockFile lock(data + QStringLiteral("/.kestrelpoint.lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::LockFailedError)
            return refuseToStart(QStringLiteral("Kestrelpoint is already running."), notify, kAlreadyRunning);
        return refuseToStart(QStringLiteral("The folder %1 cannot be used: %2.")
                                 .arg(data, lock.error() == QLockFile::PermissionError
                                                ? QStringLiteral("Permission denied")
                                                : QStringLiteral("Unknown error")),
                             notify);
    }

    Journal::useSystemJournal();
    SystemClock clock;
    Station station(clock, openParallelPort());
    setErrorHandler([&station](const QString &text) {
        station.stats.errorShown(text);
        showAndReportError(text);
    });
    mnuMenu window(station);
    window.engine().setServiceNotify(&notify);
    window.setBeforeEnd([&lock, &notify] {
        lock.unlock();
        notify.stopping();
    });
    if (!window.Load(&error))
        return refuseToStart(error, notify);
    running = &window;
    // When the display goes away, Qt ends the program with exit(1): its
    // outputs go off and its end is logged all the same.
    g_endAtExit = [&window] { window.End(EXIT_FAILURE); };
    const auto noEndAtExit = qScopeGuard([] { g_endAtExit = nullptr; });
    std::atexit(&endAtExit);
    window.statusMonitor().start(statusListen);
    window.showMaximized();
    return app.exec();
}
