#include "app/mnumenu.h"
#include "station/station.h"
#include "engine/switchengine.h"
#include "platform/clock.h"
#include "platform/parallelport.h"
#include "schedule/schedulestore.h"
#include "testdata.h"

#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QApplication>
#include <QMessageBox>
#include <QScrollBar>
#include <QtTest>

namespace {

const QDateTime kMondayMorning(QDate(2027, 12, 6), QTime(9, 0));

bool shown(const mnuMenu &w, const char *name)
{
    const QWidget *widget = w.findChild<QWidget *>(QLatin1String(name));
    return widget && !widget->isHidden();
}

QString fresh(const QString &name, int receiver, int day, const QString &time)
{
    ScheduleRecord r;
    r.PgmName = name;
    r.Receiver = receiver;
    r.SwitchTime[day] = time;
    return BuildScheduleRecord(r);
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstRunCreatesFoldersAndEmptyFiles();
    void onlyTheLogsFolderIsCreatedWhenMissing();
    void damagedFilesStillStart();
    void twoReceiverControlsFollowTheSetting_data();
    void twoReceiverControlsFollowTheSetting();
    void startUpFailureNamesThePath();
    void answeringNoKeepsEverythingRunning();
    void answeringYesRecordsTheEndThenExits();
    void tickShowsClockAndCountdown();
    void listsShowWholeLinesOfAFullWeek();
    void missingParallelPortIsToldOnce_data();
    void missingParallelPortIsToldOnce();
    void menuCaptions_data();
    void menuCaptions();
    void entriesOpenOneWindowEach_data();
    void entriesOpenOneWindowEach();
};

void tst_MainWindow::firstRunCreatesFoldersAndEmptyFiles()
{
    TestHome home;
    const QString data = home.file(QStringLiteral("fresh/Kestrelpoint"));
    qputenv("KESTRELPOINT_HOME", data.toLocal8Bit());
    home.write(QStringLiteral("port"), QByteArray("\xff\x7f", 2));
    ManualClock clock(kMondayMorning);
    Station station(clock, openParallelPort(home.file(QStringLiteral("port"))));
    mnuMenu w(station);
    QString error;
    QVERIFY2(w.Load(&error), qPrintable(error));
    QVERIFY(QDir(data + QStringLiteral("/logs")).exists());
    for (const char *name : {"Kestrelpoint.ini", "TimeReset.ini", "SwitchList.dat"}) {
        QFile f(data + QLatin1Char('/') + QLatin1String(name));
        QVERIFY2(f.exists(), name);
        QCOMPARE(f.size(), 0);
    }
    QCOMPARE(home.read(QStringLiteral("port")).at(0), '\0');
    QCOMPARE(station.nextSwitch(1).NextRecord, 0);
    QCOMPARE(station.nextSwitch(2).NextRecord, 0);
    QCOMPARE(w.findChild<QListView *>(QStringLiteral("lstNextToSwitch"))->model()->rowCount(), 0);
}

void tst_MainWindow::onlyTheLogsFolderIsCreatedWhenMissing()
{
    TestHome home;
    QVERIFY(QDir(home.file(QStringLiteral("logs"))).removeRecursively());
    home.write(QStringLiteral("Kestrelpoint.ini"), "1111111111");
    ManualClock clock(kMondayMorning);
    Station station(clock, openParallelPort(home.file(QStringLiteral("none"))));
    QString error;
    QVERIFY(station.InitProgram(&error));
    QVERIFY(QDir(home.file(QStringLiteral("logs"))).exists());
    QCOMPARE(home.read(QStringLiteral("Kestrelpoint.ini")), QByteArray("1111111111"));
}

void tst_MainWindow::damagedFilesStillStart()
{
    TestHome home;
    // A schedule file whose length is not a multiple of 96, a settings file of
    // random bytes, a TimeReset.ini of garbage.
    home.write(QStringLiteral("SwitchList.dat"),
               (fresh(QStringLiteral("Kept"), 1, 1, QStringLiteral("10:00:00")) + QStringLiteral("1Half")).toLatin1());
    home.write(QStringLiteral("Kestrelpoint.ini"), QByteArray("\xff\x00\x9c\x13qZ\x80\x01", 8));
    home.write(QStringLiteral("TimeReset.ini"), QByteArray("\x01\x02garbage-garbage"));
    ManualClock clock(kMondayMorning);
    Station station(clock, openParallelPort(home.file(QStringLiteral("none"))));
    mnuMenu w(station);
    QString error;
    QVERIFY2(w.Load(&error), qPrintable(error));
    QCOMPARE(station.switchList(1).size(), 1);
    QCOMPARE(station.nextSwitch(1).NextSwitchName, QStringLiteral("Kept"));
    QCOMPARE(station.settings.BaudChoice, 0);
    QCOMPARE(station.settings.ClockResetTime.size(), 5);
    w.engine().tick();
    QVERIFY(home.errors.isEmpty());
}

void tst_MainWindow::twoReceiverControlsFollowTheSetting_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<bool>("two");
    QTest::newRow("one receiver") << QByteArray("1210000010") << false;
    QTest::newRow("two receivers") << QByteArray("1210000120") << true;
}

void tst_MainWindow::twoReceiverControlsFollowTheSetting()
{
    QFETCH(QByteArray, settings);
    QFETCH(bool, two);
    TestHome home;
    home.write(QStringLiteral("Kestrelpoint.ini"), settings);
    home.write(QStringLiteral("SwitchList.dat"), (fresh(QStringLiteral("R2"), 2, 1, QStringLiteral("10:00:00"))).toLatin1());
    ManualClock clock(kMondayMorning);
    Station station(clock, openParallelPort(home.file(QStringLiteral("none"))));
    mnuMenu w(station);
    QString error;
    QVERIFY(w.Load(&error));
    for (const char *name : {"lstNextToSwitch2", "Label3", "Label5", "Label6"})
        QCOMPARE(shown(w, name), two);
    QVERIFY(shown(w, "lstNextToSwitch"));
    QVERIFY(!shown(w, "Label2"));
    QVERIFY(!shown(w, "ProgressBar1"));
    QCOMPARE(station.switchList(2).size(), two ? 1 : 0);
    QCOMPARE(station.switchList(1).size(), two ? 0 : 1);

    // The setup window changes the number of receivers while the program runs.
    station.settings.TwoReceivers = two ? 0 : 1;
    Q_EMIT station.receiverCountChanged();
    QCOMPARE(shown(w, "lstNextToSwitch2"), !two);
}

void tst_MainWindow::startUpFailureNamesThePath()
{
    TestHome home;
    // A folder where the schedule file should be.
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("SwitchList.dat")));
    ManualClock clock(kMondayMorning);
    Station station(clock, openParallelPort(home.file(QStringLiteral("none"))));
    QString error;
    QVERIFY(!station.InitProgram(&error));
    QVERIFY2(error.contains(home.file(QStringLiteral("SwitchList.dat"))), qPrintable(error));
    QVERIFY2(error.contains(QLatin1String("Is a directory")), qPrintable(error));
}

void tst_MainWindow::answeringNoKeepsEverythingRunning()
{
    TestHome home;
    ManualClock clock(kMondayMorning);
    Station station(clock, openParallelPort(home.file(QStringLiteral("none"))));
    mnuMenu w(station);
    QString error;
    QVERIFY(w.Load(&error));
    w.show();
    w.setExitAnswerForTest(QMessageBox::No);
    QAction *exit = w.findChild<QAction *>(QStringLiteral("mnuFileExit"));
    QVERIFY(exit);
    QCOMPARE(exit->text(), QStringLiteral("E&xit"));
    exit->trigger();
    QVERIFY(w.isVisible());
    QVERIFY(w.engine().tmrClock.isActive());
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
}

// Yes ends the program as a stop signal does: the record shows a normal end
// after the start, and main's last steps run before the exit.
void tst_MainWindow::answeringYesRecordsTheEndThenExits()
{
    TestHome home;
    home.write(QStringLiteral("Kestrelpoint.ini"), "1110000010"); // activity log on
    ManualClock clock(kMondayMorning);
    Station station(clock, openParallelPort(home.file(QStringLiteral("none"))));
    mnuMenu w(station);
    QString error;
    QVERIFY(w.Load(&error));
    static int exitStatus;
    exitStatus = -1;
    int statusBeforeEnd = -2;
    w.setExitForTest([](int status) { exitStatus = status; });
    w.setBeforeEnd([&] { statusBeforeEnd = exitStatus; });
    w.setExitAnswerForTest(QMessageBox::Yes);
    clock.advanceMs(61000);
    QVERIFY(w.close());
    QCOMPARE(home.read(QStringLiteral("logs/AL271206.log")),
             QByteArray("09:00:00  Kestrelpoint Started\r\n09:01:01  Kestrelpoint Ended\r\n"));
    QCOMPARE(statusBeforeEnd, -1);
    QCOMPARE(exitStatus, 0);
}

void tst_MainWindow::tickShowsClockAndCountdown()
{
    TestHome home;
    home.write(QStringLiteral("SwitchList.dat"),
               fresh(QStringLiteral("<b>Breakfast</b>"), 1, 1, QStringLiteral("10:02:05")).toLatin1());
    ManualClock clock(kMondayMorning);
    Station station(clock, openParallelPort(home.file(QStringLiteral("none"))));
    mnuMenu w(station);
    QString error;
    QVERIFY(w.Load(&error));
    w.engine().tick();
    QCOMPARE(w.findChild<QLabel *>(QStringLiteral("lblClock"))->text(), QStringLiteral("Monday  12/06/2027  09:00:00"));
    const QLabel *next = w.findChild<QLabel *>(QStringLiteral("label1"));
    QCOMPARE(next->text(), QStringLiteral("Next to Switch:  <b>Breakfast</b>   1:02:05"));
    // A name from the file is shown as it is, never as formatting.
    QCOMPARE(next->textFormat(), Qt::PlainText);
    QCOMPARE(w.findChild<QListView *>(QStringLiteral("lstNextToSwitch"))->model()->index(0, 0).data(Qt::UserRole).toInt(), 1);
}

// Maximized on a 1280 x 1024 screen, each list holds 15 lines or more, each
// line whole, and receiver 2's panel stands below receiver 1's list.
void tst_MainWindow::listsShowWholeLinesOfAFullWeek()
{
    TestHome home;
    home.write(QStringLiteral("Kestrelpoint.ini"), "1210000120");
    QString schedules;
    for (int receiver = 1; receiver <= 2; ++receiver) {
        for (int day = 0; day < 7; ++day)
            schedules += fresh(QStringLiteral("Twenty-five characters %1").arg(receiver), receiver, day,
                               QStringLiteral("23:59:59"));
    }
    home.write(QStringLiteral("SwitchList.dat"), schedules.toLatin1());
    ManualClock clock(kMondayMorning);
    Station station(clock, openParallelPort(home.file(QStringLiteral("none"))));
    mnuMenu w(station);
    QString error;
    QVERIFY(w.Load(&error));
    w.resize(1280, 994);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const auto *list1 = w.findChild<QListView *>(QStringLiteral("lstNextToSwitch"));
    const auto *list2 = w.findChild<QListView *>(QStringLiteral("lstNextToSwitch2"));
    for (const QListView *list : {list1, list2}) {
        QCOMPARE(list->model()->rowCount(), 7);
        QVERIFY(!list->horizontalScrollBar()->isVisible());
        QVERIFY(list->viewport()->height() >= 15 * list->sizeHintForRow(0));
    }
    QVERIFY(w.findChild<QLabel *>(QStringLiteral("Label6"))->y() > list1->geometry().bottom());
    QVERIFY(list2->geometry().bottom() < w.centralWidget()->height());
}

void tst_MainWindow::missingParallelPortIsToldOnce_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<int>("messages");
    QTest::newRow("port in use") << QByteArray("111001w020") << 1;
    QTest::newRow("two receivers compare carriers on it") << QByteArray("111000w120") << 1;
    QTest::newRow("port not used") << QByteArray("111000w020") << 0;
}

void tst_MainWindow::missingParallelPortIsToldOnce()
{
    QFETCH(QByteArray, settings);
    TestHome home;
    home.write(QStringLiteral("Kestrelpoint.ini"), settings);
    ManualClock clock(kMondayMorning);
    Station station(clock, openParallelPort(home.file(QStringLiteral("no-such-port"))));
    mnuMenu w(station);
    QString error;
    QVERIFY(w.Load(&error));
    for (int i = 0; i < 40; ++i) {
        w.engine().tick();
        clock.advanceMs(50);
    }
    QTEST(int(home.errors.size()), "messages");
    if (!home.errors.isEmpty()) {
        QVERIFY(home.errors.first().contains(home.file(QStringLiteral("no-such-port"))));
        QVERIFY(home.errors.first().contains(QLatin1String("ppdev")));
    }
}

void tst_MainWindow::menuCaptions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const char *rows[][2] = {
        {"mnuLoadSchedules", "Load Schedules from Floppy"},
        {"mnuLoadSourceCodes", "Load Source Codes from Floppy"},
        {"mnuSaveFiles", "Save Schedules and Source Codes to Floppy"},
        {"mnuFileExit", "E&xit"},
        {"mnuSetUp", "&SetUp"},
        {"mnuProgramSourceCodes", "&ProgramSourceCodes"},
        {"mnuSchedule", "&Schedules"},
        {"mnuSetReceiver", "Set &Receiver"},
        {"mnuSwitchSchedule", "S&witch Schedule"},
        {"mnuCarrierStatus", "&Carrier"},
        {"mnuMPEGStatus", "&MPEG"},
        {"mnuRelayStatus", "&Relays"},
        {"mnuExtendedRelays", "&Extended Relays"},
        {"mnuReceiverSerialPort", "Receiver Serial  &Port"},
        {"mnuSettings", "&Settings"},
        {"ActivityLog", "&Activity Log"},
        {"mnuEbNo", "&Eb/No"},
        {"mnuMPEG", "&MPEG"},
        {"mnuHelp", "&Help"},
        {"mnuAbout", "&About"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
}

void tst_MainWindow::menuCaptions()
{
    QFETCH(QString, name);
    TestHome home;
    ManualClock clock(kMondayMorning);
    Station station(clock, openParallelPort(home.file(QStringLiteral("none"))));
    mnuMenu w(station);
    QAction *action = w.findChild<QAction *>(name);
    QVERIFY2(action, qPrintable(name));
    QTEST(action->text(), "caption");
    // The bar in its order.
    QStringList bar;
    for (QAction *a : w.menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, (QStringList{"&File", "&SetUp", "&ProgramSourceCodes", "&Schedules", "Set &Receiver",
                               "S&witch Schedule", "Recei&ver Status", "H&istory", "&Help", "&About"}));
}

void tst_MainWindow::entriesOpenOneWindowEach_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("window");
    QTest::newRow("setup") << "mnuSetUp" << "frmSetUp";
    QTest::newRow("source codes") << "mnuProgramSourceCodes" << "frmProgramSourceCodes";
    QTest::newRow("schedules") << "mnuSchedule" << "frmSchedule";
    QTest::newRow("weekly") << "mnuSwitchSchedule" << "frmWeeklySchedule";
    QTest::newRow("activity log") << "ActivityLog" << "frmActivityLog";
    QTest::newRow("mpeg log") << "mnuMPEG" << "frmMPEGLog";
    QTest::newRow("help") << "mnuHelp" << "frmHelp";
    QTest::newRow("about") << "mnuAbout" << "frmAbout";
}

void tst_MainWindow::entriesOpenOneWindowEach()
{
    QFETCH(QString, entry);
    QFETCH(QString, window);
    TestHome home;
    ManualClock clock(kMondayMorning);
    Station station(clock, openParallelPort(home.file(QStringLiteral("none"))));
    mnuMenu w(station);
    QString error;
    QVERIFY(w.Load(&error));
    QAction *action = w.findChild<QAction *>(entry);
    QVERIFY(action);
    action->trigger();
    action->trigger();
    int open = 0;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->objectName() == window && top->isVisible())
            ++open;
    }
    QCOMPARE(open, 1);
    if (entry == QLatin1String("mnuSwitchSchedule")) {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->objectName() == window)
                QCOMPARE(top->windowTitle(), QStringLiteral("Weekly Switch Schedule"));
        }
    }
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
