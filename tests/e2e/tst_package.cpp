#include "processes.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Builds the Debian package from this build folder, unpacks it into a
// temporary tree and checks what a station would get from installing it.
// cpack first brings the build up to date, so it is bounded by a timeout
// rather than trusted to be quick.

namespace {

constexpr int kPackageTimeoutMs = 240 * 1000;
constexpr int kToolTimeoutMs = 30 * 1000;
constexpr int kLintianTimeoutMs = 180 * 1000;

struct Ran
{
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Ran runTool(const QString &program, const QStringList &arguments, int timeoutMs,
            const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
            const QString &workingDirectory = {})
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start();
    Ran ran;
    if (!process.waitForStarted(5000)) {
        ran.err = process.errorString().toLocal8Bit();
        return ran;
    }
    ran.finished = process.waitForFinished(timeoutMs);
    if (!ran.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    ran.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    ran.out = process.readAllStandardOutput();
    ran.err = process.readAllStandardError();
    return ran;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes, QFile::Permissions permissions = {})
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        return false;
    f.close();
    return permissions.toInt() == 0 || f.setPermissions(permissions);
}

// The keys of a desktop entry's [Desktop Entry] group.
QHash<QString, QString> desktopEntry(const QString &path)
{
    QHash<QString, QString> keys;
    bool inGroup = false;
    const QStringList lines = QString::fromUtf8(readAll(path)).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line.trimmed() == QLatin1String("[Desktop Entry]");
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (inGroup && eq > 0 && !line.startsWith(QLatin1Char('#')))
            keys.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return keys;
}

// The value of one field of `dpkg-deb -I`, continuation lines left out.
QString controlField(const QByteArray &info, const QString &field)
{
    const QRegularExpression re(QStringLiteral("^ *%1: *(.*)$").arg(QRegularExpression::escape(field)),
                                QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = re.match(QString::fromUtf8(info));
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

bool hasPackage(const QString &relation, const QString &package)
{
    const QRegularExpression re(QStringLiteral("(^|[,|]) *%1( |,|$|\\()").arg(QRegularExpression::escape(package)));
    return re.match(relation).hasMatch();
}

// A systemctl of the test's own first in PATH, so no test reaches the
// machine's user manager: it records its calls in dir/calls and answers as a
// user manager only when dir/manager exists.
void useFakeSystemctl(QProcessEnvironment &env, const QString &dir)
{
    const QString systemctl = QStringLiteral(R"(#!/bin/sh
echo "$*" >>'%1/calls'
[ -e '%1/manager' ] || { echo "Failed to connect to bus" >&2; exit 1; }
case $2 in
enable) echo enabled >'%1/state' ;;
disable) echo disabled >'%1/state' ;;
is-enabled) cat '%1/state' 2>/dev/null || echo disabled; grep -qx enabled '%1/state' 2>/dev/null ;;
is-active) echo active ;;
esac
)").arg(dir);
    writeAll(dir + QStringLiteral("/bin/systemctl"), systemctl.toUtf8(),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("PATH"), dir + QStringLiteral("/bin:") + env.value(QStringLiteral("PATH")));
}

} // namespace

class tst_Package : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void containsTheInstalledFiles_data();
    void containsTheInstalledFiles();
    void everyFileLivesUnderUsr();
    void controlFields_data();
    void controlFields();
    void desktopEntriesStartWhatThePackageHolds_data();
    void desktopEntriesStartWhatThePackageHolds();
    void postinstNeverFailsTheInstall_data();
    void postinstNeverFailsTheInstall();
    void autostartEntryGoesWhereTheDesktopLooks_data();
    void autostartEntryGoesWhereTheDesktopLooks();
    void autostartEnableStatusDisable();
    void autostartKeepsAnEditedHelpDocument();
    void autostartRefusesAnUnknownCommand();
    void autostartUsesTheServiceWhereAUserManagerRuns();
    void userServiceRunsThePackagedProgram();
    void lintianFindsNothing();
    void extractedProgramStartsAndCreatesItsFiles_data();
    void extractedProgramStartsAndCreatesItsFiles();
    void extractedProgramComesBackAfterAPowerCut();

private:
    QString root(const QString &path) const { return m_work.path() + QStringLiteral("/root") + path; }
    QString script() const { return root(QStringLiteral("/usr/bin/kestrelpoint-autostart")); }
    // The script's environment in a temporary folder, with the fake systemctl.
    QProcessEnvironment scriptEnvironment(const QString &dir) const;

    QTemporaryDir m_work;
    QString m_deb;
    QByteArray m_listing;
    QByteArray m_info;
};

void tst_Package::initTestCase()
{
    QVERIFY(m_work.isValid());
    for (const char *tool : {"dpkg-deb", "dpkg-shlibdeps", "file"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is needed to build the package: make deps installs it")
                                 .arg(QString::fromLatin1(tool))));
    }

    // A make above this test would hand its job server down to the one cpack
    // starts; that one must run on its own.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"MAKEFLAGS", "MFLAGS", "MAKELEVEL", "MAKEOVERRIDES"})
        env.remove(QString::fromLatin1(name));
    const QString out = m_work.path() + QStringLiteral("/out");
    const Ran cpack = runTool(QStringLiteral(KP_CPACK),
                              {QStringLiteral("--config"), QStringLiteral(KP_BUILD_DIR "/CPackConfig.cmake"),
                               QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), out},
                              kPackageTimeoutMs, env, QStringLiteral(KP_BUILD_DIR));
    if (!cpack.finished)
        QFAIL("cpack did not finish within its time limit");
    if (cpack.exitCode != 0)
        QFAIL(qPrintable(QStringLiteral("cpack failed:\n") + QString::fromLocal8Bit(cpack.out.right(3000) + cpack.err)));

    const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    QVERIFY2(debs.first().startsWith(QStringLiteral("kestrelpoint_" KESTRELPOINT_VERSION "_")), qPrintable(debs.first()));
    m_deb = out + QLatin1Char('/') + debs.first();

    const Ran listing = runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), m_deb}, kToolTimeoutMs);
    QCOMPARE(listing.exitCode, 0);
    m_listing = listing.out;
    const Ran info = runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-I"), m_deb}, kToolTimeoutMs);
    QCOMPARE(info.exitCode, 0);
    m_info = info.out;
    QCOMPARE(runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, root({})}, kToolTimeoutMs).exitCode, 0);
    QCOMPARE(runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-e"), m_deb, m_work.path() + QStringLiteral("/control")},
                     kToolTimeoutMs)
                 .exitCode,
             0);
}

void tst_Package::containsTheInstalledFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mode");
    QTest::newRow("the program") << "./usr/bin/kestrelpoint" << "-rwxr-xr-x";
    QTest::newRow("the simulated receiver") << "./usr/bin/kestrelpoint-receiver-sim" << "-rwxr-xr-x";
    QTest::newRow("autostart script is executable") << "./usr/bin/kestrelpoint-autostart" << "-rwxr-xr-x";
    QTest::newRow("autostart entry") << "./usr/share/kestrelpoint/kestrelpoint-autostart.desktop" << "-rw-r--r--";
    QTest::newRow("menu entry") << "./usr/share/applications/kestrelpoint.desktop" << "-rw-r--r--";
    QTest::newRow("icon") << "./usr/share/icons/hicolor/128x128/apps/kestrelpoint.png" << "-rw-r--r--";
    QTest::newRow("help document") << "./usr/share/doc/kestrelpoint/Kestrelpoint.hlp" << "-rw-r--r--";
    QTest::newRow("README") << "./usr/share/doc/kestrelpoint/README.md" << "-rw-r--r--";
    // The copyright file, the changelog and the manual pages are lintian's to check.
    QTest::newRow("user service") << "./usr/lib/systemd/user/kestrelpoint.service" << "-rw-r--r--";
}

void tst_Package::containsTheInstalledFiles()
{
    QFETCH(QString, path);
    QFETCH(QString, mode);
    const QRegularExpression line(QStringLiteral("^(\\S+) .* %1$").arg(QRegularExpression::escape(path)),
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(QString::fromUtf8(m_listing));
    QVERIFY2(m.hasMatch(), qPrintable(QStringLiteral("not in the package: ") + path));
    QCOMPARE(m.captured(1), mode);
}

void tst_Package::everyFileLivesUnderUsr()
{
    const QStringList lines = QString::fromUtf8(m_listing).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    for (const QString &line : lines) {
        const QString path = line.section(QLatin1Char(' '), -1);
        QVERIFY2(path == QLatin1String("./") || path.startsWith(QLatin1String("./usr/")), qPrintable(line));
    }
}

void tst_Package::controlFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("package");
    QTest::newRow("Qt core library found by the library scan") << "Depends" << "libqt6core6";
    QTest::newRow("Qt widgets library") << "Depends" << "libqt6widgets6";
    QTest::newRow("Qt serial port library") << "Depends" << "libqt6serialport6";
    QTest::newRow("Qt print library") << "Depends" << "libqt6printsupport6";
    QTest::newRow("Qt charts library") << "Depends" << "libqt6charts6";
    QTest::newRow("window-system plugin the scan cannot see") << "Depends" << "qt6-qpa-plugins";
    QTest::newRow("setcap for the clock right") << "Recommends" << "libcap2-bin";
    QTest::newRow("adduser for the port groups") << "Recommends" << "adduser";
}

void tst_Package::controlFields()
{
    QFETCH(QString, field);
    QFETCH(QString, package);
    QCOMPARE(controlField(m_info, QStringLiteral("Package")), QStringLiteral("kestrelpoint"));
    QCOMPARE(controlField(m_info, QStringLiteral("Version")), QStringLiteral(KESTRELPOINT_VERSION));
    const QString relation = controlField(m_info, field);
    QVERIFY2(hasPackage(relation, package), qPrintable(field + QStringLiteral(": ") + relation));
}

void tst_Package::desktopEntriesStartWhatThePackageHolds_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("categories");
    QTest::newRow("menu entry") << "/usr/share/applications/kestrelpoint.desktop" << "kestrelpoint" << "AudioVideo;";
    QTest::newRow("autostart entry") << "/usr/share/kestrelpoint/kestrelpoint-autostart.desktop"
                                     << "kestrelpoint-autostart start" << "";
}

void tst_Package::desktopEntriesStartWhatThePackageHolds()
{
    QFETCH(QString, entry);
    QFETCH(QString, exec);
    QFETCH(QString, categories);
    const QHash<QString, QString> keys = desktopEntry(root(entry));
    QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(keys.value(QStringLiteral("Name")), QStringLiteral("Kestrelpoint"));
    QCOMPARE(keys.value(QStringLiteral("Exec")), exec);
    QCOMPARE(keys.value(QStringLiteral("Categories")), categories);

    const QString program = root(QStringLiteral("/usr/bin/") + exec.section(QLatin1Char(' '), 0, 0));
    QVERIFY2(QFileInfo(program).isExecutable(), qPrintable(program));
    const QImage icon(root(QStringLiteral("/usr/share/icons/hicolor/128x128/apps/%1.png")
                               .arg(keys.value(QStringLiteral("Icon")))));
    QCOMPARE(icon.size(), QSize(128, 128));
}

void tst_Package::postinstNeverFailsTheInstall_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("setcapExit"); // -1: no setcap on the machine
    QTest::addColumn<bool>("setcapCalled");
    QTest::addColumn<bool>("warns");
    QTest::newRow("setcap grants the right") << "configure" << 0 << true << false;
    QTest::newRow("setcap missing") << "configure" << -1 << false << true;
    QTest::newRow("file system refuses capabilities") << "configure" << 1 << true << true;
    QTest::newRow("aborted upgrade leaves the binary alone") << "abort-upgrade" << 0 << false << false;
}

void tst_Package::postinstNeverFailsTheInstall()
{
    QFETCH(QString, action);
    QFETCH(int, setcapExit);
    QFETCH(bool, setcapCalled);
    QFETCH(bool, warns);

    const QString postinst = m_work.path() + QStringLiteral("/control/postinst");
    QVERIFY(QFileInfo(postinst).permissions() & QFile::ExeOther);

    // A setcap of our own on an otherwise empty PATH records what it was asked.
    QTemporaryDir bin;
    const QString calls = bin.path() + QStringLiteral("/calls");
    if (setcapExit >= 0) {
        QVERIFY(writeAll(bin.path() + QStringLiteral("/setcap"),
                         QStringLiteral("#!/bin/sh\necho \"$*\" >>'%1'\nexit %2\n").arg(calls).arg(setcapExit).toUtf8(),
                         QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), bin.path());
    const Ran ran = runTool(QStringLiteral("/bin/sh"), {postinst, action}, kToolTimeoutMs, env);
    QVERIFY(ran.finished);
    QCOMPARE(ran.exitCode, 0);
    QCOMPARE(readAll(calls), setcapCalled ? QByteArray("cap_sys_time+ep /usr/bin/kestrelpoint\n") : QByteArray());
    QCOMPARE(!ran.err.isEmpty(), warns);
    if (setcapExit < 0)
        QVERIFY(ran.err.contains("sudo setcap cap_sys_time+ep /usr/bin/kestrelpoint"));
}

QProcessEnvironment tst_Package::scriptEnvironment(const QString &dir) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    useFakeSystemctl(env, dir);
    env.insert(QStringLiteral("HOME"), dir + QStringLiteral("/user"));
    env.insert(QStringLiteral("KESTRELPOINT_HOME"), dir + QStringLiteral("/data"));
    for (const char *name : {"XDG_CONFIG_HOME", "DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY"})
        env.remove(QLatin1String(name));
    return env;
}

void tst_Package::autostartEntryGoesWhereTheDesktopLooks_data()
{
    QTest::addColumn<QString>("configHome"); // relative to the temporary folder; "" unset
    QTest::addColumn<QString>("expected");
    QTest::newRow("default config folder") << "" << "user/.config/autostart/kestrelpoint.desktop";
    QTest::newRow("XDG_CONFIG_HOME") << "/elsewhere" << "elsewhere/autostart/kestrelpoint.desktop";
    QTest::newRow("relative XDG_CONFIG_HOME is ignored")
        << "relative" << "user/.config/autostart/kestrelpoint.desktop";
}

void tst_Package::autostartEntryGoesWhereTheDesktopLooks()
{
    QFETCH(QString, configHome);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QProcessEnvironment env = scriptEnvironment(dir.path());
    if (configHome.startsWith(QLatin1Char('/')))
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path() + configHome);
    else if (!configHome.isEmpty())
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);

    const Ran ran = runTool(script(), {QStringLiteral("enable")}, kToolTimeoutMs, env, dir.path());
    QCOMPARE(ran.exitCode, 0);
    QCOMPARE(readAll(dir.path() + QLatin1Char('/') + expected),
             readAll(root(QStringLiteral("/usr/share/kestrelpoint/kestrelpoint-autostart.desktop"))));
}

void tst_Package::autostartEnableStatusDisable()
{
    QTemporaryDir dir;
    const QProcessEnvironment env = scriptEnvironment(dir.path());
    const QString target = dir.path() + QStringLiteral("/user/.config/autostart/kestrelpoint.desktop");
    const QString help = dir.path() + QStringLiteral("/data/Kestrelpoint.hlp");
    auto run = [&](const char *command) { return runTool(script(), {QString::fromLatin1(command)}, kToolTimeoutMs, env); };

    Ran status = run("status");
    QCOMPARE(status.exitCode, 1);
    QVERIFY(status.out.startsWith("disabled"));

    QCOMPARE(run("enable").exitCode, 0);
    QVERIFY(QFile::exists(target));
    QCOMPARE(readAll(help), readAll(root(QStringLiteral("/usr/share/doc/kestrelpoint/Kestrelpoint.hlp"))));
    QVERIFY(readAll(help).startsWith("{\\rtf1"));
    // No half-written copies are left beside the files.
    QCOMPARE(QDir(dir.path() + QStringLiteral("/data")).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Kestrelpoint.hlp")});
    status = run("status");
    QCOMPARE(status.exitCode, 0);
    QVERIFY(status.out.startsWith("enabled"));

    // Switched off in the desktop's own start-up settings: not started at log-in.
    QFile entry(target);
    QVERIFY(entry.open(QIODevice::Append));
    entry.write("Hidden=true\n");
    entry.close();
    QCOMPARE(run("status").exitCode, 1);

    QCOMPARE(run("disable").exitCode, 0);
    QVERIFY(!QFile::exists(target));
    QCOMPARE(run("status").exitCode, 1);
    QCOMPARE(run("disable").exitCode, 0);
    QVERIFY(QFile::exists(help));
}

void tst_Package::autostartKeepsAnEditedHelpDocument()
{
    QTemporaryDir dir;
    const QString help = dir.path() + QStringLiteral("/data/Kestrelpoint.hlp");
    const QByteArray edited = "{\\rtf1 The station's own notes.}";
    QVERIFY(writeAll(help, edited));
    const Ran ran = runTool(script(), {QStringLiteral("enable")}, kToolTimeoutMs, scriptEnvironment(dir.path()));
    QCOMPARE(ran.exitCode, 0);
    QCOMPARE(readAll(help), edited);
}

void tst_Package::autostartRefusesAnUnknownCommand()
{
    QTemporaryDir dir;
    const Ran ran = runTool(script(), {QStringLiteral("enabel")}, kToolTimeoutMs, scriptEnvironment(dir.path()));
    QCOMPARE(ran.exitCode, 2);
    QVERIFY(ran.err.contains("usage"));
    QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/user/.config/autostart/kestrelpoint.desktop")));
}

// Where a user manager runs, the service is enabled beside the autostart
// entry, and the entry's start hands the session's display (and the
// program's own variables) to the manager and starts the service.
void tst_Package::autostartUsesTheServiceWhereAUserManagerRuns()
{
    QTemporaryDir dir;
    QProcessEnvironment env = scriptEnvironment(dir.path());
    QVERIFY(writeAll(dir.path() + QStringLiteral("/manager"), {}));
    const QString target = dir.path() + QStringLiteral("/user/.config/autostart/kestrelpoint.desktop");
    const QString calls = dir.path() + QStringLiteral("/calls");
    auto run = [&](const char *command) {
        QFile::remove(calls);
        return runTool(script(), {QString::fromLatin1(command)}, kToolTimeoutMs, env);
    };
    auto called = [&] { return QString::fromUtf8(readAll(calls)).split(QLatin1Char('\n'), Qt::SkipEmptyParts); };

    QCOMPARE(run("status").exitCode, 1);
    QCOMPARE(run("enable").exitCode, 0);
    QVERIFY(called().contains(QStringLiteral("--user enable kestrelpoint.service")));
    QVERIFY(QFile::exists(target));
    const Ran status = run("status");
    QCOMPARE(status.exitCode, 0);
    QVERIFY2(status.out.startsWith("enabled: systemd user service kestrelpoint.service, active"), status.out.constData());

    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":7"));
    env.insert(QStringLiteral("XAUTHORITY"), dir.path() + QStringLiteral("/Xauthority"));
    env.insert(QStringLiteral("KESTRELPOINT_COM1"), QStringLiteral("/dev/ttyUSB0"));
    const Ran start = run("start");
    QCOMPARE(start.exitCode, 0);
    const QStringList startCalls = called().mid(called().size() - 3);
    QVERIFY2(startCalls.size() == 3, qPrintable(startCalls.join(QLatin1Char('\n'))));
    // Only the variables that are set, the program's own in any order.
    QStringList imported = startCalls.at(0).split(QLatin1Char(' '));
    std::sort(imported.begin() + 4, imported.end());
    QCOMPARE(imported, (QStringList{"--user", "import-environment", "DISPLAY", "XAUTHORITY", "KESTRELPOINT_COM1",
                                    "KESTRELPOINT_HOME"}));
    QCOMPARE(startCalls.mid(1), (QStringList{QStringLiteral("--user reset-failed kestrelpoint.service"),
                                            QStringLiteral("--user start kestrelpoint.service")}));

    QCOMPARE(run("disable").exitCode, 0);
    QVERIFY(called().contains(QStringLiteral("--user disable kestrelpoint.service")));
    QVERIFY(!QFile::exists(target));
    QCOMPARE(run("status").exitCode, 1);
}

// The unit as packaged, checked by systemd's own verifier. Only its program
// path is pointed into the unpacked tree; the manual pages it names are
// looked up in the package's.
void tst_Package::userServiceRunsThePackagedProgram()
{
    if (QStandardPaths::findExecutable(QStringLiteral("systemd-analyze")).isEmpty())
        QFAIL("systemd-analyze is needed to check the unit file: make deps installs systemd");
    QByteArray unit = readAll(root(QStringLiteral("/usr/lib/systemd/user/kestrelpoint.service")));
    QVERIFY(unit.contains("\nExecStart=/usr/bin/kestrelpoint\n"));
    unit.replace("\nExecStart=/usr/bin/", "\nExecStart=" + QFile::encodeName(root(QStringLiteral("/usr/bin/"))));
    QTemporaryDir dir;
    QVERIFY(writeAll(dir.path() + QStringLiteral("/kestrelpoint.service"), unit));
    QVERIFY(QDir().mkpath(dir.path() + QStringLiteral("/runtime")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path() + QStringLiteral("/runtime"));
    env.insert(QStringLiteral("MANPATH"), root(QStringLiteral("/usr/share/man")));
    const Ran verify = runTool(QStringLiteral("systemd-analyze"),
                               {QStringLiteral("verify"), QStringLiteral("--user"), dir.path() + QStringLiteral("/kestrelpoint.service")},
                               kToolTimeoutMs, env, dir.path());
    QVERIFY2(verify.exitCode == 0 && verify.err.isEmpty(), verify.err.constData());
}

// Debian's own checker has nothing to say about the package.
void tst_Package::lintianFindsNothing()
{
    if (QStandardPaths::findExecutable(QStringLiteral("lintian")).isEmpty())
        QFAIL("lintian is needed to check the package: make deps installs it");
    const Ran lintian = runTool(QStringLiteral("lintian"),
                                {QStringLiteral("--fail-on"), QStringLiteral("error,warning"), QStringLiteral("--info"),
                                 m_deb},
                                kLintianTimeoutMs);
    QVERIFY2(lintian.finished, "lintian did not finish within its time limit");
    QVERIFY2(lintian.exitCode == 0 && lintian.out.trimmed().isEmpty(), (lintian.out + lintian.err).constData());
}

void tst_Package::extractedProgramStartsAndCreatesItsFiles_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("helpCopied");
    QTest::newRow("the program itself") << "/usr/bin/kestrelpoint" << QStringList() << false;
    QTest::newRow("through the autostart entry")
        << "/usr/bin/kestrelpoint-autostart" << QStringList{QStringLiteral("start")} << true;
}

void tst_Package::extractedProgramStartsAndCreatesItsFiles()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(bool, helpCopied);

    ProgramRun run; // for its temporary folder, simulated ports and environment
    QProcessEnvironment env = run.environment();
    const QString home = run.home() + QStringLiteral("-fresh");
    env.insert(QStringLiteral("KESTRELPOINT_HOME"), home);
    env.insert(QStringLiteral("HOME"), run.home() + QStringLiteral("-user"));
    useFakeSystemctl(env, run.scratch(QStringLiteral("no-user-manager")));

    QProcess process;
    process.setProgram(root(program));
    process.setArguments(arguments);
    process.setProcessEnvironment(env);
    process.start();
    QVERIFY(process.waitForStarted(5000));
    for (const char *name : {"Kestrelpoint.ini", "TimeReset.ini", "SwitchList.dat", "logs"})
        QTRY_VERIFY2_WITH_TIMEOUT(QFile::exists(home + QLatin1Char('/') + QLatin1String(name)), name, 15000);
    // Start-up clears the parallel-port outputs once the main window is loaded.
    QTRY_COMPARE_WITH_TIMEOUT(run.dataByte(), quint8(0), 15000);
    QVERIFY2(!process.waitForFinished(1000), process.readAllStandardError().constData());
    QCOMPARE(QFile::exists(home + QStringLiteral("/Kestrelpoint.hlp")), helpCopied);

    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    QCOMPARE(process.state(), QProcess::NotRunning);
}

void tst_Package::extractedProgramComesBackAfterAPowerCut()
{
    ProgramRun run;
    QProcessEnvironment env = run.environment();
    QProcess process;
    process.setProgram(root(QStringLiteral("/usr/bin/kestrelpoint")));
    process.setProcessEnvironment(env);
    process.start();
    QVERIFY(process.waitForStarted(5000));
    QTRY_COMPARE_WITH_TIMEOUT(run.dataByte(), quint8(0), 15000);
    // Killed outright, as by a power cut: nothing is cleaned up.
    process.kill();
    QVERIFY(process.waitForFinished(5000));
    QVERIFY(QFile::exists(run.file(QStringLiteral(".kestrelpoint.lock"))));

    QVERIFY(writeAll(run.portFile(), QByteArray("\xff\x7f", 2)));
    process.start();
    QVERIFY(process.waitForStarted(5000));
    QTRY_COMPARE_WITH_TIMEOUT(run.dataByte(), quint8(0), 15000);
    QVERIFY2(!process.waitForFinished(1000), process.readAllStandardError().constData());
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

QTEST_GUILESS_MAIN(tst_Package)
#include "tst_package.moc"
