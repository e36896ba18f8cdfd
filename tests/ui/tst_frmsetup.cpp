#include "station/station.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/parallelport.h"
#include "schedule/schedulerecord.h"
#include "testdata.h"
#include "ui/frmsetup.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <memory>

namespace {

enum class CloseBy { CloseButton, FilesExit, CloseBox };

// A station in a temporary data folder, started from the given files, with
// one schedule for each receiver.
class Fixture
{
public:
    explicit Fixture(const QByteArray &settingsFile, const QByteArray &timeResetFile = {})
    {
        home.write(QStringLiteral("Kestrelpoint.ini"), settingsFile);
        home.write(QStringLiteral("TimeReset.ini"), timeResetFile);
        home.write(QStringLiteral("parport"), QByteArray(2, '\0'));
        station = std::make_unique<Station>(clock, openParallelPort(home.file(QStringLiteral("parport"))));
        addSchedule(QStringLiteral("Morning News"), 1);
        addSchedule(QStringLiteral("Farm Report"), 2);
        QString error;
        if (!station->InitProgram(&error))
            qFatal("InitProgram failed: %s", qPrintable(error));
        station->connect(station.get(), &Station::receiverCountChanged, station.get(),
                         [this] { events << QStringLiteral("count %1").arg(station->settings.TwoReceivers); });
        station->connect(station.get(), &Station::switchListChanged, station.get(),
                         [this](int receiver) { events << QStringLiteral("list %1").arg(receiver); });
    }

    frmSetUp *open()
    {
        auto *window = new frmSetUp(*station);
        window->show();
        if (!QTest::qWaitForWindowExposed(window))
            qFatal("the setup window was not shown");
        return window;
    }

    QByteArray settingsFile() const { return home.read(QStringLiteral("Kestrelpoint.ini")); }
    QByteArray timeResetFile() const { return home.read(QStringLiteral("TimeReset.ini")); }

    TestHome home;
    ManualClock clock{QDateTime(QDate(2024, 3, 3), QTime(12, 0))};
    std::unique_ptr<Station> station;
    QStringList events;

private:
    void addSchedule(const QString &name, int receiver)
    {
        ScheduleRecord r;
        r.PgmName = name;
        r.SatLen = QStringLiteral("     ");
        r.SatLang = QStringLiteral("ABC");
        r.SatPort = QStringLiteral("1");
        r.SatRoute = QStringLiteral("2");
        r.SatAtt = QStringLiteral("0");
        r.RemoteStart = 1;
        r.Receiver = receiver;
        for (QString &time : r.SwitchTime)
            time = QStringLiteral("        ");
        r.SwitchTime[1] = QStringLiteral("06:00:00");
        home.write(QStringLiteral("SwitchList.dat"),
                   home.read(QStringLiteral("SwitchList.dat")) + BuildScheduleRecord(r).toLatin1());
    }
};

template <typename W> W *control(QWidget *window, const char *name)
{
    W *widget = window->findChild<W *>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

QRadioButton *modelOption(QWidget *window, int index)
{
    for (QRadioButton *option : window->findChildren<QRadioButton *>(QStringLiteral("OptModel"))) {
        if (option->property("index").toInt() == index)
            return option;
    }
    qFatal("no OptModel(%d)", index);
}

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

void clickRow(QListWidget *list, int row)
{
    QListWidgetItem *item = list->item(row);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

// The window deletes itself once the event loop takes up its closing.
void finishClosing()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void closeWindow(QWidget *window, CloseBy how)
{
    switch (how) {
    case CloseBy::CloseButton:
        QTest::mouseClick(control<QPushButton>(window, "cmdClose"), Qt::LeftButton);
        break;
    case CloseBy::FilesExit:
        control<QAction>(window, "mnuExit")->trigger();
        break;
    case CloseBy::CloseBox:
        // What the window manager does when the title bar's close box is pressed.
        window->close();
        break;
    }
}

// The text of a list's selected row, empty when none is selected.
QString selectedText(QListWidget *list)
{
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

QList<int> checkedPorts(QWidget *window, const char *frame)
{
    QList<int> ports;
    const auto options = control<QGroupBox>(window, frame)->findChildren<QRadioButton *>();
    for (int i = 0; i < options.size(); ++i) {
        if (options[i]->isChecked())
            ports << i + 1;
    }
    return ports;
}

} // namespace

Q_DECLARE_METATYPE(CloseBy)

class tst_frmSetUp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openingShowsTheStoredSettings();
    void twoReceiversActsAtOnce();
    void portChoices_data();
    void portChoices();
    void equalStoredPortsAreReportedAtOpening();
    void doNotLogHidesTheKeepingControls();
    void workedExampleIsWrittenAtClosing_data();
    void workedExampleIsWrittenAtClosing();
    void resetTimeFollowsEveryKeystroke();
    void storedValuesWithoutAChoiceAreKept();
    void unwritableSettingsAreReported_data();
    void unwritableSettingsAreReported();
    void screenshot();
};

void tst_frmSetUp::openingShowsTheStoredSettings()
{
    Fixture f("311110y041", "07:15");
    QPointer<frmSetUp> w = f.open();

    QCOMPARE(w->windowTitle(), QStringLiteral("Kestrelpoint SetUp"));
    QCOMPARE(checkedPorts(w, "fraComSelect"), QList<int>{3});
    QCOMPARE(checkedPorts(w, "Frame2"), QList<int>{4});
    QVERIFY(control<QRadioButton>(w, "optBaud1")->isChecked());
    QVERIFY(!control<QRadioButton>(w, "optBaud2")->isChecked());
    QVERIFY(control<QCheckBox>(w, "chkLog")->isChecked());
    QCOMPARE(selectedText(control<QListWidget>(w, "lstHistoryEbNo")), QStringLiteral("1 per hour"));
    // Every choice of both lists is in sight, without scrolling.
    for (const char *name : {"lstHistoryEbNo", "lstSaveLogs"}) {
        const auto *list = control<QListWidget>(w, name);
        QVERIFY(list->visualItemRect(list->item(list->count() - 1)).bottom() < list->viewport()->height());
    }
    QVERIFY(control<QCheckBox>(w, "chkMpeg")->isChecked());
    QVERIFY(!control<QCheckBox>(w, "chkRemote")->isChecked());
    QVERIFY(!control<QCheckBox>(w, "Check1")->isChecked());
    QVERIFY(control<QGroupBox>(w, "Frame2")->isHidden());
    QVERIFY(control<QListWidget>(w, "lstSaveLogs")->isVisible());
    QCOMPARE(selectedText(control<QListWidget>(w, "lstSaveLogs")), QStringLiteral("1 Year"));
    QVERIFY(!modelOption(w, 0)->isChecked());
    QVERIFY(modelOption(w, 1)->isChecked());
    QCOMPARE(control<QLineEdit>(w, "txtClockResetTime")->text(), QStringLiteral("07:15"));
    QVERIFY(f.home.errors.isEmpty());
    // With one receiver, opening rebuilds no list.
    QVERIFY(f.events.isEmpty());

    // Closing without a change writes back what was read.
    w->close();
    finishClosing();
    QVERIFY(w.isNull());
    QCOMPARE(f.settingsFile(), QByteArray("311110y041"));
    QCOMPARE(f.timeResetFile(), QByteArray("07:15"));
}

void tst_frmSetUp::twoReceiversActsAtOnce()
{
    Fixture f("221201w131");
    QCOMPARE(f.station->switchList(1).size(), 1);
    QPointer<frmSetUp> w = f.open();
    // Opening with two receivers runs the rule as a click would.
    QVERIFY(control<QGroupBox>(w, "Frame2")->isVisible());
    QCOMPARE(f.events, (QStringList{"count 1", "list 1", "list 2"}));
    f.events.clear();

    auto *check1 = control<QCheckBox>(w, "Check1");
    click(check1);
    QVERIFY(!check1->isChecked());
    QCOMPARE(f.station->settings.TwoReceivers, 0);
    QVERIFY(control<QGroupBox>(w, "Frame2")->isHidden());
    // The main window hears of it before receiver one's list is rebuilt;
    // receiver two's list is left alone.
    QCOMPARE(f.events, (QStringList{"count 0", "list 1"}));
    // With one receiver every schedule belongs to receiver one.
    QCOMPARE(f.station->switchList(1).size(), 2);
    // Nothing is written before the window closes.
    QCOMPARE(f.settingsFile(), QByteArray("221201w131"));

    f.events.clear();
    click(check1);
    QCOMPARE(f.station->settings.TwoReceivers, 1);
    QVERIFY(control<QGroupBox>(w, "Frame2")->isVisible());
    QCOMPARE(f.events, (QStringList{"count 1", "list 1", "list 2"}));
    QCOMPARE(f.station->switchList(1).size(), 1);
    QCOMPARE(f.station->switchList(2).size(), 1);

    click(check1);
    w->close();
    QCOMPARE(f.settingsFile().at(7), '0');
}

void tst_frmSetUp::portChoices_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("clicked");
    QTest::addColumn<QList<int>>("receiver1Checked");
    QTest::addColumn<QList<int>>("receiver2Checked");
    QTest::addColumn<int>("receiver2PortAtOnce");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<char>("record1");
    QTest::addColumn<char>("record9");

    QTest::newRow("receiver one onto receiver two's port is refused, the old port saved")
        << QByteArray("221201w131") << QByteArray("optSP3") << QList<int>{} << QList<int>{3} << 3 << true << '2' << '3';
    QTest::newRow("receiver one to a free port waits for closing")
        << QByteArray("221201w131") << QByteArray("optSP4") << QList<int>{4} << QList<int>{3} << 3 << false << '4'
        << '3';
    QTest::newRow("receiver one onto receiver two's port with one receiver is allowed")
        << QByteArray("221201w031") << QByteArray("optSP3") << QList<int>{3} << QList<int>{3} << 3 << false << '3'
        << '3';
    QTest::newRow("receiver two onto receiver one's port is refused, its port kept")
        << QByteArray("221201w131") << QByteArray("Option2") << QList<int>{2} << QList<int>{} << 3 << true << '2'
        << '3';
    QTest::newRow("receiver two to a free port changes at once")
        << QByteArray("221201w131") << QByteArray("Option1") << QList<int>{2} << QList<int>{1} << 1 << false << '2'
        << '1';
}

void tst_frmSetUp::portChoices()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, clicked);
    QFETCH(bool, refused);

    Fixture f(stored);
    QPointer<frmSetUp> w = f.open();
    QVERIFY(f.home.errors.isEmpty());

    click(control<QRadioButton>(w, clicked.constData()));
    QTEST(checkedPorts(w, "fraComSelect"), "receiver1Checked");
    QTEST(checkedPorts(w, "Frame2"), "receiver2Checked");
    QTEST(f.station->settings.Receiver2Port, "receiver2PortAtOnce");
    QCOMPARE(f.station->settings.Receiver1Port, 2);
    QCOMPARE(f.home.errors,
             refused ? QStringList{QStringLiteral("Receiver one and receiver two Ports may not be the same.")}
                     : QStringList{});

    w->close();
    const QByteArray file = f.settingsFile();
    QCOMPARE(file.size(), 10);
    QTEST(file.at(0), "record1");
    QTEST(file.at(8), "record9");
}

void tst_frmSetUp::equalStoredPortsAreReportedAtOpening()
{
    Fixture f("221201w021");
    QPointer<frmSetUp> w = f.open();
    QCOMPARE(f.home.errors, QStringList{QStringLiteral("Receiver one and receiver two Ports may not be the same.")});
    QCOMPARE(checkedPorts(w, "fraComSelect"), QList<int>{2});
    QCOMPARE(checkedPorts(w, "Frame2"), QList<int>{});
    QCOMPARE(f.station->settings.Receiver2Port, 2);
    w->close();
    QCOMPARE(f.settingsFile(), QByteArray("221201w021"));
}

void tst_frmSetUp::doNotLogHidesTheKeepingControls()
{
    Fixture f("221201w131");
    QPointer<frmSetUp> w = f.open();
    auto *rates = control<QListWidget>(w, "lstHistoryEbNo");
    auto *label1 = control<QLabel>(w, "Label1");
    auto *keep = control<QListWidget>(w, "lstSaveLogs");
    QVERIFY(label1->isVisible());
    QVERIFY(keep->isVisible());

    clickRow(rates, 0);
    QCOMPARE(rates->currentRow(), 0);
    QVERIFY(label1->isHidden());
    QVERIFY(keep->isHidden());

    clickRow(rates, 5);
    QVERIFY(label1->isVisible());
    QVERIFY(keep->isVisible());
    QCOMPARE(selectedText(keep), QStringLiteral("1 Week"));

    clickRow(rates, 0);
    // The rate waits for closing; the keeping letter stays as chosen.
    QCOMPARE(f.station->settings.EbNoRate, 2);
    w->close();
    QCOMPARE(f.settingsFile(), QByteArray("221001w131"));
}

void tst_frmSetUp::workedExampleIsWrittenAtClosing_data()
{
    QTest::addColumn<CloseBy>("closeBy");
    QTest::newRow("Close button") << CloseBy::CloseButton;
    QTest::newRow("Files > Exit") << CloseBy::FilesExit;
    QTest::newRow("close box") << CloseBy::CloseBox;
}

void tst_frmSetUp::workedExampleIsWrittenAtClosing()
{
    QFETCH(CloseBy, closeBy);
    Fixture f("");
    QPointer<frmSetUp> w = f.open();
    QVERIFY(f.home.errors.isEmpty());

    click(control<QRadioButton>(w, "optBaud2"));
    click(control<QRadioButton>(w, "optSP2"));
    click(control<QCheckBox>(w, "Check1"));
    click(control<QRadioButton>(w, "Option3"));
    click(control<QCheckBox>(w, "chkLog"));
    clickRow(control<QListWidget>(w, "lstHistoryEbNo"), 2);
    click(control<QCheckBox>(w, "chkRemote"));
    clickRow(control<QListWidget>(w, "lstSaveLogs"), 1);
    click(modelOption(w, 1));
    QTest::keyClicks(control<QLineEdit>(w, "txtClockResetTime"), QStringLiteral("54:30"));

    // These change at once ...
    QCOMPARE(f.station->settings.TwoReceivers, 1);
    QCOMPARE(f.station->settings.Receiver2Port, 3);
    QCOMPARE(f.station->settings.RemoteControlOn, true);
    QCOMPARE(f.station->settings.MpegLogOn, false);
    QCOMPARE(f.station->settings.ClockResetTime, QStringLiteral("54:30"));
    // ... these wait for closing, and nothing is written before.
    QCOMPARE(f.station->settings.Receiver1Port, 0);
    QCOMPARE(f.station->settings.BaudChoice, 0);
    QCOMPARE(f.station->settings.ActivityLogOn, 0);
    QCOMPARE(f.station->settings.EbNoRate, 0);
    QCOMPARE(f.settingsFile(), QByteArray());

    closeWindow(w, closeBy);
    finishClosing();
    QVERIFY(w.isNull());
    QCOMPARE(f.settingsFile(), QByteArray("221201w131"));
    QCOMPARE(f.timeResetFile(), QByteArray("54:30"));
    QCOMPARE(f.station->settings.Receiver1Port, 2);
    QCOMPARE(f.station->settings.BaudChoice, 2);
    QCOMPARE(f.station->settings.ActivityLogOn, 1);
    QCOMPARE(f.station->settings.EbNoRate, 2);
    QCOMPARE(f.station->settings.EbNoKeep, QStringLiteral("w"));
    QCOMPARE(f.station->settings.ReceiverModel, QStringLiteral("1"));
    QVERIFY(f.home.errors.isEmpty());
}

void tst_frmSetUp::resetTimeFollowsEveryKeystroke()
{
    Fixture f("221201w131", "54:30");
    QPointer<frmSetUp> w = f.open();
    auto *box = control<QLineEdit>(w, "txtClockResetTime");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(f.station->settings.ClockResetTime, QString());

    const QString typed = QStringLiteral("07:45");
    for (int i = 0; i < typed.size(); ++i) {
        QTest::keyClick(box, typed.at(i).toLatin1());
        QCOMPARE(f.station->settings.ClockResetTime, typed.left(i + 1));
    }
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(f.station->settings.ClockResetTime, QStringLiteral("07:4"));
    // Still unwritten until the window closes.
    QCOMPARE(f.timeResetFile(), QByteArray("54:30"));

    w->close();
    QCOMPARE(f.timeResetFile(), QByteArray("07:4 "));
}

// Values a damaged file may hold and no control stands for are kept unless
// the operator makes a choice.
void tst_frmSetUp::storedValuesWithoutAChoiceAreKept()
{
    Fixture f("7989119197");
    QPointer<frmSetUp> w = f.open();
    QCOMPARE(checkedPorts(w, "fraComSelect"), QList<int>{});
    QVERIFY(!control<QRadioButton>(w, "optBaud1")->isChecked());
    QVERIFY(!control<QRadioButton>(w, "optBaud2")->isChecked());
    QCOMPARE(control<QListWidget>(w, "lstHistoryEbNo")->selectedItems().size(), 0);
    QVERIFY(control<QListWidget>(w, "lstSaveLogs")->isHidden());
    QCOMPARE(control<QListWidget>(w, "lstSaveLogs")->selectedItems().size(), 0);
    w->close();
    // The model has no "neither": closing with no model chosen stores the 500.
    QCOMPARE(f.settingsFile(), QByteArray("7909119191"));
}

void tst_frmSetUp::unwritableSettingsAreReported_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("err");
    QTest::addColumn<bool>("settingsKept");
    QTest::addColumn<bool>("timeResetKept");

    QTest::newRow("folder in the settings file's place") << "settings folder" << EISDIR << true << true;
    QTest::newRow("folder in TimeReset.ini's place") << "time reset folder" << EISDIR << false << true;
    QTest::newRow("disk full midway: no half-written file") << "size limit" << EFBIG << true << true;
    QTest::newRow("read-only data folder") << "read-only" << EACCES << true << true;
}

void tst_frmSetUp::unwritableSettingsAreReported()
{
    QFETCH(QString, how);
    QFETCH(int, err);
    QFETCH(bool, settingsKept);
    QFETCH(bool, timeResetKept);
    if (how == QLatin1String("read-only") && geteuid() == 0)
        QSKIP("the superuser writes into read-only folders");

    // An older, longer settings file: its bytes beyond the tenth are kept.
    const QByteArray old("1111011141XYZ");
    Fixture f(old, "10:00");
    QPointer<frmSetUp> w = f.open();
    click(control<QRadioButton>(w, "optBaud2"));
    QTest::keyClicks(control<QLineEdit>(w, "txtClockResetTime"), QStringLiteral("5"));

    const QString settingsPath = f.home.file(QStringLiteral("Kestrelpoint.ini"));
    const QString timeResetPath = f.home.file(QStringLiteral("TimeReset.ini"));
    const QString displaced = f.home.file(QStringLiteral("displaced"));
    if (how == QLatin1String("settings folder")) {
        QVERIFY(QFile::rename(settingsPath, displaced));
        QVERIFY(QDir().mkdir(settingsPath));
    } else if (how == QLatin1String("time reset folder")) {
        QVERIFY(QFile::rename(timeResetPath, displaced));
        QVERIFY(QDir().mkdir(timeResetPath));
    } else if (how == QLatin1String("read-only")) {
        QVERIFY(QFile::setPermissions(f.home.path(), QFile::ReadOwner | QFile::ExeOwner));
    }

    struct rlimit saved
    {
    };
    if (how == QLatin1String("size limit")) {
        // A write that stops after four bytes, as on a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit small = saved;
        small.rlim_cur = 4;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    w->close();
    if (how == QLatin1String("size limit"))
        setrlimit(RLIMIT_FSIZE, &saved);
    QFile::setPermissions(f.home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    finishClosing();
    QVERIFY(w.isNull());
    const QString failed = how == QLatin1String("time reset folder") ? QStringLiteral("TimeReset.ini")
                                                                       : QStringLiteral("Kestrelpoint.ini");
    QCOMPARE(f.home.errors, QStringList{errnoReportText(err, f.home.file(failed))});
    // The settings stay in memory for this run.
    QCOMPARE(f.station->settings.BaudChoice, 2);
    QCOMPARE(f.station->settings.ClockResetTime, QStringLiteral("10:005"));

    if (how == QLatin1String("settings folder")) {
        QVERIFY(QFileInfo(settingsPath).isDir());
        QCOMPARE(f.home.read(QStringLiteral("displaced")), old);
    } else if (how == QLatin1String("time reset folder")) {
        QVERIFY(QFileInfo(timeResetPath).isDir());
        QCOMPARE(f.home.read(QStringLiteral("displaced")), QByteArray("10:00"));
    }
    if (settingsKept && how != QLatin1String("settings folder"))
        QCOMPARE(f.settingsFile(), old);
    if (!settingsKept)
        QCOMPARE(f.settingsFile(), QByteArray("1211011141XYZ"));
    if (timeResetKept && how != QLatin1String("time reset folder"))
        QCOMPARE(f.timeResetFile(), QByteArray("10:00"));
}

// Saves the window as docs/screenshots/setup.png when KP_SCREENSHOTS is set.
void tst_frmSetUp::screenshot()
{
    if (qEnvironmentVariableIsEmpty("KP_SCREENSHOTS"))
        QSKIP("set KP_SCREENSHOTS to save the screenshot");
    Fixture f("221201w131", "54:30");
    QPointer<frmSetUp> w = f.open();
    const QString folder = QStringLiteral(KP_SOURCE_DIR "/docs/screenshots");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(w->grab().save(folder + QStringLiteral("/setup.png")));
    w->close();
}

QTEST_MAIN(tst_frmSetUp)
#include "tst_frmsetup.moc"
