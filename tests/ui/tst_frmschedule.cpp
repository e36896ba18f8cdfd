#include "windows.h"

#include "platform/errorreport.h"
#include "ui/frmdialog1.h"
#include "ui/frmschedule.h"
#include "ui/frmscheduleconflicts.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
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
        QVERIFY(e.list()->selectedItems().isEmpty());
        QCOMPARE(e.c<QComboBox>("cboSatLang")->itemText(1), sourceCodes ? QStringLiteral("FR ") : QString());
        for (const char *name : {"txtPgmName", "cmdApply", "lblSun", "Option1"})
            QVERIFY2(e.c(name)->isHidden(), name);
        QCOMPARE(e.home.errors, sourceCodes ? QStringList{} : QStringList{QStringLiteral(
                     "Source.dat, the program source codes file does not exist. Locate a copy and copy it to %1 or "
                     "click on ProgramSourceCodes and build a new one.").arg(e.home.path())});
    }

    // Each control shows its field, and Apply stores each control in its field.
    void choosingShowsTheRecordAndApplyStoresEveryField()
    {
        Editor e({schedule("Other"), with(schedule(QStringLiteral("  Evening News"), 1,
                                                   std::array<QString, 7>{QString(), QStringLiteral("06:00:00"), {}, {}, {}, {}, QStringLiteral("23:59:59")}),
                                          {"05:30", "SP", "3", "1", "7"}, 3)});
        e.station.settings.TwoReceivers = 1;
        e.open();
        e.choose(QStringLiteral("Evening"));
        // Two receivers, no remote control, model 4K: a receiver box, no remote start, a port box.
        QVERIFY(e.c("cboReceiver")->isVisible() && !e.c("Option3")->isVisible() && e.c("cboSatPort")->isVisible());
        QCOMPARE(e.fields(), (QStringList{"2", "Evening News", "05:30", "SP", "3", "Right", "7", "1", "Option3", "",
                                          "06:00:00", "", "", "", "", "23:59:59"}));
        e.type(e.c<QLineEdit>("txtPgmName"), QStringLiteral("  Late Show"));
        e.type(e.c<QLineEdit>("txtSatLen"), QStringLiteral("59:59"));
        const char *boxes[] = {"cboSatLang", "cboSatPort", "cboSatRoute", "cboSatAtt", "cboReceiver"};
        const int rows[] = {2, 5, 3, 14, 1};
        for (int i = 0; i < 5; ++i)
            e.c<QComboBox>(boxes[i])->setCurrentIndex(rows[i]);
        click(e.c<QRadioButton>("Option2"));
        e.type(e.day(0), QStringLiteral("00:00:00"));
        e.day(1)->clear();
        e.day(6)->clear();
        e.type(e.day(3), QStringLiteral("18:30:15"));
        e.apply();
        QVERIFY(e.home.errors.isEmpty());
        QCOMPARE(e.stored(2), recordBytes(with(schedule(QStringLiteral("  Late Show"), 2,
                                                        std::array<QString, 7>{QStringLiteral("00:00:00"), {}, {}, QStringLiteral("18:30:15")}),
                                               {"59:59", "SPA", "6", "3", "14"}, 2)));
        // Shown again from the file, where a name has no leading spaces.
        QCOMPARE(e.fields().at(1), QStringLiteral("Late Show"));
        QCOMPARE(items(e.list()), (QStringList{padded("Late Show"), padded("Other")}));
        // Given to receiver 2, it moves from receiver 1's list to receiver 2's.
        QCOMPARE(e.names(2), (QStringList{"Late Show", "Late Show"}));
        QCOMPARE(e.names(1), QStringList());
    }

    // New takes the first free slot, names receiver 1 (whatever port it is
    // on) and no remote start (even after a schedule that had one); Apply
    // selects it in the list.
    void newSchedule()
    {
        Editor e({with(schedule("One"), {}, 3), schedule(QString()), schedule("Three")});
        e.station.settings.TwoReceivers = 1;
        e.station.settings.Receiver1Port = 4;
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

    void deleteConfirmation_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("choose");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("Delete button, OK deletes") << false << true << QByteArray("OKButton");
        QTest::newRow("Delete key, Cancel keeps") << true << true << QByteArray("CancelButton");
        // At opening the Sunday box counts as chosen, yet the key asks.
        QTest::newRow("Delete key with nothing chosen: OK only closes") << true << false << QByteArray("OKButton");
        QTest::newRow("a day box chosen: the button clears that day, asking nothing") << false << true << QByteArray();
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
        if (answer.isEmpty())
            QTest::mouseClick(e.day(1), Qt::LeftButton);
        if (byKey)
            QTest::keyClick(e.list(), Qt::Key_Delete);
        else
            press(e.window, "cmdDelete");
        QPointer<frmDialog1> dialog = e.window->deleteConfirmation();
        if (answer.isEmpty()) {
            QVERIFY(!dialog && e.day(1)->text().isEmpty() && e.file() == before);
            return;
        }
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

    // The conflicts window follows each Apply; Close closes it with the editor.
    void conflictsFollowEachApply()
    {
        const auto wednesday = onDay(3, QStringLiteral("09:00:00"));
        Editor e({schedule(QStringLiteral("B"), 1, wednesday), schedule(QStringLiteral("A"), 1, wednesday)});
        e.open();
        e.choose(QStringLiteral("A"));
        e.apply();
        QPointer<frmScheduleConflicts> conflicts = frmScheduleConflicts::instance();
        QVERIFY(conflicts && conflicts->isVisible());
        QCOMPARE(conflicts->lines().size(), 2);
        e.type(e.day(3), QStringLiteral("10:00:00"));
        e.apply();
        QCOMPARE(frmScheduleConflicts::instance(), conflicts);
        QVERIFY(conflicts->lines().isEmpty());
        press(e.window, "cmdScheduleClose");
        QTRY_VERIFY(!e.window);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!conflicts);
    }

    void refusedOrFailedChangeLeavesTheWorkOnScreen_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::newRow("a time refused") << true;
        QTest::newRow("the file cannot be written") << false;
    }

    // Nothing is written, no list rebuilt, no conflicts shown; the operator's
    // work stays on screen for correcting.
    void refusedOrFailedChangeLeavesTheWorkOnScreen()
    {
        QFETCH(bool, refused);
        const auto sunday = onDay(0, QStringLiteral("07:00:00"));
        Editor e({schedule(QStringLiteral("A"), 1, sunday), schedule(QStringLiteral("B"), 1, sunday)});
        const QByteArray before = e.file();
        e.open();
        e.choose(QStringLiteral("B"));
        e.type(e.day(0), QStringLiteral("08:00:00"));
        QSignalSpy rebuilt(&e.station, &Station::switchListChanged);
        if (refused)
            QTest::keyClicks(e.day(5), QStringLiteral("99:99:99"));
        // Unless refused, the file may not grow past its first record: record 2 cannot be written.
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit small = saved;
        small.rlim_cur = refused ? saved.rlim_cur : 96;
        setrlimit(RLIMIT_FSIZE, &small);
        e.apply();
        setrlimit(RLIMIT_FSIZE, &saved);
        const QString message =
            refused ? QStringLiteral("Time format in Friday Time to Switch must be HH:MM:SS or left blank")
                    : errnoReportText(EFBIG, e.home.file(QStringLiteral("SwitchList.dat")));
        QCOMPARE(e.home.errors, QStringList{message});
        QCOMPARE(e.file(), before);
        QCOMPARE(rebuilt.size(), 0);
        QVERIFY(!frmScheduleConflicts::instance());
        QCOMPARE(e.fields().at(0), QStringLiteral("2"));
        QCOMPARE(e.day(0)->text(), QStringLiteral("08:00:00"));
    }
};

QTEST_MAIN(tst_frmSchedule)
#include "tst_frmschedule.moc"
