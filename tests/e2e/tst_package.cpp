#include "processes.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

// Builds the Debian package from this build folder, unpacks it into a
// temporary tree and checks what a station gets from installing it: its
// files and relations, Debian's own checkers, the install script, the
// autostart script and the unpacked program. cpack first brings the build up
// to date, so it is bounded by a timeout rather than trusted to be quick.

namespace {

// A field of a control file or desktop entry, "Name: value" or "Name=value".
QString field(const QByteArray &text, const QString &name, const char *separator)
{
    const QRegularExpression re(QStringLiteral("^ *%1 *%2 *(.*)$").arg(QRegularExpression::escape(name), separator),
                                QRegularExpression::MultilineOption);
    return re.match(QString::fromUtf8(text)).captured(1).trimmed();
}

// A systemctl of the test's own first in PATH, so no test reaches the
// machine's user manager: it records its calls in dir/calls and answers as a
// user manager only when dir/manager exists.
void useFakeSystemctl(QProcessEnvironment &env, const QString &dir)
{
    writeAll(dir + QStringLiteral("/bin/systemctl"), QStringLiteral(R"(#!/bin/sh
echo "$*" >>'%1/calls'
[ -e '%1/manager' ] || { echo "Failed to connect to bus" >&2; exit 1; }
case $2 in
enable) echo enabled >'%1/state' ;;
disable) echo disabled >'%1/state' ;;
is-enabled) cat '%1/state' 2>/dev/null || echo disabled; grep -qx enabled '%1/state' 2>/dev/null ;;
is-active) echo active ;;
esac
)").arg(dir).toUtf8(), true);
    env.insert(QStringLiteral("PATH"), dir + QStringLiteral("/bin:") + qEnvironmentVariable("PATH"));
}

} // namespace

class tst_Package : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void contentsAndRelations();
    void debianCheckersFindNothing();
    void postinstNeverFailsTheInstall_data();
    void postinstNeverFailsTheInstall();
    void autostart_data();
    void autostart();
    void autostartStartsTheServiceWithTheSession();
    void unpackedProgramStarts();

private:
    QString root(const QString &path) const { return m_work.path() + QStringLiteral("/root") + path; }
    QString control(const QString &path) const { return m_work.path() + QStringLiteral("/control") + path; }
    Ran autostartScript(const QString &command, const QProcessEnvironment &env) const
    {
        return runTool(root(QStringLiteral("/usr/bin/kestrelpoint-autostart")), {command}, 30000, env);
    }
    // The script's environment in a temporary folder, with the fake systemctl.
    QProcessEnvironment scriptEnvironment(const QString &dir) const;

    QTemporaryDir m_work;
    QString m_deb;
    QByteArray m_info;
};

void tst_Package::initTestCase()
{
    for (const char *tool : {"dpkg-deb", "dpkg-shlibdeps", "file", "lintian", "systemd-analyze"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is needed: make deps installs it").arg(QLatin1String(tool))));
    }
    // A make above this test would hand its job server down to the one cpack
    // starts; that one must run on its own.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"MAKEFLAGS", "MFLAGS", "MAKELEVEL", "MAKEOVERRIDES"})
        env.remove(QLatin1String(name));
    const QString out = m_work.path() + QStringLiteral("/out");
    const Ran cpack = runTool(QStringLiteral(KP_CPACK),
                              {"--config", KP_BUILD_DIR "/CPackConfig.cmake", "-G", "DEB", "-B", out}, 240000, env,
                              QStringLiteral(KP_BUILD_DIR));
    QVERIFY2(cpack.exitCode == 0, (cpack.out.right(3000) + cpack.err).constData());
    const QStringList debs = QDir(out).entryList({QStringLiteral("kestrelpoint_" KESTRELPOINT_VERSION "_*.deb")});
    QCOMPARE(debs.size(), 1);
    m_deb = out + QLatin1Char('/') + debs.first();
    QCOMPARE(runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, root({})}).exitCode, 0);
    QCOMPARE(runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-e"), m_deb, control({})}).exitCode, 0);
    m_info = readAll(control(QStringLiteral("/control")));
}

// What a station needs that no other check here finds missing (the files'
// modes, the copyright file, changelog and manual pages are lintian's), the
// relations the library scan cannot find, and the menu entry with its icon.
void tst_Package::contentsAndRelations()
{
    for (const char *path : {"/usr/bin/kestrelpoint-receiver-sim", "/usr/share/doc/kestrelpoint/README.md",
                             "/usr/share/doc/kestrelpoint/Kestrelpoint.hlp",
                             "/usr/share/kestrelpoint/prometheus/kestrelpoint-alerts.yml"})
        QVERIFY2(QFileInfo(root(QLatin1String(path))).isFile(), path);
    for (const auto &[name, package] : std::initializer_list<std::pair<const char *, const char *>>{
             {"Depends", "libqt6core6"}, {"Depends", "libqt6serialport6"}, {"Depends", "libqt6charts6"},
             {"Depends", "qt6-qpa-plugins"}, {"Depends", "libmicrohttpd12"}, {"Recommends", "libcap2-bin"},
             {"Recommends", "adduser"}}) {
        const QString relation = field(m_info, QLatin1String(name), ":");
        const QRegularExpression named(QStringLiteral("(^|[,|]) *%1( |,|$|\\()").arg(QLatin1String(package)));
        QVERIFY2(named.match(relation).hasMatch(), qPrintable(QLatin1String(name) + QStringLiteral(": ") + relation));
    }
    const QByteArray menu = readAll(root(QStringLiteral("/usr/share/applications/kestrelpoint.desktop")));
    QCOMPARE(field(menu, QStringLiteral("Exec"), "="), QStringLiteral("kestrelpoint"));
    QCOMPARE(field(menu, QStringLiteral("Categories"), "="), QStringLiteral("AudioVideo;"));
    const QImage icon(root(QStringLiteral("/usr/share/icons/hicolor/128x128/apps/%1.png")
                               .arg(field(menu, QStringLiteral("Icon"), "="))));
    QCOMPARE(icon.size(), QSize(128, 128));
}

// lintian has nothing to say about the package, and systemd's own verifier
// nothing about its unit (only the program's path points into the tree; the
// manual pages it names are looked up in the package's).
void tst_Package::debianCheckersFindNothing()
{
    const Ran lintian = runTool(QStringLiteral("lintian"), {"--fail-on", "error,warning", "--info", m_deb}, 180000);
    QVERIFY2(lintian.exitCode == 0 && lintian.out.trimmed().isEmpty(), (lintian.out + lintian.err).constData());

    QByteArray unit = readAll(root(QStringLiteral("/usr/lib/systemd/user/kestrelpoint.service")));
    QVERIFY(unit.contains("\nExecStart=/usr/bin/kestrelpoint\n"));
    unit.replace("\nExecStart=/usr/bin/", "\nExecStart=" + QFile::encodeName(root(QStringLiteral("/usr/bin/"))));
    QTemporaryDir dir;
    QVERIFY(writeAll(dir.filePath(QStringLiteral("kestrelpoint.service")), unit));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("runtime"))));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("MANPATH"), root(QStringLiteral("/usr/share/man")));
    const Ran verify = runTool(QStringLiteral("systemd-analyze"),
                               {"verify", "--user", dir.filePath(QStringLiteral("kestrelpoint.service"))}, 30000, env,
                               dir.path());
    QVERIFY2(verify.exitCode == 0 && verify.err.isEmpty(), verify.err.constData());
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
    // A setcap of our own on an otherwise empty PATH records what it was asked.
    QTemporaryDir bin;
    const QString calls = bin.filePath(QStringLiteral("calls"));
    if (setcapExit >= 0)
        QVERIFY(writeAll(bin.filePath(QStringLiteral("setcap")),
                         QStringLiteral("#!/bin/sh\necho \"$*\" >>'%1'\nexit %2\n").arg(calls).arg(setcapExit).toUtf8(),
                         true));
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), bin.path());
    const Ran ran = runTool(QStringLiteral("/bin/sh"), {control(QStringLiteral("/postinst")), action}, 30000, env);
    QCOMPARE(ran.exitCode, 0);
    QCOMPARE(readAll(calls), setcapCalled ? QByteArray("cap_sys_time+ep /usr/bin/kestrelpoint\n") : QByteArray());
    QTEST(!ran.err.trimmed().isEmpty(), "warns");
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

void tst_Package::autostart_data()
{
    QTest::addColumn<QString>("configHome"); // relative to the temporary folder; "" unset
    QTest::addColumn<QString>("entry");      // where the desktop looks for it
    QTest::addColumn<bool>("userManager");
    QTest::addColumn<bool>("editedHelp");
    QTest::newRow("default config folder") << "" << "user/.config/autostart" << false << false;
    QTest::newRow("XDG_CONFIG_HOME") << "/elsewhere" << "elsewhere/autostart" << false << false;
    QTest::newRow("relative XDG_CONFIG_HOME is ignored") << "relative" << "user/.config/autostart" << false << false;
    QTest::newRow("an edited help document is kept") << "" << "user/.config/autostart" << false << true;
    QTest::newRow("the service where a user manager runs") << "" << "user/.config/autostart" << true << false;
}

// status, enable, status, the desktop's own switch, disable, status: the
// entry comes and goes, the help document is copied unless one is there,
// and with a user manager the service follows.
void tst_Package::autostart()
{
    QFETCH(QString, configHome);
    QFETCH(QString, entry);
    QFETCH(bool, userManager);
    QFETCH(bool, editedHelp);
    QTemporaryDir dir;
    QProcessEnvironment env = scriptEnvironment(dir.path());
    if (!configHome.isEmpty())
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.startsWith('/') ? dir.path() + configHome : configHome);
    if (userManager)
        QVERIFY(writeAll(dir.filePath(QStringLiteral("manager")), {}));
    const QString target = dir.filePath(entry + QStringLiteral("/kestrelpoint.desktop"));
    const QString help = dir.filePath(QStringLiteral("data/Kestrelpoint.hlp"));
    const QByteArray edited = "{\\rtf1 The station's own notes.}";
    if (editedHelp)
        QVERIFY(writeAll(help, edited));

    QCOMPARE(autostartScript(QStringLiteral("status"), env).exitCode, 1);
    QCOMPARE(autostartScript(QStringLiteral("enabel"), env).exitCode, 2);
    QCOMPARE(autostartScript(QStringLiteral("enable"), env).exitCode, 0);
    QCOMPARE(readAll(target), readAll(root(QStringLiteral("/usr/share/kestrelpoint/kestrelpoint-autostart.desktop"))));
    QCOMPARE(readAll(help),
             editedHelp ? edited : readAll(root(QStringLiteral("/usr/share/doc/kestrelpoint/Kestrelpoint.hlp"))));
    // No half-written copies beside the files.
    QCOMPARE(QDir(dir.filePath(QStringLiteral("data"))).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("Kestrelpoint.hlp")});
    const Ran status = autostartScript(QStringLiteral("status"), env);
    QCOMPARE(status.exitCode, 0);
    QVERIFY2(status.out.startsWith(userManager ? "enabled: systemd user service kestrelpoint.service, active" : "enabled"),
             status.out.constData());
    const QByteArray calls = readAll(dir.filePath(QStringLiteral("calls")));
    QCOMPARE(calls.contains("--user enable kestrelpoint.service"), userManager);
    if (!userManager) {
        // Switched off in the desktop's own start-up settings.
        QVERIFY(writeAll(target, readAll(target) + "Hidden=true\n"));
        QCOMPARE(autostartScript(QStringLiteral("status"), env).exitCode, 1);
    }
    QCOMPARE(autostartScript(QStringLiteral("disable"), env).exitCode, 0);
    QVERIFY(!QFile::exists(target));
    QCOMPARE(readAll(dir.filePath(QStringLiteral("calls"))).contains("--user disable kestrelpoint.service"), userManager);
    QCOMPARE(autostartScript(QStringLiteral("status"), env).exitCode, 1);
    QVERIFY(QFile::exists(help));
}

// The entry's start hands the session's display (and the program's own
// variables) to the user manager, then starts the service.
void tst_Package::autostartStartsTheServiceWithTheSession()
{
    QTemporaryDir dir;
    QProcessEnvironment env = scriptEnvironment(dir.path());
    QVERIFY(writeAll(dir.filePath(QStringLiteral("manager")), {}));
    QVERIFY(writeAll(dir.filePath(QStringLiteral("state")), "enabled\n"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":7"));
    env.insert(QStringLiteral("XAUTHORITY"), dir.filePath(QStringLiteral("Xauthority")));
    env.insert(QStringLiteral("KESTRELPOINT_COM1"), QStringLiteral("/dev/ttyUSB0"));
    // The command line of the autostart entry itself.
    const QByteArray entry = readAll(root(QStringLiteral("/usr/share/kestrelpoint/kestrelpoint-autostart.desktop")));
    const QStringList exec = field(entry, QStringLiteral("Exec"), "=").split(QLatin1Char(' '));
    QCOMPARE(runTool(root(QStringLiteral("/usr/bin/") + exec.first()), exec.mid(1), 30000, env).exitCode, 0);
    // After the checks for a user manager and an enabled service.
    const QStringList calls =
        QString::fromUtf8(readAll(dir.filePath(QStringLiteral("calls")))).split('\n', Qt::SkipEmptyParts).mid(2);
    QVERIFY2(calls.size() == 3, qPrintable(calls.join('\n')));
    // Only the variables that are set, the program's own in any order.
    QStringList imported = calls.at(0).split(QLatin1Char(' '));
    std::sort(imported.begin() + 4, imported.end());
    QCOMPARE(imported, (QStringList{"--user", "import-environment", "DISPLAY", "XAUTHORITY", "KESTRELPOINT_COM1",
                                    "KESTRELPOINT_HOME"}));
    QCOMPARE(calls.mid(1), (QStringList{"--user reset-failed kestrelpoint.service", "--user start kestrelpoint.service"}));
}

// With no user manager the autostart script starts the unpacked program
// itself, which makes its data folder and gets the help document.
void tst_Package::unpackedProgramStarts()
{
    ProgramRun run; // for its temporary folder, simulated ports and environment
    QProcessEnvironment env;
    const QString home = run.home() + QStringLiteral("-fresh");
    env.insert(QStringLiteral("KESTRELPOINT_HOME"), home);
    env.insert(QStringLiteral("HOME"), run.scratch(QStringLiteral("user")));
    useFakeSystemctl(env, run.scratch(QStringLiteral("no-user-manager")));
    run.setCommand({root(QStringLiteral("/usr/bin/kestrelpoint-autostart")), QStringLiteral("start")});
    QVERIFY(run.startAndWait(env));
    for (const char *name : {"Kestrelpoint.ini", "TimeReset.ini", "SwitchList.dat", "logs", "Kestrelpoint.hlp"})
        QVERIFY2(QFile::exists(home + QLatin1Char('/') + QLatin1String(name)), name);
    QTest::qWait(1000);
    QVERIFY2(run.running(), run.allStandardError().constData());
}

QTEST_GUILESS_MAIN(tst_Package)
#include "tst_package.moc"
