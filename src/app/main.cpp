#include "app/mnumenu.h"
#include "station/station.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/parallelport.h"
#include "platform/paths.h"
#include "ui/frmabout.h"
#include "ui/fonts.h"
#include "ui/frmerror.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QMessageBox>

#include <cstdio>

namespace {

// A start-up failure: the operator sees it in a message box when there is a
// screen, and it is always written to standard error.
int refuseToStart(const QString &text)
{
    std::fprintf(stderr, "kestrelpoint: %s\n", qPrintable(text));
    if (QGuiApplication::platformName() != QLatin1String("offscreen")
        && QGuiApplication::platformName() != QLatin1String("minimal"))
        QMessageBox::critical(nullptr, QStringLiteral("Kestrelpoint"), text);
    return 1;
}

// Every message of the error window also goes to standard error as one line,
// so that a station run without a screen (or a test) still has them.
void showAndReportError(const QString &text)
{
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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrelpoint"));
    QApplication::setApplicationVersion(QStringLiteral(KESTRELPOINT_VERSION));
    QApplication::setWindowIcon(programIcon());
    installFontSubstitutes();
    QApplication::setFont(msSansSerif(8.25));

    // Two copies on one data folder would switch the receivers twice and
    // overwrite each other's edits.
    const QString data = Paths::dataDir();
    QString error;
    if (!Paths::makeFolder(data, &error))
        return refuseToStart(error);
    QLockFile lock(data + QStringLiteral("/.kestrelpoint.lock"));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) {
        if (lock.error() == QLockFile::LockFailedError)
            return refuseToStart(QStringLiteral("Kestrelpoint is already running."));
        return refuseToStart(QStringLiteral("The folder %1 cannot be used: %2.")
                                 .arg(data, lock.error() == QLockFile::PermissionError
                                                ? QStringLiteral("Permission denied")
                                                : QStringLiteral("Unknown error")));
    }

    setErrorHandler(&showAndReportError);
    SystemClock clock;
    Station station(clock, openParallelPort());
    mnuMenu window(station);
    if (!window.Load(&error))
        return refuseToStart(error);
    window.showMaximized();
    return app.exec();
}
