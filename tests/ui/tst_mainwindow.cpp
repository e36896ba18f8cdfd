#include "windows.h"

#include "app/mnumenu.h"
#include "engine/switchengine.h"
#include "platform/parallelport.h"
#include "ui/frmerror.h"

#include <QAction>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>

namespace {

// The main window over a station started from its files by Load.
struct MainWindow : WindowStation
{
    explicit MainWindow(const QByteArray &settingsFile = {})
    {
        home.write(QStringLiteral("Kestrelpoint.ini"), settingsFile);
        station.settings = {};
    }
    mnuMenu *load()
    {
        window = new mnuMenu(station);
        QString error;
        if (!window->Load(&error))
            qFatal("%s", qPrintable(error));
        return window;
    }
    QListView *list(int receiver) const
    {
        return control<QListView>(window, receiver == 2 ? "lstNextToSwitch2" : "lstNextToSwitch");
    }
    mnuMenu *window = nullptr;
};

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tickShowsTheClockAndTheNextSwitchAsPlainText()
    {
        MainWindow m;
        m.home.write(QStringLiteral("SwitchList.dat"),
                     recordBytes(schedule(QStringLiteral("<b>Breakfast</b>"), 1, onDay(1, QStringLiteral("10:02:05")))));
        m.load()->engine().tick();
        QCOMPARE(control<QLabel>(m.window, "lblClock")->text(), QStringLiteral("Monday  12/06/2027  09:00:00"));
        const auto *next = control<QLabel>(m.window, "label1");
        QCOMPARE(next->text(), QStringLiteral("Next to Switch:  <b>Breakfast</b>   1:02:05"));
        QCOMPARE(next->textFormat(), Qt::PlainText);
    }

    // Maximized on a 1280 x 1024 screen each list holds 15 lines or more,
    // each line whole, and receiver 2's panel stands below receiver 1's list
    // until the setup window goes back to one receiver.
    void listsShowWholeLinesOfAFullWeek()
    {
        MainWindow m("1210000120");
        QByteArray schedules;
        for (int receiver = 1; receiver <= 2; ++receiver)
            schedules += recordBytes(schedule(QStringLiteral("Twenty-five characters %1").arg(receiver), receiver,
                                              everyDay(QStringLiteral("23:59:59"))));
        m.home.write(QStringLiteral("SwitchList.dat"), schedules);
        m.load()->resize(1280, 994);
        shown(m.window);
        for (int receiver = 1; receiver <= 2; ++receiver) {
            QCOMPARE(m.list(receiver)->model()->rowCount(), 7);
            QVERIFY(!m.list(receiver)->horizontalScrollBar()->isVisible());
            QVERIFY(m.list(receiver)->viewport()->height() >= 15 * m.list(receiver)->sizeHintForRow(0));
        }
        QVERIFY(control(m.window, "Label6")->y() > m.list(1)->geometry().bottom());
        QVERIFY(m.list(2)->geometry().bottom() < m.window->centralWidget()->height());
        m.station.settings.TwoReceivers = 0;
        Q_EMIT m.station.receiverCountChanged();
        for (const char *name : {"lstNextToSwitch2", "Label3", "Label5", "Label6"})
            QVERIFY2(control(m.window, name)->isHidden(), name);
    }

    void missingParallelPortIsToldOnce_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("messages");
        QTest::newRow("remote control uses it") << QByteArray("111001w020") << 1;
        QTest::newRow("two receivers compare carriers on it") << QByteArray("111000w120") << 1;
        QTest::newRow("port not used") << QByteArray("111000w020") << 0;
    }

    void missingParallelPortIsToldOnce()
    {
        QFETCH(QByteArray, settings);
        TestHome home;
        home.write(QStringLiteral("Kestrelpoint.ini"), settings);
        ManualClock clock(kTestMonday);
        Station station(clock, openParallelPort(home.file(QStringLiteral("no-such-port"))));
        mnuMenu w(station);
        QString error;
        QVERIFY(w.Load(&error));
        for (int i = 0; i < 40; ++i, clock.advanceMs(50))
            w.engine().tick();
        QTEST(int(home.errors.size()), "messages");
        QCOMPARE(home.errors.filter(home.file(QStringLiteral("no-such-port"))), home.errors);
    }

    void menuEntries_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("title");
        const char *rows[][4] = {
            {"mnuLoadSchedules", "Load Schedules from Floppy", "", ""},
            {"mnuLoadSourceCodes", "Load Source Codes from Floppy", "", ""},
            {"mnuSaveFiles", "Save Schedules and Source Codes to Floppy", "", ""},
            {"mnuFileExit", "E&xit", "", ""},
            {"mnuSetUp", "&SetUp", "frmSetUp", "Kestrelpoint SetUp"},
            {"mnuRemoteStatus", "&Remote Status", "frmRemoteStatus", "Remote Status"},
            {"mnuProgramSourceCodes", "&ProgramSourceCodes", "frmProgramSourceCodes", "Program Source Codes"},
            {"mnuSchedule", "&Schedules", "frmSchedule", "Switch Schedule"},
            {"mnuSetReceiver", "Set &Receiver", "frmSetReceiver", "Set Receiver"},
            {"mnuSwitchSchedule", "S&witch Schedule", "frmWeeklySchedule", "Weekly Switch Schedule"},
            {"mnuCarrierStatus", "&Carrier", "frmDisplayReceiver", "Receiver Data"},
            {"mnuMPEGStatus", "&MPEG", "frmDisplayReceiver", "Receiver Data"},
            {"mnuRelayStatus", "&Relays", "frmRelay", "Unity 4K Receiver Relay Status"},
            {"mnuExtendedRelays", "&Extended Relays", "frmRelay", "Unity 4K Receiver Relay Status"},
            {"mnuReceiverSerialPort", "Receiver Serial  &Port", "frmDisplayReceiver", "Receiver Data"},
            {"mnuSettings", "&Settings", "frmDisplayReceiver", "Receiver Data"},
            {"ActivityLog", "&Activity Log", "frmActivityLog", "Load Activity Log"},
            {"mnuEbNo", "&Eb/No", "frmActivityLog", "Load EbNo Log"},
            {"mnuMPEG", "&MPEG", "frmMPEGLog", "MPEG Logs"},
            {"mnuHelp", "&Help", "frmHelp", "Help"},
            {"mnuAbout", "&About", "frmAbout", "About Kestrelpoint"},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << row[0] << row[1] << row[2] << row[3];
    }

    // Each entry has its caption and opens its window, with its title, once:
    // the second choice brings the open one forward.
    void menuEntries()
    {
        QFETCH(QString, name);
        QFETCH(QString, window);
        MainWindow m;
        m.load();
        QStringList bar;
        for (QAction *a : m.window->menuBar()->actions())
            bar << a->text();
        QCOMPARE(bar, (QStringList{"&File", "&SetUp", "&ProgramSourceCodes", "&Schedules", "Set &Receiver",
                                   "S&witch Schedule", "Recei&ver Status", "H&istory", "&Help", "&About"}));
        QAction *entry = m.window->findChild<QAction *>(name);
        QVERIFY(entry);
        QTEST(entry->text(), "caption");
        if (window.isEmpty())
            return;
        entry->trigger();
        entry->trigger();
        int open = 0;
        for (QWidget *top : QApplication::topLevelWidgets())
            open += top->objectName() == window && top->isVisible() ? 1 : 0;
        QCOMPARE(open, 1);
        QTEST(openWindow(window)->windowTitle(), "title");
    }

    void exitQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("No keeps everything running") << int(QMessageBox::No);
        QTest::newRow("Yes records the end, then exits") << int(QMessageBox::Yes);
    }

    // Yes ends the program as a stop signal does: the record shows a normal
    // end after the start, and main's last steps run before the exit.
    void exitQuestion()
    {
        QFETCH(int, answer);
        MainWindow m("1110000010"); // activity log on
        shown(m.load());
        static int exitStatus;
        exitStatus = -1;
        int statusBeforeEnd = -2;
        m.window->setExitForTest([](int status) { exitStatus = status; });
        m.window->setBeforeEnd([&] { statusBeforeEnd = exitStatus; });
        QStringList asked;
        QTimer::singleShot(0, [&asked, answer] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                asked << box->windowTitle() << box->text() << QString::number(box->icon())
                      << QString::number(box->standardButtons());
                box->button(QMessageBox::StandardButton(answer))->click();
            }
        });
        m.clock.advanceMs(61000);
        control<QAction>(m.window, "mnuFileExit")->trigger();
        QCOMPARE(asked, (QStringList{"Merrowind", "Exit Kestrelpoint?", QString::number(QMessageBox::NoIcon),
                                     QString::number(QMessageBox::Yes | QMessageBox::No)}));
        const bool yes = answer == QMessageBox::Yes;
        QCOMPARE(m.home.read(QStringLiteral("logs/AL271206.log")),
                 "09:00:00  Kestrelpoint Started\r\n" + QByteArray(yes ? "09:01:01  Kestrelpoint Ended\r\n" : ""));
        QCOMPARE(m.window->isVisible(), !yes);
        QVERIFY(yes || m.window->engine().tmrClock.isActive());
        QCOMPARE(statusBeforeEnd, yes ? -1 : -2);
        QCOMPARE(exitStatus, yes ? 0 : -1);
    }

    void errorWindowRule_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("handsBack");
        QTest::newRow("main window") << "" << "mnuMenu" << true;
        QTest::newRow("schedule editor") << "mnuSchedule" << "frmSchedule" << true;
        QTest::newRow("status window") << "mnuMPEGStatus" << "frmDisplayReceiver" << true;
        QTest::newRow("activity log viewer") << "ActivityLog" << "frmActivityLog" << true;
        QTest::newRow("MPEG log viewer") << "mnuMPEG" << "frmMPEGLog" << true;
        QTest::newRow("help") << "mnuHelp" << "frmHelp" << true;
        QTest::newRow("setup is outside the rule") << "mnuSetUp" << "frmSetUp" << false;
    }

    // Six windows, when they become active, hand the focus back to a
    // message that is showing.
    void errorWindowRule()
    {
        QFETCH(QString, entry);
        QFETCH(QString, window);
        QFETCH(bool, handsBack);
        MainWindow m;
        shown(m.load());
        if (!entry.isEmpty())
            m.window->findChild<QAction *>(entry)->trigger();
        QWidget *target = openWindow(window);
        QVERIFY(target);
        QWidget other;
        shown(&other)->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        frmError::ShowErrorMessage(QStringLiteral("first"));
        frmError::ShowErrorMessage(QStringLiteral("2  No such file or directory"));
        frmError *error = frmError::instance();
        QCOMPARE(error->message(), QStringLiteral("2  No such file or directory"));
        QVERIFY(QTest::qWaitForWindowActive(error));
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        target->activateWindow();
        if (handsBack) {
            QTRY_VERIFY(error->isActiveWindow());
        } else {
            QVERIFY(QTest::qWaitForWindowActive(target));
            QCoreApplication::processEvents();
            QVERIFY(!error->isActiveWindow());
        }
        press(error, "OKButton");
        QTRY_VERIFY(!frmError::instance());
    }

    void captionsAndTooltips_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QString>("text");
        // A control's caption or tooltip in the window its menu entry opens.
        const char *rows[][4] = {
            {"mnuSchedule", "lstDisplaySchedule", "toolTip", "List of Schedules"},
            {"mnuSchedule", "txtPgmName", "toolTip", "Enter the Name of the Program"},
            {"mnuSchedule", "cboSatPort", "toolTip", "Unity audio port"},
            {"mnuSchedule", "cboReceiver", "toolTip", "When using two receivers, select receiver"},
            {"mnuSchedule", "Option1", "toolTip", "Do not issue a remote start command for this schedule"},
            {"mnuSchedule", "Option2", "text", "Momentary "},
            {"mnuSchedule", "Label1", "text", "Time to Switch "},
            {"mnuSchedule", "txtSwitchTime", "toolTip", "Time program will start"},
            {"mnuSetUp", "optBaud2", "toolTip",
             "Serial Port Commincation Rate...Must be same as the Unity 4K....19200 is preferred"},
            {"mnuSetUp", "Check1", "toolTip", "Check to control two Unity 4K receivers"},
            {"mnuSetUp", "optSP3", "toolTip", "Computer Com Port 3"},
            {"mnuSetUp", "lstHistoryEbNo", "toolTip", "Read the Unity 4K EbNo 1-4 times per hour, or once a minute"},
            {"mnuSetUp", "lstSaveLogs", "toolTip",
             "Save the EbNo Logs...1 day, 1 week, 1 month, or 1 year.  The computer will delete them after that period of time. "},
            {"mnuSetUp", "txtClockResetTime", "toolTip", "Minute and second of the hour that time should be re-set."},
            {"mnuSetUp", "chkRemote", "toolTip",
             "This box must be checked if you are using the parallel port for re-setting the computer time, logging alarms, "
             "or starting remote devices."},
            {"mnuProgramSourceCodes", "lstCRCID", "toolTip",
             "Source Codes.  Unity 4K manual calls these codes \"LANG\""},
            {"mnuProgramSourceCodes", "txtCRCID", "toolTip", "Add a new source code....up to 3 characters"},
            {"mnuSetReceiver", "Check1", "text", "View  Settings"},
            {"mnuSetReceiver", "lstPort", "toolTip", "Select Serial Port which is connected to the Unity 4K"},
            {"mnuSetReceiver", "lstLang", "toolTip",
             "Chose the Source Code of the Program.  New Source Codes may be added by Clicking on ProgramSourceCodes"},
            {"mnuEbNo", "lstDate", "toolTip", "Date of Log to View"},
            {"mnuEbNo", "Option2", "toolTip", "Listed by event alphabetically or in the case of EbNo by value of EbNo"},
            {"mnuEbNo", "cmdChart", "toolTip", "Chart of the day's EbNo readings, or of the month up to it"},
        };
        for (const auto &row : rows)
            QTest::addRow("%s %s %s", row[0], row[1], row[2]) << row[0] << row[1] << QByteArray(row[2]) << row[3];
    }

    void captionsAndTooltips()
    {
        QFETCH(QString, entry);
        QFETCH(QString, control);
        QFETCH(QByteArray, property);
        MainWindow m;
        m.load()->findChild<QAction *>(entry)->trigger();
        QWidget *c = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top != m.window && top->isVisible() && !c)
                c = top->findChild<QWidget *>(control);
        }
        QVERIFY(c);
        QTEST(c->property(property.constData()).toString(), "text");
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
