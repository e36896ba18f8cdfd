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
#include <QPushButton>
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
    void firstRunCreatesTheFolderAndEmptyFiles()
    {
        TestHome home;
        const QString data = home.file(QStringLiteral("fresh/Kestrelpoint"));
        qputenv("KESTRELPOINT_HOME", data.toLocal8Bit());
        home.write(QStringLiteral("port"), QByteArray("\xff\x7f", 2));
        ManualClock clock(kTestMonday);
        Station station(clock, openParallelPort(home.file(QStringLiteral("port"))));
        mnuMenu w(station);
        QString error;
        QVERIFY2(w.Load(&error), qPrintable(error));
        QVERIFY(QDir(data + QStringLiteral("/logs")).exists());
        for (const char *name : {"Kestrelpoint.ini", "TimeReset.ini", "SwitchList.dat"})
            QCOMPARE(QFileInfo(data + QLatin1Char('/') + QLatin1String(name)).size(), 0);
        QCOMPARE(home.read(QStringLiteral("port")).at(0), '\0');
        QCOMPARE(control<QListView>(&w, "lstNextToSwitch")->model()->rowCount(), 0);
    }

    void startUpFailureNamesThePath()
    {
        MainWindow m;
        QVERIFY(QFile::remove(m.home.file(QStringLiteral("SwitchList.dat"))));
        QVERIFY(QDir(m.home.path()).mkdir(QStringLiteral("SwitchList.dat")));
        mnuMenu w(m.station);
        QString error;
        QVERIFY(!w.Load(&error));
        QVERIFY2(error.contains(m.home.file(QStringLiteral("SwitchList.dat"))) && error.contains(QLatin1String("Is a directory")),
                 qPrintable(error));
    }

    void receiverTwoControlsFollowTheSetting_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("two");
        QTest::newRow("one receiver") << QByteArray("1210000010") << false;
        QTest::newRow("two receivers") << QByteArray("1210000120") << true;
    }

    void receiverTwoControlsFollowTheSetting()
    {
        QFETCH(QByteArray, settings);
        QFETCH(bool, two);
        MainWindow m(settings);
        m.home.write(QStringLiteral("SwitchList.dat"),
                     recordBytes(schedule(QStringLiteral("R2"), 2, onDay(1, QStringLiteral("10:00:00")))));
        m.load();
        for (const char *name : {"lstNextToSwitch2", "Label3", "Label5", "Label6"})
            QCOMPARE(!control(m.window, name)->isHidden(), two);
        QVERIFY(!m.list(1)->isHidden());
        for (const char *name : {"Label2", "Label4", "ProgressBar1"})
            QVERIFY(control(m.window, name)->isHidden());
        QCOMPARE(m.list(two ? 2 : 1)->model()->rowCount(), 1);
        // The setup window changes the number of receivers while the program runs.
        m.station.settings.TwoReceivers = two ? 0 : 1;
        Q_EMIT m.station.receiverCountChanged();
        QCOMPARE(!m.list(2)->isHidden(), !two);
    }

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
    // each line whole, and receiver 2's panel stands below receiver 1's list.
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
        for (const QString &message : std::as_const(home.errors))
            QVERIFY(message.contains(home.file(QStringLiteral("no-such-port"))) && message.contains(QLatin1String("ppdev")));
    }

    void menuEntries_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("window");
        const char *rows[][3] = {
            {"mnuLoadSchedules", "Load Schedules from Floppy", ""},
            {"mnuLoadSourceCodes", "Load Source Codes from Floppy", ""},
            {"mnuSaveFiles", "Save Schedules and Source Codes to Floppy", ""},
            {"mnuFileExit", "E&xit", ""},
            {"mnuSetUp", "&SetUp", "frmSetUp"},
            {"mnuProgramSourceCodes", "&ProgramSourceCodes", "frmProgramSourceCodes"},
            {"mnuSchedule", "&Schedules", "frmSchedule"},
            {"mnuSetReceiver", "Set &Receiver", "frmSetReceiver"},
            {"mnuSwitchSchedule", "S&witch Schedule", "frmWeeklySchedule"},
            {"mnuCarrierStatus", "&Carrier", "frmDisplayReceiver"},
            {"mnuMPEGStatus", "&MPEG", "frmDisplayReceiver"},
            {"mnuRelayStatus", "&Relays", "frmRelay"},
            {"mnuExtendedRelays", "&Extended Relays", "frmRelay"},
            {"mnuReceiverSerialPort", "Receiver Serial  &Port", "frmDisplayReceiver"},
            {"mnuSettings", "&Settings", "frmDisplayReceiver"},
            {"ActivityLog", "&Activity Log", "frmActivityLog"},
            {"mnuEbNo", "&Eb/No", "frmActivityLog"},
            {"mnuMPEG", "&MPEG", "frmMPEGLog"},
            {"mnuHelp", "&Help", "frmHelp"},
            {"mnuAbout", "&About", "frmAbout"},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << row[0] << row[1] << row[2];
    }

    // Each entry has its caption and opens its window once, the second
    // choice bringing the open one forward.
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
        if (name == QLatin1String("mnuSwitchSchedule"))
            QCOMPARE(openWindow(window)->windowTitle(), QStringLiteral("Weekly Switch Schedule"));
    }

    void exitAsksAndNoKeepsEverythingRunning()
    {
        MainWindow m;
        shown(m.load());
        QStringList asked;
        QTimer::singleShot(0, [&asked] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            asked << box->windowTitle() << box->text() << QString::number(box->icon())
                  << QString::number(box->standardButtons());
            box->button(QMessageBox::No)->click();
        });
        control<QAction>(m.window, "mnuFileExit")->trigger();
        QCOMPARE(asked, (QStringList{"Merrowind", "Exit Kestrelpoint?", QString::number(QMessageBox::NoIcon),
                                     QString::number(QMessageBox::Yes | QMessageBox::No)}));
        QVERIFY(m.window->isVisible());
        QVERIFY(m.window->engine().tmrClock.isActive());
        m.window->setExitAnswerForTest(QMessageBox::No);
        QVERIFY(!m.window->close());
    }

    // Yes ends the program as a stop signal does: the record shows a normal
    // end after the start, and main's last steps run before the exit.
    void exitYesRecordsTheEndThenExits()
    {
        MainWindow m("1110000010"); // activity log on
        m.load();
        static int exitStatus;
        exitStatus = -1;
        int statusBeforeEnd = -2;
        m.window->setExitForTest([](int status) { exitStatus = status; });
        m.window->setBeforeEnd([&] { statusBeforeEnd = exitStatus; });
        m.window->setExitAnswerForTest(QMessageBox::Yes);
        m.clock.advanceMs(61000);
        QVERIFY(m.window->close());
        QCOMPARE(m.home.read(QStringLiteral("logs/AL271206.log")),
                 QByteArray("09:00:00  Kestrelpoint Started\r\n09:01:01  Kestrelpoint Ended\r\n"));
        QCOMPARE(statusBeforeEnd, -1);
        QCOMPARE(exitStatus, 0);
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
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QString>("text");
        const char *rows[][5] = {
            {"mnuSchedule", "frmSchedule", "", "windowTitle", "Switch Schedule"},
            {"mnuSchedule", "frmSchedule", "lstDisplaySchedule", "toolTip", "List of Schedules"},
            {"mnuSchedule", "frmSchedule", "txtPgmName", "toolTip", "Enter the Name of the Program"},
            {"mnuSchedule", "frmSchedule", "cboSatPort", "toolTip", "Unity audio port"},
            {"mnuSchedule", "frmSchedule", "cboReceiver", "toolTip", "When using two receivers, select receiver"},
            {"mnuSchedule", "frmSchedule", "Option1", "toolTip", "Do not issue a remote start command for this schedule"},
            {"mnuSchedule", "frmSchedule", "Option2", "text", "Momentary "},
            {"mnuSchedule", "frmSchedule", "Label1", "text", "Time to Switch "},
            {"mnuSchedule", "frmSchedule", "txtSwitchTime", "toolTip", "Time program will start"},
            {"mnuSetUp", "frmSetUp", "", "windowTitle", "Kestrelpoint SetUp"},
            {"mnuSetUp", "frmSetUp", "optBaud2", "toolTip",
             "Serial Port Commincation Rate...Must be same as the Unity 4K....19200 is preferred"},
            {"mnuSetUp", "frmSetUp", "Check1", "toolTip", "Check to control two Unity 4K receivers"},
            {"mnuSetUp", "frmSetUp", "optSP3", "toolTip", "Computer Com Port 3"},
            {"mnuSetUp", "frmSetUp", "lstHistoryEbNo", "toolTip", "Read the Unity 4K EbNo 1-4 times per hour, or once a minute"},
            {"mnuSetUp", "frmSetUp", "lstSaveLogs", "toolTip",
             "Save the EbNo Logs...1 day, 1 week, 1 month, or 1 year.  The computer will delete them after that period of time. "},
            {"mnuSetUp", "frmSetUp", "txtClockResetTime", "toolTip", "Minute and second of the hour that time should be re-set."},
            {"mnuSetUp", "frmSetUp", "chkRemote", "toolTip",
             "This box must be checked if you are using the parallel port for re-setting the computer time, logging alarms, "
             "or starting remote devices."},
            {"mnuProgramSourceCodes", "frmProgramSourceCodes", "", "windowTitle", "Program Source Codes"},
            {"mnuProgramSourceCodes", "frmProgramSourceCodes", "lstCRCID", "toolTip",
             "Source Codes.  Unity 4K manual calls these codes \"LANG\""},
            {"mnuProgramSourceCodes", "frmProgramSourceCodes", "txtCRCID", "toolTip", "Add a new source code....up to 3 characters"},
            {"mnuSetReceiver", "frmSetReceiver", "", "windowTitle", "Set Receiver"},
            {"mnuSetReceiver", "frmSetReceiver", "Check1", "text", "View  Settings"},
            {"mnuSetReceiver", "frmSetReceiver", "lstPort", "toolTip", "Select Serial Port which is connected to the Unity 4K"},
            {"mnuSetReceiver", "frmSetReceiver", "lstLang", "toolTip",
             "Chose the Source Code of the Program.  New Source Codes may be added by Clicking on ProgramSourceCodes"},
            {"mnuRelayStatus", "frmRelay", "", "windowTitle", "Unity 4K Receiver Relay Status"},
            {"mnuCarrierStatus", "frmDisplayReceiver", "", "windowTitle", "Receiver Data"},
            {"mnuEbNo", "frmActivityLog", "", "windowTitle", "Load EbNo Log"},
            {"mnuEbNo", "frmActivityLog", "lstDate", "toolTip", "Date of Log to View"},
            {"mnuEbNo", "frmActivityLog", "Option2", "toolTip",
             "Listed by event alphabetically or in the case of EbNo by value of EbNo"},
            {"mnuEbNo", "frmActivityLog", "cmdChart", "toolTip", "Chart of the day's EbNo readings, or of the month up to it"},
            {"ActivityLog", "frmActivityLog", "", "windowTitle", "Load Activity Log"},
            {"mnuMPEG", "frmMPEGLog", "", "windowTitle", "MPEG Logs"},
            {"mnuHelp", "frmHelp", "", "windowTitle", "Help"},
            {"mnuAbout", "frmAbout", "", "windowTitle", "About Kestrelpoint"},
        };
        for (const auto &row : rows)
            QTest::addRow("%s %s %s", row[1], row[2], row[3]) << row[0] << row[1] << row[2] << QByteArray(row[3]) << row[4];
    }

    void captionsAndTooltips()
    {
        QFETCH(QString, entry);
        QFETCH(QString, window);
        QFETCH(QString, control);
        QFETCH(QByteArray, property);
        MainWindow m;
        m.load()->findChild<QAction *>(entry)->trigger();
        QWidget *w = openWindow(window);
        QVERIFY(w);
        QWidget *c = control.isEmpty() ? w : w->findChild<QWidget *>(control);
        QVERIFY(c);
        QTEST(c->property(property.constData()).toString(), "text");
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
