#include "windows.h"

#include "platform/errorreport.h"
#include "ui/frmsetup.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <cerrno>

namespace {

const QString kPortConflict = QStringLiteral("Receiver one and receiver two Ports may not be the same.");

// The setup window over a station started from the given files, with one
// schedule for each receiver; events names what the main window hears.
struct Setup : WindowStation
{
    explicit Setup(const QByteArray &settingsFile, const QByteArray &timeResetFile = {})
    {
        addSchedule(schedule(QStringLiteral("Morning News"), 1, onDay(1, QStringLiteral("06:00:00"))));
        addSchedule(schedule(QStringLiteral("Farm Report"), 2, onDay(1, QStringLiteral("06:00:00"))));
        restart(settingsFile, timeResetFile);
        QObject::connect(&station, &Station::receiverCountChanged, &station,
                         [this] { events << QStringLiteral("count %1").arg(station.settings.TwoReceivers); });
        QObject::connect(&station, &Station::switchListChanged, &station,
                         [this](int receiver) { events << QStringLiteral("list %1").arg(receiver); });
    }
    frmSetUp *open() { return window = shown(new frmSetUp(station)); }
    void close()
    {
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!window);
    }
    QByteArray settingsFile() const { return home.read(QStringLiteral("Kestrelpoint.ini")); }
    QByteArray timeResetFile() const { return home.read(QStringLiteral("TimeReset.ini")); }
    QList<int> checkedPorts(const char *frame) const
    {
        QList<int> ports;
        const auto options = control<QGroupBox>(window, frame)->findChildren<QRadioButton *>();
        for (int i = 0; i < options.size(); ++i) {
            if (options[i]->isChecked())
                ports << i + 1;
        }
        return ports;
    }
    QString selected(const char *list) const
    {
        const auto chosen = control<QListWidget>(window, list)->selectedItems();
        return chosen.isEmpty() ? QString() : chosen.first()->text();
    }
    bool checked(const char *name, int index = -1) const { return control<QAbstractButton>(window, name, index)->isChecked(); }
    QStringList events;
    QPointer<frmSetUp> window;
};

} // namespace

class tst_frmSetUp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openingShowsTheStoredSettings()
    {
        Setup f("311110y041", "07:15");
        f.open();
        QCOMPARE(f.checkedPorts("fraComSelect"), QList<int>{3});
        QCOMPARE(f.checkedPorts("Frame2"), QList<int>{4});
        QVERIFY(f.checked("optBaud1") && !f.checked("optBaud2"));
        QVERIFY(f.checked("chkLog") && f.checked("chkMpeg") && !f.checked("chkRemote") && !f.checked("Check1"));
        QVERIFY(!f.checked("OptModel", 0) && f.checked("OptModel", 1));
        QCOMPARE(f.selected("lstHistoryEbNo"), QStringLiteral("1 per hour"));
        QCOMPARE(f.selected("lstSaveLogs"), QStringLiteral("1 Year"));
        QCOMPARE(control<QLineEdit>(f.window, "txtClockResetTime")->text(), QStringLiteral("07:15"));
        QVERIFY(control(f.window, "Frame2")->isHidden());
        // Every choice of both lists is in sight, without scrolling.
        for (const char *name : {"lstHistoryEbNo", "lstSaveLogs"}) {
            const auto *list = control<QListWidget>(f.window, name);
            QVERIFY(list->isVisible());
            QVERIFY(list->visualItemRect(list->item(list->count() - 1)).bottom() < list->viewport()->height());
        }
        QVERIFY(f.home.errors.isEmpty());
        // With one receiver, opening rebuilds no list; closing writes back what was read.
        QVERIFY(f.events.isEmpty());
        f.close();
        QCOMPARE(f.settingsFile(), QByteArray("311110y041"));
        QCOMPARE(f.timeResetFile(), QByteArray("07:15"));
    }

    void twoReceiversActsAtOnce()
    {
        Setup f("221201w131");
        f.open();
        // Opening with two receivers runs the rule as a click would.
        QVERIFY(control(f.window, "Frame2")->isVisible());
        QCOMPARE(f.events, (QStringList{"count 1", "list 1", "list 2"}));
        f.events.clear();
        press(f.window, "Check1");
        QVERIFY(control(f.window, "Frame2")->isHidden());
        // The main window hears of it before receiver one's list, which now
        // holds every schedule, is rebuilt; receiver two's is left alone.
        QCOMPARE(f.events, (QStringList{"count 0", "list 1"}));
        QCOMPARE(f.station.switchList(1).size(), 2);
        QCOMPARE(f.settingsFile(), QByteArray("221201w131"));
        f.events.clear();
        press(f.window, "Check1");
        QCOMPARE(f.events, (QStringList{"count 1", "list 1", "list 2"}));
        QCOMPARE(f.station.switchList(1).size(), 1);
        press(f.window, "Check1");
        f.close();
        QCOMPARE(f.settingsFile(), QByteArray("221201w031"));
    }

    void portChoices_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("clicked");
        QTest::addColumn<QList<int>>("receiver1Checked");
        QTest::addColumn<QList<int>>("receiver2Checked");
        QTest::addColumn<int>("receiver2PortAtOnce");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("receiver one onto receiver two's port is refused, the old port saved")
            << QByteArray("221201w131") << QByteArray("optSP3") << QList<int>{} << QList<int>{3} << 3 << true
            << QByteArray("221201w131");
        QTest::newRow("receiver one to a free port waits for closing")
            << QByteArray("221201w131") << QByteArray("optSP4") << QList<int>{4} << QList<int>{3} << 3 << false
            << QByteArray("421201w131");
        QTest::newRow("receiver one onto receiver two's port with one receiver is allowed")
            << QByteArray("221201w031") << QByteArray("optSP3") << QList<int>{3} << QList<int>{3} << 3 << false
            << QByteArray("321201w031");
        QTest::newRow("receiver two onto receiver one's port is refused, its port kept")
            << QByteArray("221201w131") << QByteArray("Option2") << QList<int>{2} << QList<int>{} << 3 << true
            << QByteArray("221201w131");
        QTest::newRow("receiver two to a free port changes at once")
            << QByteArray("221201w131") << QByteArray("Option1") << QList<int>{2} << QList<int>{1} << 1 << false
            << QByteArray("221201w111");
    }

    void portChoices()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, clicked);
        QFETCH(bool, refused);
        Setup f(stored);
        f.open();
        press(f.window, clicked.constData());
        QTEST(f.checkedPorts("fraComSelect"), "receiver1Checked");
        QTEST(f.checkedPorts("Frame2"), "receiver2Checked");
        QTEST(f.station.settings.Receiver2Port, "receiver2PortAtOnce");
        QCOMPARE(f.station.settings.Receiver1Port, 2);
        QCOMPARE(f.home.errors, refused ? QStringList{kPortConflict} : QStringList{});
        f.close();
        QTEST(f.settingsFile(), "written");
    }

    void equalStoredPortsAreReportedAtOpening()
    {
        Setup f("221201w021");
        f.open();
        QCOMPARE(f.home.errors, QStringList{kPortConflict});
        QCOMPARE(f.checkedPorts("fraComSelect"), QList<int>{2});
        QCOMPARE(f.checkedPorts("Frame2"), QList<int>{});
        f.close();
        QCOMPARE(f.settingsFile(), QByteArray("221201w021"));
    }

    void doNotLogHidesTheKeepingControls()
    {
        Setup f("221201w131");
        f.open();
        auto *rates = control<QListWidget>(f.window, "lstHistoryEbNo");
        clickRow(rates, 0);
        QVERIFY(control(f.window, "Label1")->isHidden());
        QVERIFY(control(f.window, "lstSaveLogs")->isHidden());
        clickRow(rates, 5);
        QVERIFY(control(f.window, "Label1")->isVisible());
        QCOMPARE(f.selected("lstSaveLogs"), QStringLiteral("1 Week"));
        clickRow(rates, 0);
        // The rate waits for closing; the keeping letter stays as chosen.
        QCOMPARE(f.station.settings.EbNoRate, 2);
        f.close();
        QCOMPARE(f.settingsFile(), QByteArray("221001w131"));
    }

    void everyChoiceIsWrittenAtClosing_data()
    {
        QTest::addColumn<QByteArray>("closing");
        QTest::newRow("Close button") << QByteArray("cmdClose");
        QTest::newRow("Files > Exit") << QByteArray("mnuExit");
        QTest::newRow("close box") << QByteArray();
    }

    void everyChoiceIsWrittenAtClosing()
    {
        QFETCH(QByteArray, closing);
        Setup f("");
        f.open();
        for (const char *name : {"optBaud2", "optSP2", "Check1", "Option3", "chkLog", "chkRemote"})
            press(f.window, name);
        clickRow(control<QListWidget>(f.window, "lstHistoryEbNo"), 2);
        clickRow(control<QListWidget>(f.window, "lstSaveLogs"), 1);
        press(f.window, "OptModel", 1);
        QTest::keyClicks(control<QLineEdit>(f.window, "txtClockResetTime"), QStringLiteral("54:30"));
        // These change at once ...
        const StationSettings &s = f.station.settings;
        QCOMPARE(s.TwoReceivers, 1);
        QCOMPARE(s.Receiver2Port, 3);
        QCOMPARE(s.RemoteControlOn, true);
        QCOMPARE(s.MpegLogOn, false);
        QCOMPARE(s.ClockResetTime, QStringLiteral("54:30"));
        // ... these wait for closing, and nothing is written before.
        QCOMPARE(s.Receiver1Port, 0);
        QCOMPARE(s.BaudChoice, 0);
        QCOMPARE(s.ActivityLogOn, 0);
        QCOMPARE(s.EbNoRate, 0);
        QCOMPARE(f.settingsFile(), QByteArray());

        if (closing == "cmdClose")
            press(f.window, "cmdClose");
        else if (closing == "mnuExit")
            control<QAction>(f.window, "mnuExit")->trigger();
        else
            f.window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!f.window);
        QCOMPARE(f.settingsFile(), QByteArray("221201w131"));
        QCOMPARE(f.timeResetFile(), QByteArray("54:30"));
        QCOMPARE(s.Receiver1Port, 2);
        QCOMPARE(s.BaudChoice, 2);
        QCOMPARE(s.ActivityLogOn, 1);
        QCOMPARE(s.EbNoRate, 2);
        QCOMPARE(s.ReceiverModel, QStringLiteral("1"));
        QVERIFY(f.home.errors.isEmpty());
    }

    // The clock-reset minute follows every keystroke, half-typed too.
    void resetTimeFollowsEveryKeystroke()
    {
        Setup f("221201w131", "54:30");
        f.open();
        auto *box = control<QLineEdit>(f.window, "txtClockResetTime");
        box->clear();
        const QString typed = QStringLiteral("07:4");
        for (int i = 0; i < typed.size(); ++i) {
            QTest::keyClick(box, typed.at(i).toLatin1());
            QCOMPARE(f.station.settings.ClockResetTime, typed.left(i + 1));
        }
        QCOMPARE(f.timeResetFile(), QByteArray("54:30"));
        f.close();
        QCOMPARE(f.timeResetFile(), QByteArray("07:4 "));
    }

    // Values a damaged file may hold and no control stands for are kept
    // unless the operator chooses.
    void storedValuesWithoutAChoiceAreKept()
    {
        Setup f("7989119197");
        f.open();
        QCOMPARE(f.checkedPorts("fraComSelect"), QList<int>{});
        QVERIFY(!f.checked("optBaud1") && !f.checked("optBaud2"));
        QCOMPARE(f.selected("lstHistoryEbNo"), QString());
        QVERIFY(control(f.window, "lstSaveLogs")->isHidden());
        f.close();
        // The model has no "neither": closing with no model chosen stores the 500.
        QCOMPARE(f.settingsFile(), QByteArray("7909119191"));
    }

    void unwritableSettingsAreReportedAndKeptForThisRun()
    {
        Setup f("1111011141", "10:00");
        f.open();
        press(f.window, "optBaud2");
        const QString path = f.home.file(QStringLiteral("Kestrelpoint.ini"));
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        f.close();
        QCOMPARE(f.home.errors, QStringList{errnoReportText(EISDIR, path)});
        QCOMPARE(f.station.settings.BaudChoice, 2);
    }
};

QTEST_MAIN(tst_frmSetUp)
#include "tst_frmsetup.moc"
