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

// The setup window over a station started from the given files, with one
// schedule for each receiver; events names what the main window hears.
struct Setup : WindowStation
{
    explicit Setup(const QByteArray &settingsFile, const QByteArray &timeResetFile = {})
    {
        addSchedule(schedule(QStringLiteral("Morning News"), 1, onDay(1, QStringLiteral("06:00:00"))));
        addSchedule(schedule(QStringLiteral("Farm Report"), 2, onDay(1, QStringLiteral("06:00:00"))));
        home.write(QStringLiteral("Kestrelpoint.ini"), settingsFile);
        home.write(QStringLiteral("TimeReset.ini"), timeResetFile);
        station.settings = {};
        QString error;
        if (!station.InitProgram(&error))
            qFatal("start-up failed: %s", qPrintable(error));
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
            QVERIFY(list->visualItemRect(list->item(list->count() - 1)).bottom() < list->viewport()->height());
        }
        // With one receiver, opening rebuilds no list; closing writes back what was read.
        QVERIFY(f.events.isEmpty() && f.home.errors.isEmpty());
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
        QTest::newRow("receiver two to a free port changes at once")
            << QByteArray("221201w131") << QByteArray("Option1") << QList<int>{2} << QList<int>{1} << 1 << false
            << QByteArray("221201w111");
        QTest::newRow("equal stored ports are told at opening")
            << QByteArray("221201w021") << QByteArray() << QList<int>{2} << QList<int>{} << 2 << true
            << QByteArray("221201w021");
    }

    void portChoices()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, clicked);
        QFETCH(bool, refused);
        Setup f(stored);
        f.open();
        if (!clicked.isEmpty())
            press(f.window, clicked.constData());
        QTEST(f.checkedPorts("fraComSelect"), "receiver1Checked");
        QTEST(f.checkedPorts("Frame2"), "receiver2Checked");
        QTEST(f.station.settings.Receiver2Port, "receiver2PortAtOnce");
        QCOMPARE(f.station.settings.Receiver1Port, 2);
        QCOMPARE(f.home.errors.join(QString()),
                 refused ? QStringLiteral("Receiver one and receiver two Ports may not be the same.") : QString());
        f.close();
        QTEST(f.settingsFile(), "written");
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
        QCOMPARE(QList<int>({s.TwoReceivers, s.Receiver2Port, s.RemoteControlOn, s.MpegLogOn}),
                 QList<int>({1, 3, 1, 0}));
        QCOMPARE(s.ClockResetTime, QStringLiteral("54:30"));
        // ... these wait for closing, and nothing is written before.
        QCOMPARE(QList<int>({s.Receiver1Port, s.BaudChoice, s.ActivityLogOn, s.EbNoRate}), QList<int>({0, 0, 0, 0}));
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
        QCOMPARE(QList<int>({s.Receiver1Port, s.BaudChoice, s.ActivityLogOn, s.EbNoRate}), QList<int>({2, 2, 1, 2}));
        QVERIFY(f.home.errors.isEmpty());
    }

};

QTEST_MAIN(tst_frmSetUp)
#include "tst_frmsetup.moc"
