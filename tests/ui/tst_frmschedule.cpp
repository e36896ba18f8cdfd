#include "windows.h"

#include "platform/errorreport.h"
#include "ui/frmdialog1.h"
#include "ui/frmschedule.h"
#include "ui/frmscheduleconflicts.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>

namespace {

// A schedule with its length, source, port, route and attenuation fields.
ScheduleRecord with(ScheduleRecord r, const QStringList &fields, int remoteStart = 0)
{
    r.SatLen = fields.value(0);
    r.SatLang = fields.value(1);
    r.SatPort = fields.value(2);
    r.SatRoute = fields.value(3);
    r.SatAtt = fields.value(4);
    r.RemoteStart = remoteStart;
    return r;
}

QString padded(const QString &name)
{
    return name.leftJustified(25, QLatin1Char(' '));
}

// The schedule editor over the given schedules (one without a name is a
// freed slot) and the source codes ENG, FR and SPA.
struct Editor : WindowStation
{
    explicit Editor(const QList<ScheduleRecord> &schedules, bool sourceCodes = true)
    {
        if (sourceCodes)
            writeSourceCodes("ENG\r\nFR\r\nSPA\r\n\r\n");
        for (const ScheduleRecord &r : schedules) {
            const int n = addSchedule(r);
            if (r.PgmName.isEmpty())
                station.store().DeleteSchedule(n);
        }
        station.BuildSwitchList1();
    }
    frmSchedule *open() { return window = shown(new frmSchedule(station)); }
    template <typename T = QWidget> T *c(const char *name, int index = -1) const { return control<T>(window, name, index); }
    QLineEdit *day(int d) const { return c<QLineEdit>("txtSwitchTime", d); }
    QListWidget *list() const { return c<QListWidget>("lstDisplaySchedule"); }
    void choose(const QString &name)
    {
        const QListWidgetItem *item = list()->findItems(name, Qt::MatchStartsWith).value(0);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
    }
    void type(QLineEdit *box, const QString &text)
    {
        box->clear();
        QTest::keyClicks(box, text);
    }
    void apply() { press(window, "cmdApply"); }
    QByteArray file() const { return home.read(QStringLiteral("SwitchList.dat")); }
    QByteArray stored(int n) const { return file().mid((n - 1) * 96, 96); }
    QStringList names(int receiver) const
    {
        QStringList names;
        for (const SwitchEntry &e : station.switchList(receiver))
            names.append(e.sortText.mid(18).trimmed());
        return names;
    }
    // What the editor shows: number, name, length, source, port, route,
    // attenuation, receiver, the remote start chosen, then the seven days.
    QStringList fields() const
    {
        QStringList shown{c<QLabel>("lblScheduleNo")->text(), c<QLineEdit>("txtPgmName")->text(),
                          c<QLineEdit>("txtSatLen")->text()};
        for (const char *box : {"cboSatLang", "cboSatPort", "cboSatRoute", "cboSatAtt", "cboReceiver"})
            shown << c<QComboBox>(box)->currentText();
        shown << QString();
        for (const char *option : {"Option1", "Option2", "Option3"})
            shown.last() += c<QRadioButton>(option)->isChecked() ? QLatin1String(option) : QLatin1String("");
        for (int d = 0; d < 7; ++d)
            shown << day(d)->text();
        return shown;
    }
    QPointer<frmSchedule> window;
};

} // namespace

class tst_frmSchedule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openingFillsTheChoicesAndHidesTheEditor_data()
    {
        QTest::addColumn<bool>("sourceCodes");
        QTest::newRow("with source codes") << true;
        QTest::newRow("without Source.dat: told, and the rest works") << false;
    }

    void openingFillsTheChoicesAndHidesTheEditor()
    {
        QFETCH(bool, sourceCodes);
        Editor e({schedule("zebra"), schedule(QString()), schedule("Alpha"), schedule("beta")}, sourceCodes);
        e.open();
        QCOMPARE(items(e.list()), (QStringList{padded("Alpha"), padded("beta"), padded("zebra")}));
        QCOMPARE(e.list()->item(0)->data(Qt::UserRole).toInt(), 3);
        QVERIFY(e.list()->selectedItems().isEmpty());
        QCOMPARE(e.fields().mid(3, 6), (QStringList{sourceCodes ? "ENG" : "", "1", "Left", "0", "", "Option1"}));
        QCOMPARE(e.c<QComboBox>("cboSatPort")->count(), 6);
        QCOMPARE(e.c<QComboBox>("cboSatRoute")->itemText(3), QStringLiteral("Rev Stereo"));
        QCOMPARE(e.c<QComboBox>("cboSatAtt")->count(), 15);
        QCOMPARE(e.c<QComboBox>("cboSatLang")->itemText(1), sourceCodes ? QStringLiteral("FR ") : QString());
        for (const char *name : {"txtPgmName", "cboSatLang", "cmdApply", "Label1", "lblSun", "Option1", "cboReceiver"})
            QVERIFY2(e.c(name)->isHidden(), name);
        QCOMPARE(e.home.errors, sourceCodes ? QStringList{} : QStringList{QStringLiteral(
                     "Source.dat, the program source codes file does not exist. Locate a copy and copy it to %1 or "
                     "click on ProgramSourceCodes and build a new one.").arg(e.home.path())});
        // Nothing is current: Apply writes nothing.
        const QByteArray before = e.file();
        e.apply();
        QCOMPARE(e.file(), before);
        e.choose(QStringLiteral("Alpha"));
        QCOMPARE(e.fields().at(1), QStringLiteral("Alpha"));
    }

    // Each control shows its field, and Apply stores each control in its field.
    void choosingShowsTheRecordAndApplyStoresEveryField()
    {
        Editor e({schedule("Other"), with(schedule(QStringLiteral("  Evening News"), 2,
                                                   std::array<QString, 7>{QString(), QStringLiteral("06:00:00"), {}, {}, {}, {}, QStringLiteral("23:59:59")}),
                                          {"05:30", "SP", "3", "1", "7"}, 3)});
        e.station.settings.TwoReceivers = 1;
        e.open();
        e.choose(QStringLiteral("Evening"));
        QCOMPARE(e.fields(), (QStringList{"2", "Evening News", "05:30", "SP", "3", "Right", "7", "2", "Option3", "",
                                          "06:00:00", "", "", "", "", "23:59:59"}));
        e.type(e.c<QLineEdit>("txtPgmName"), QStringLiteral("  Late Show"));
        e.type(e.c<QLineEdit>("txtSatLen"), QStringLiteral("59:59"));
        const char *boxes[] = {"cboSatLang", "cboSatPort", "cboSatRoute", "cboSatAtt", "cboReceiver"};
        const int rows[] = {2, 5, 3, 14, 0};
        for (int i = 0; i < 5; ++i)
            e.c<QComboBox>(boxes[i])->setCurrentIndex(rows[i]);
        click(e.c<QRadioButton>("Option2"));
        e.type(e.day(0), QStringLiteral("00:00:00"));
        e.day(1)->clear();
        e.day(6)->clear();
        e.type(e.day(3), QStringLiteral("18:30:15"));
        e.apply();
        QVERIFY(e.home.errors.isEmpty());
        QCOMPARE(e.stored(2), recordBytes(with(schedule(QStringLiteral("  Late Show"), 1,
                                                        std::array<QString, 7>{QStringLiteral("00:00:00"), {}, {}, QStringLiteral("18:30:15")}),
                                               {"59:59", "SPA", "6", "3", "14"}, 2)));
        // Shown again from the file, where a name has no leading spaces.
        QCOMPARE(e.fields().at(1), QStringLiteral("Late Show"));
        QCOMPARE(items(e.list()), (QStringList{padded("Late Show"), padded("Other")}));
        QCOMPARE(e.names(1), (QStringList{"Late Show", "Late Show"}));
    }

    void newSchedule_data()
    {
        QTest::addColumn<int>("receiver1Port");
        QTest::newRow("receiver 1 on port 1") << 1;
        QTest::newRow("receiver 1 on port 2 is still receiver 1") << 2;
        QTest::newRow("receiver 1 on port 4 is still receiver 1") << 4;
    }

    // New takes the first free slot, names receiver 1 and no remote start
    // (even after a schedule that had one); Apply selects it in the list.
    void newSchedule()
    {
        QFETCH(int, receiver1Port);
        Editor e({with(schedule("One"), {}, 3), schedule(QString()), schedule("Three")});
        e.station.settings.TwoReceivers = 1;
        e.station.settings.Receiver1Port = receiver1Port;
        e.open();
        e.choose(QStringLiteral("One"));
        press(e.window, "cmdNew");
        QCOMPARE(e.fields(), (QStringList{"2", "", "", "", "", "Left", "0", "1", "", "", "", "", "", "", "", ""}));
        QCOMPARE(e.list()->count(), 2);
        QTest::keyClicks(e.c<QLineEdit>("txtPgmName"), QStringLiteral("Brand New"));
        QTest::keyClicks(e.day(2), QStringLiteral("07:15:00"));
        e.apply();
        const QList<QListWidgetItem *> selected = e.list()->selectedItems();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first()->text(), padded("Brand New"));
        QCOMPARE(selected.first()->data(Qt::UserRole).toInt(), 2);
        QCOMPARE(e.stored(2), recordBytes(with(schedule(QStringLiteral("Brand New"), 1, onDay(2, QStringLiteral("07:15:00"))),
                                               {"", "", "", "0", "0"})));
        QCOMPARE(e.names(1), QStringList{"Brand New"});
    }

    void staleChoiceIsLetGo_data()
    {
        QTest::addColumn<bool>("applying");
        QTest::newRow("choosing its old entry") << false;
        QTest::newRow("applying it") << true;
    }

    // A restore from the floppy frees slot 2 under the window: no crash on
    // the empty record, and nothing written into the slot.
    void staleChoiceIsLetGo()
    {
        QFETCH(bool, applying);
        Editor e({schedule("One"), schedule("Two"), schedule("Three")});
        e.open();
        if (applying)
            e.choose(QStringLiteral("Two"));
        QVERIFY(e.station.store().DeleteSchedule(2));
        const QByteArray before = e.file();
        if (applying)
            e.apply();
        else
            e.choose(QStringLiteral("Two"));
        QCOMPARE(e.home.errors, QStringList{QStringLiteral("Schedule 2 is no longer in the schedule file. The list of "
                                                           "schedules has been read again.")});
        QCOMPARE(e.file(), before);
        QCOMPARE(e.window->currentSchedule(), 0);
        QCOMPARE(items(e.list()), (QStringList{padded("One"), padded("Three")}));
    }

    // The files hold Windows-1252: what they cannot hold is not typed at all.
    void charactersTheFilesCannotHoldAreRefused()
    {
        Editor e({schedule("One")});
        e.open();
        e.choose(QStringLiteral("One"));
        auto *name = e.c<QLineEdit>("txtPgmName");
        name->clear();
        for (const QChar c : QStringLiteral("Caf\u00e9 \u03a9\u20ac")) {
            QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(name, &typed);
        }
        QCOMPARE(name->text(), QStringLiteral("Caf\u00e9 \u20ac"));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("friday");
        QTest::addColumn<QString>("message");
        QTest::newRow("length 5:30") << "5:30" << "" << "Time format in Length must be MM:SS or left blank";
        QTest::newRow("Friday 99:99:99") << "" << "99:99:99"
                                         << "Time format in Friday Time to Switch must be HH:MM:SS or left blank";
    }

    // A refused input writes nothing and stays on screen for correcting.
    void refusals()
    {
        QFETCH(QString, length);
        QFETCH(QString, friday);
        Editor e({schedule("Alpha")});
        const QByteArray before = e.file();
        e.open();
        e.choose(QStringLiteral("Alpha"));
        QTest::keyClicks(e.c<QLineEdit>("txtSatLen"), length);
        QTest::keyClicks(e.day(5), friday);
        e.apply();
        QTEST(e.home.errors.value(0), "message");
        QCOMPARE(e.file(), before);
        QCOMPARE(e.fields().at(2), length);
        QCOMPARE(e.day(5)->text(), friday);
    }

    void deleteClearsTheChosenDayOnly()
    {
        Editor e({schedule(QStringLiteral("Alpha"), 1, everyDay(QStringLiteral("06:00:00")))});
        const QByteArray before = e.file();
        e.open();
        e.choose(QStringLiteral("Alpha"));
        QTest::mouseClick(e.day(2), Qt::LeftButton);
        press(e.window, "cmdDelete");
        QCOMPARE(e.fields().mid(9), (QStringList{"06:00:00", "06:00:00", "", "06:00:00", "06:00:00", "06:00:00", "06:00:00"}));
        QVERIFY(!e.window->deleteConfirmation());
        QCOMPARE(e.file(), before);
    }

    void deleteConfirmation_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("choose");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("Delete button, OK deletes") << false << true << QByteArray("OKButton");
        QTest::newRow("Delete key, Cancel keeps") << true << true << QByteArray("CancelButton");
        // At opening the Sunday box counts as chosen, yet the key asks.
        QTest::newRow("Delete key with nothing chosen: OK only closes") << true << false << QByteArray("OKButton");
    }

    void deleteConfirmation()
    {
        QFETCH(bool, byKey);
        QFETCH(bool, choose);
        QFETCH(QByteArray, answer);
        const bool deleted = choose && answer == "OKButton";
        Editor e({schedule(QStringLiteral("Alpha"), 1, onDay(1, QStringLiteral("18:00:00"))),
                  schedule(QStringLiteral("Beta"), 1, onDay(1, QStringLiteral("19:00:00")))});
        const QByteArray before = e.file();
        e.open();
        if (choose)
            e.choose(QStringLiteral("Alpha"));
        if (byKey)
            QTest::keyClick(e.list(), Qt::Key_Delete);
        else
            press(e.window, "cmdDelete");
        QPointer<frmDialog1> dialog = e.window->deleteConfirmation();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Delete Schedule?"));
        QCOMPARE(control<QLabel>(dialog, "lblDialog1")->text(), QStringLiteral("Are You Sure?"));
        press(dialog, answer.constData());
        QTRY_VERIFY(!dialog);
        QCOMPARE(e.file().at(0), deleted ? '0' : '1');
        QCOMPARE(e.file().mid(1), before.mid(1));
        QCOMPARE(e.names(1), deleted ? QStringList{"Beta"} : (QStringList{"Alpha", "Beta"}));
        QCOMPARE(items(e.list()).size(), deleted ? 1 : 2);
        QCOMPARE(e.c("txtPgmName")->isHidden(), deleted || !choose);
    }

    void appliedScheduleGoesToTheRightList_data()
    {
        QTest::addColumn<int>("twoReceivers");
        QTest::addColumn<int>("receiver");
        QTest::addColumn<QStringList>("list1");
        QTest::addColumn<QStringList>("list2");
        QTest::newRow("receiver 2 with one receiver goes to list 1") << 0 << 2 << QStringList{"Show"} << QStringList{};
        QTest::newRow("receiver 2 with two receivers") << 1 << 2 << QStringList{} << QStringList{"Show"};
        QTest::newRow("no receiver with two receivers rebuilds neither") << 1 << 0 << QStringList{} << QStringList{};
    }

    void appliedScheduleGoesToTheRightList()
    {
        QFETCH(int, twoReceivers);
        QFETCH(int, receiver);
        QFETCH(QStringList, list1);
        Editor e({schedule(QStringLiteral("Show"), receiver)});
        e.station.settings.TwoReceivers = twoReceivers;
        QSignalSpy rebuilt(&e.station, &Station::switchListChanged);
        e.open();
        e.choose(QStringLiteral("Show"));
        QTest::keyClicks(e.day(1), QStringLiteral("10:00:00"));
        e.apply();
        QCOMPARE(e.names(1), list1);
        QTEST(e.names(2), "list2");
        QCOMPARE(rebuilt.size(), twoReceivers && !receiver ? 0 : 1);
    }

    void conflictsFollowEachApply_data()
    {
        QTest::addColumn<bool>("closeButton");
        QTest::newRow("Close closes the conflicts too") << true;
        QTest::newRow("Files > Exit closes the editor only") << false;
    }

    void conflictsFollowEachApply()
    {
        QFETCH(bool, closeButton);
        const auto wednesday = onDay(3, QStringLiteral("09:00:00"));
        Editor e({schedule(QStringLiteral("B"), 1, wednesday), schedule(QStringLiteral("A"), 1, wednesday)});
        e.open();
        e.choose(QStringLiteral("A"));
        e.apply();
        QPointer<frmScheduleConflicts> conflicts = frmScheduleConflicts::instance();
        QVERIFY(conflicts && conflicts->isVisible());
        QCOMPARE(conflicts->lines(), (QStringList{"Wed 09:00:00 " + padded("A"), "Wed 09:00:00 " + padded("B")}));
        e.type(e.day(3), QStringLiteral("10:00:00"));
        e.apply();
        QCOMPARE(frmScheduleConflicts::instance(), conflicts);
        QVERIFY(conflicts->lines().isEmpty());
        if (closeButton)
            press(e.window, "cmdScheduleClose");
        else
            control<QAction>(e.window, "mnuExit")->trigger();
        QTRY_VERIFY(!e.window);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(conflicts.isNull(), closeButton);
    }

    void editorShowsWhatTheSettingsUse_data()
    {
        QTest::addColumn<int>("twoReceivers");
        QTest::addColumn<bool>("remoteControl");
        QTest::addColumn<QString>("model");
        QTest::addColumn<bool>("byNew");
        QTest::addColumn<bool>("portShown");
        QTest::newRow("one receiver, no remote, 4K") << 0 << false << "0" << false << true;
        QTest::newRow("two receivers, remote control") << 1 << true << "0" << false << true;
        QTest::newRow("model 500 chosen hides the port") << 0 << false << "1" << false << false;
        QTest::newRow("model 500 by New shows the port") << 0 << false << "1" << true << true;
    }

    void editorShowsWhatTheSettingsUse()
    {
        QFETCH(int, twoReceivers);
        QFETCH(bool, remoteControl);
        QFETCH(QString, model);
        QFETCH(bool, byNew);
        Editor e({schedule("Alpha")});
        e.station.settings.TwoReceivers = twoReceivers;
        e.station.settings.RemoteControlOn = remoteControl;
        e.station.settings.ReceiverModel = model;
        e.open();
        if (byNew)
            press(e.window, "cmdNew");
        else
            e.choose(QStringLiteral("Alpha"));
        for (const char *name : {"txtPgmName", "txtSatLen", "cboSatLang", "cboSatRoute", "cboSatAtt", "lblPgmName", "Label1"})
            QVERIFY2(e.c(name)->isVisible(), name);
        QVERIFY(e.day(0)->isVisible() && e.day(6)->isVisible());
        for (const char *name : {"cboReceiver", "lblReceiver"})
            QCOMPARE(e.c(name)->isVisible(), twoReceivers == 1);
        for (const char *name : {"lblRemote", "Option1", "Option2", "Option3"})
            QCOMPARE(e.c(name)->isVisible(), remoteControl);
        QTEST(e.c("cboSatPort")->isVisible(), "portShown");
        QTEST(e.c("lblPgmPort")->isVisible(), "portShown");
    }

    void enterAndArrowsMoveTheFocus()
    {
        Editor e({schedule("Alpha")});
        e.open()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e.window));
        e.choose(QStringLiteral("Alpha"));
        QTRY_VERIFY(e.c("txtPgmName")->hasFocus());
        QTest::keyClick(e.c("txtPgmName"), Qt::Key_Return);
        QVERIFY(e.c("txtSatLen")->hasFocus());
        QTest::keyClick(e.c("txtSatLen"), Qt::Key_Enter);
        QVERIFY(e.c("cboSatLang")->hasFocus());
        e.day(5)->setFocus();
        QTest::keyClick(e.day(5), Qt::Key_Return);
        QVERIFY(e.day(6)->hasFocus());
        QTest::keyClick(e.day(6), Qt::Key_Down);
        QVERIFY2(e.day(0)->hasFocus(), "Saturday wraps to Sunday");
        QTest::keyClick(e.day(0), Qt::Key_Up);
        QVERIFY2(e.day(6)->hasFocus(), "Sunday wraps to Saturday");
    }

    // The source code is typed in its box, up to three characters, without
    // adding to the list of codes.
    void sourceCodeIsTypedInThreeCharacters()
    {
        Editor e({with(schedule("Alpha"), {"", "SP"})});
        e.open();
        e.choose(QStringLiteral("Alpha"));
        QTest::keyClicks(e.c<QComboBox>("cboSatLang")->lineEdit(), QStringLiteral("AX"));
        e.apply();
        QCOMPARE(e.stored(1).mid(31, 3), QByteArray("SPA"));
        QCOMPARE(e.c<QComboBox>("cboSatLang")->count(), 3);
    }

    void printAsksForTheListedSchedulesInTheirOrder()
    {
        Editor e({schedule("Alpha"), schedule("beta"), schedule("Aardvark")});
        QSignalSpy print(e.open(), &frmSchedule::printScheduleRequested);
        control<QAction>(e.window, "mnuPrint")->trigger();
        QCOMPARE(print.size(), 1);
        QList<int> numbers;
        for (const ScheduleListEntry &entry : e.window->scheduleList())
            numbers.append(entry.ScheduleNumber);
        QCOMPARE(numbers, (QList<int>{3, 1, 2}));
    }

    void failedWriteIsShownAndNothingFollows_data()
    {
        QTest::addColumn<bool>("deleting");
        QTest::newRow("apply") << false;
        QTest::newRow("delete") << true;
    }

    void failedWriteIsShownAndNothingFollows()
    {
        QFETCH(bool, deleting);
        const auto sunday = onDay(0, QStringLiteral("07:00:00"));
        Editor e({schedule(QStringLiteral("A"), 1, sunday), schedule(QStringLiteral("B"), 1, sunday)});
        const QByteArray before = e.file();
        e.open();
        e.choose(QStringLiteral("B"));
        e.type(e.day(0), QStringLiteral("08:00:00"));
        QSignalSpy rebuilt(&e.station, &Station::switchListChanged);
        // The file may not grow past its first record: record 2 cannot be written.
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit small = saved;
        small.rlim_cur = 96;
        setrlimit(RLIMIT_FSIZE, &small);
        if (deleting) {
            QTest::keyClick(e.list(), Qt::Key_Delete);
            press(e.window->deleteConfirmation(), "OKButton");
        } else {
            e.apply();
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(e.home.errors, QStringList{errnoReportText(EFBIG, e.home.file(QStringLiteral("SwitchList.dat")))});
        QCOMPARE(e.file(), before);
        QCOMPARE(rebuilt.size(), 0);
        QVERIFY(!frmScheduleConflicts::instance());
        // The operator's work is still on screen.
        QCOMPARE(e.fields().at(0), QStringLiteral("2"));
        QCOMPARE(e.day(0)->text(), QStringLiteral("08:00:00"));
    }
};

QTEST_MAIN(tst_frmSchedule)
#include "tst_frmschedule.moc"
