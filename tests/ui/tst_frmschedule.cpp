#include "station/station.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/parallelport.h"
#include "schedule/schedulerecord.h"
#include "ui/frmdialog1.h"
#include "ui/frmprogramsourcecodes.h"
#include "ui/frmschedule.h"
#include "ui/frmscheduleconflicts.h"

#include "testdata.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <memory>

namespace {

const QString kSchedules = QStringLiteral("SwitchList.dat");

// A raw 96-byte record: the fields as the file holds them.
QByteArray record(const QByteArray &name, const QByteArray &len, const QByteArray &lang, const QByteArray &port,
                  const QByteArray &route, const QByteArray &att, const QByteArray &remote,
                  const QByteArray &receiver, const QList<QByteArray> &days)
{
    QByteArray r = "1" + name.leftJustified(25, ' ', true) + len.leftJustified(5, ' ', true)
        + lang.leftJustified(3, ' ', true) + port.leftJustified(1, ' ', true) + route.leftJustified(1, ' ', true)
        + att.leftJustified(2, ' ', true) + remote.leftJustified(1, ' ', true) + receiver.leftJustified(1, ' ', true);
    for (int d = 0; d < 7; ++d)
        r += days.value(d).leftJustified(8, ' ', true);
    return r;
}

QByteArray named(const QByteArray &name, const QByteArray &receiver = "1", const QList<QByteArray> &days = {})
{
    return record(name, "", "ENG", "1", "2", "0", "1", receiver, days);
}

QByteArray deleted(const QByteArray &name)
{
    QByteArray r = named(name);
    r[0] = '0';
    return r;
}

QStringList texts(const QListWidget *list)
{
    QStringList all;
    for (int i = 0; i < list->count(); ++i)
        all.append(list->item(i)->text());
    return all;
}

QStringList recordNames(const QList<SwitchEntry> &entries)
{
    QStringList names;
    for (const SwitchEntry &e : entries)
        names.append(e.sortText.mid(18).trimmed());
    return names;
}

} // namespace

// The editor over a temporary data folder, on Monday 2024-01-01 at noon.
class tst_frmSchedule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void loadFillsTheChoicesAndHidesTheEditor();
    void missingSourceFileIsReportedAndTheListStillWorks();
    void applyWithoutCurrentScheduleWritesNothing();
    void choosingShowsTheRecord();
    void applyStoresEveryFieldByteForByte();
    void newReusesADeletedSlotAndApplySelectsIt();
    void staleChoiceIsLetGo_data();
    void staleChoiceIsLetGo();
    void charactersTheFilesCannotHoldAreRefused();
    void newPresetsReceiverOne_data();
    void newPresetsReceiverOne();
    void newRefusesTheThousandthSchedule();
    void refusals_data();
    void refusals();
    void deleteOneDayThenApply();
    void deleteScheduleThroughConfirmation();
    void cancelKeepsTheSchedule();
    void deleteKeyOpensConfirmationEvenWithADaySelected();
    void appliedScheduleGoesToTheRightList_data();
    void appliedScheduleGoesToTheRightList();
    void conflictsOfThreeSchedules();
    void closeButtonClosesTheConflictsToo();
    void reveal_data();
    void reveal();
    void enterAndArrowsMoveTheFocus();
    void sourceCodeTakesThreeCharactersAndBackspace();
    void printEntryAsksForPrinting();
    void failedWriteIsShownAndNothingFollows_data();
    void failedWriteIsShownAndNothingFollows();
    void screenshots();

private:
    void start(const QList<QByteArray> &records, bool withSourceCodes = true);
    frmSchedule *open();
    void choose(const QString &name);
    QByteArray stored(int n) const;
    template<typename T> T *child(const char *name) const
    {
        T *found = m_window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QLineEdit *dayBox(int d) const;

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<Station> m_station;
    QPointer<frmSchedule> m_window;
};

void tst_frmSchedule::init()
{
    m_home = std::make_unique<TestHome>();
    m_clock = std::make_unique<ManualClock>(QDateTime(QDate(2024, 1, 1), QTime(12, 0)));
}

void tst_frmSchedule::cleanup()
{
    frmScheduleConflicts::closeWindow();
    delete m_window;
    m_station.reset();
    m_clock.reset();
    m_home.reset();
}

void tst_frmSchedule::start(const QList<QByteArray> &records, bool withSourceCodes)
{
    QByteArray file;
    for (const QByteArray &r : records)
        file += r;
    m_home->write(kSchedules, file);
    if (withSourceCodes)
        m_home->write(QStringLiteral("Source.dat"), "ENG\r\nFR\r\nSPA\r\n\r\n");
    m_home->write(QStringLiteral("parport"), QByteArray(2, '\0'));
    m_station = std::make_unique<Station>(*m_clock, openParallelPort(m_home->file(QStringLiteral("parport"))));
    QString error;
    QVERIFY2(m_station->InitProgram(&error), qPrintable(error));
    m_station->settings.ReceiverModel = QStringLiteral("0");
}

frmSchedule *tst_frmSchedule::open()
{
    m_window = new frmSchedule(*m_station);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window))
        qFatal("the schedule editor was not shown");
    return m_window;
}

void tst_frmSchedule::choose(const QString &name)
{
    auto *list = child<QListWidget>("lstDisplaySchedule");
    const QList<QListWidgetItem *> items = list->findItems(name, Qt::MatchStartsWith);
    if (items.isEmpty())
        qFatal("no schedule %s", qPrintable(name));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(items.first()).center());
}

QByteArray tst_frmSchedule::stored(int n) const
{
    return m_home->read(kSchedules).mid((n - 1) * 96, 96);
}

QLineEdit *tst_frmSchedule::dayBox(int d) const
{
    const QList<QLineEdit *> boxes = m_window->findChildren<QLineEdit *>(QStringLiteral("txtSwitchTime"));
    for (QLineEdit *box : boxes) {
        if (box->property("index").toInt() == d)
            return box;
    }
    qFatal("no day box %d", d);
}

void tst_frmSchedule::loadFillsTheChoicesAndHidesTheEditor()
{
    start({named("zebra"), deleted("Hidden"), named("Alpha"), named("beta")});
    open();
    auto *list = child<QListWidget>("lstDisplaySchedule");
    QCOMPARE(texts(list), (QStringList{QStringLiteral("Alpha                    "),
                                       QStringLiteral("beta                     "),
                                       QStringLiteral("zebra                    ")}));
    QCOMPARE(list->item(0)->data(Qt::UserRole).toInt(), 3);
    QCOMPARE(list->item(2)->data(Qt::UserRole).toInt(), 1);
    QVERIFY(list->selectedItems().isEmpty());

    auto *port = child<QComboBox>("cboSatPort");
    QCOMPARE(port->count(), 6);
    QCOMPARE(port->currentText(), QStringLiteral("1"));
    auto *route = child<QComboBox>("cboSatRoute");
    QCOMPARE(route->itemText(3), QStringLiteral("Rev Stereo"));
    QCOMPARE(route->currentIndex(), 0);
    auto *att = child<QComboBox>("cboSatAtt");
    QCOMPARE(att->count(), 15);
    QCOMPARE(att->itemText(14), QStringLiteral("14"));
    QCOMPARE(child<QComboBox>("cboReceiver")->currentIndex(), -1);
    QVERIFY(child<QRadioButton>("Option1")->isChecked());
    auto *lang = child<QComboBox>("cboSatLang");
    QCOMPARE(lang->count(), 3);
    QCOMPARE(lang->itemText(1), QStringLiteral("FR "));
    QCOMPARE(lang->currentText(), QStringLiteral("ENG"));

    for (const char *name : {"txtPgmName", "txtSatLen", "cboSatLang", "cboSatPort", "cmdApply", "Label1", "lblSun",
                             "Option1", "cboReceiver"})
        QVERIFY2(m_window->findChild<QWidget *>(QLatin1String(name))->isHidden(), name);
    QVERIFY(dayBox(6)->isHidden());
    QVERIFY(child<QLabel>("lblScheduleNo")->text().isEmpty());
    QVERIFY(m_home->errors.isEmpty());
}

void tst_frmSchedule::missingSourceFileIsReportedAndTheListStillWorks()
{
    start({named("Alpha")}, false);
    open();
    QCOMPARE(m_home->errors,
             QStringList{QStringLiteral("Source.dat, the program source codes file does not exist. Locate a copy "
                                        "and copy it to %1 or click on ProgramSourceCodes and build a new one.")
                             .arg(m_home->path())});
    QCOMPARE(child<QComboBox>("cboSatLang")->count(), 0);
    choose(QStringLiteral("Alpha"));
    QCOMPARE(child<QLineEdit>("txtPgmName")->text(), QStringLiteral("Alpha"));
}

void tst_frmSchedule::applyWithoutCurrentScheduleWritesNothing()
{
    start({named("Alpha"), named("Beta")});
    const QByteArray before = m_home->read(kSchedules);
    open();
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QCOMPARE(m_home->read(kSchedules), before);
    QVERIFY(m_home->errors.isEmpty());
}

void tst_frmSchedule::choosingShowsTheRecord()
{
    start({named("Other"), record("  Evening News", "05:30", "SP", "3", "1", "7", "3", "2",
                                  {"", "06:00:00", "", "", "", "", "23:59:59"})});
    m_station->settings.TwoReceivers = 1;
    m_station->settings.RemoteControlOn = true;
    open();
    choose(QStringLiteral("Evening"));
    QCOMPARE(child<QLabel>("lblScheduleNo")->text(), QStringLiteral("2"));
    QCOMPARE(child<QLineEdit>("txtPgmName")->text(), QStringLiteral("Evening News"));
    QCOMPARE(child<QLineEdit>("txtSatLen")->text(), QStringLiteral("05:30"));
    QCOMPARE(child<QComboBox>("cboSatLang")->currentText(), QStringLiteral("SP"));
    QCOMPARE(child<QComboBox>("cboSatPort")->currentText(), QStringLiteral("3"));
    QCOMPARE(child<QComboBox>("cboSatRoute")->currentText(), QStringLiteral("Right"));
    QCOMPARE(child<QComboBox>("cboSatAtt")->currentText(), QStringLiteral("7"));
    QCOMPARE(child<QComboBox>("cboReceiver")->currentText(), QStringLiteral("2"));
    QVERIFY(child<QRadioButton>("Option3")->isChecked());
    QCOMPARE(dayBox(0)->text(), QString());
    QCOMPARE(dayBox(1)->text(), QStringLiteral("06:00:00"));
    QCOMPARE(dayBox(6)->text(), QStringLiteral("23:59:59"));
    QVERIFY(child<QLineEdit>("txtPgmName")->isVisible());
}

void tst_frmSchedule::applyStoresEveryFieldByteForByte()
{
    start({named("Other"), named("Target")});
    m_station->settings.TwoReceivers = 1;
    m_station->settings.RemoteControlOn = true;
    open();
    choose(QStringLiteral("Target"));
    auto *name = child<QLineEdit>("txtPgmName");
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("  Late Show"));
    QTest::keyClicks(child<QLineEdit>("txtSatLen"), QStringLiteral("59:59"));
    auto *lang = child<QComboBox>("cboSatLang");
    lang->setCurrentIndex(2);
    child<QComboBox>("cboSatPort")->setCurrentIndex(5);
    child<QComboBox>("cboSatRoute")->setCurrentIndex(3);
    child<QComboBox>("cboSatAtt")->setCurrentIndex(14);
    child<QComboBox>("cboReceiver")->setCurrentIndex(1);
    QTest::mouseClick(child<QRadioButton>("Option2"), Qt::LeftButton);
    QTest::keyClicks(dayBox(0), QStringLiteral("00:00:00"));
    QTest::keyClicks(dayBox(3), QStringLiteral("18:30:15"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);

    QVERIFY(m_home->errors.isEmpty());
    QCOMPARE(stored(2), record("  Late Show", "59:59", "SPA", "6", "3", "14", "2", "2",
                               {"00:00:00", "", "", "18:30:15", "", "", ""}));
    // Shown again from the file: the leading spaces are gone.
    QCOMPARE(name->text(), QStringLiteral("Late Show"));
    QCOMPARE(texts(child<QListWidget>("lstDisplaySchedule")),
             (QStringList{QStringLiteral("Late Show                "), QStringLiteral("Other                    ")}));
    QCOMPARE(recordNames(m_station->switchList(2)), (QStringList{"Late Show", "Late Show"}));
}

void tst_frmSchedule::newReusesADeletedSlotAndApplySelectsIt()
{
    start({named("One"), named("Two"), named("Three"), deleted("Four"), named("Five"), named("Six")});
    open();
    QTest::mouseClick(child<QPushButton>("cmdNew"), Qt::LeftButton);
    QCOMPARE(child<QLabel>("lblScheduleNo")->text(), QStringLiteral("4"));
    QCOMPARE(stored(4), QByteArray("1") + QByteArray(95, ' '));
    auto *list = child<QListWidget>("lstDisplaySchedule");
    QCOMPARE(list->count(), 5);

    QTest::keyClicks(child<QLineEdit>("txtPgmName"), QStringLiteral("Brand New"));
    QTest::keyClicks(dayBox(2), QStringLiteral("07:15:00"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);

    QCOMPARE(list->count(), 6);
    const QList<QListWidgetItem *> selected = list->selectedItems();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first()->text(), QStringLiteral("Brand New                "));
    QCOMPARE(selected.first()->data(Qt::UserRole).toInt(), 4);
    QCOMPARE(m_home->read(kSchedules).size(), 6 * 96);
    // The fresh record names no source, no port and no remote start; its
    // blank route and attenuation read as Left and 0.
    QCOMPARE(stored(4), record("Brand New", "", "", "", "0", "0", "", "1", {"", "", "07:15:00"}));
    QCOMPARE(recordNames(m_station->switchList(1)), QStringList{"Brand New"});
}

void tst_frmSchedule::staleChoiceIsLetGo_data()
{
    QTest::addColumn<bool>("applying");
    QTest::newRow("choosing its old entry") << false;
    QTest::newRow("applying it") << true;
}

// The file changes under the window (a restore from the floppy frees slot 2):
// the window neither crashes on the empty record nor writes into the slot.
void tst_frmSchedule::staleChoiceIsLetGo()
{
    QFETCH(bool, applying);
    start({named("One"), record("Two", "", "", "", "0", "0", "3", "1", {}), named("Three")});
    open();
    if (applying)
        choose(QStringLiteral("Two"));
    QVERIFY(m_station->store().DeleteSchedule(2));
    const QByteArray before = m_home->read(kSchedules);
    if (applying)
        QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    else
        choose(QStringLiteral("Two"));
    QCOMPARE(m_home->errors, QStringList{QStringLiteral("Schedule 2 is no longer in the schedule file. The list of "
                                                        "schedules has been read again.")});
    m_home->errors.clear();
    QCOMPARE(m_home->read(kSchedules), before);
    QCOMPARE(m_window->currentSchedule(), 0);
    QCOMPARE(texts(child<QListWidget>("lstDisplaySchedule")),
             (QStringList{QStringLiteral("One                      "), QStringLiteral("Three                    ")}));
    // A new schedule after the Holding one starts with no remote start chosen.
    QTest::mouseClick(child<QPushButton>("cmdNew"), Qt::LeftButton);
    for (const char *option : {"Option1", "Option2", "Option3"})
        QVERIFY(!child<QRadioButton>(option)->isChecked());
}

// The files hold Windows-1252: what they cannot hold is not typed at all.
void tst_frmSchedule::charactersTheFilesCannotHoldAreRefused()
{
    start({named("One")});
    open();
    choose(QStringLiteral("One"));
    auto *name = child<QLineEdit>("txtPgmName");
    name->clear();
    for (const QChar c : QStringLiteral("Caf\u00e9 \u03a9\u20ac")) {
        QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(name, &typed);
    }
    QCOMPARE(name->text(), QStringLiteral("Caf\u00e9 \u20ac"));
}

void tst_frmSchedule::newPresetsReceiverOne_data()
{
    QTest::addColumn<int>("receiver1Port");
    QTest::newRow("port 1") << 1;
    QTest::newRow("port 2 still receiver 1") << 2;
    QTest::newRow("port 4 names no item but receiver 1") << 4;
}

void tst_frmSchedule::newPresetsReceiverOne()
{
    QFETCH(int, receiver1Port);
    start({});
    m_station->settings.TwoReceivers = 1;
    m_station->settings.Receiver1Port = receiver1Port;
    open();
    QTest::mouseClick(child<QPushButton>("cmdNew"), Qt::LeftButton);
    QCOMPARE(child<QComboBox>("cboReceiver")->currentText(), QStringLiteral("1"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QCOMPARE(stored(1).at(39), '1');
}

void tst_frmSchedule::newRefusesTheThousandthSchedule()
{
    QList<QByteArray> full;
    for (int i = 1; i <= 999; ++i)
        full.append(named("Show " + QByteArray::number(i)));
    start(full);
    const QByteArray before = m_home->read(kSchedules);
    open();
    QTest::mouseClick(child<QPushButton>("cmdNew"), Qt::LeftButton);
    QCOMPARE(m_home->errors, QStringList{QStringLiteral("Maximum number of schedules is 999")});
    QTest::keyClicks(child<QLineEdit>("txtPgmName"), QStringLiteral("Overflow"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QCOMPARE(m_home->read(kSchedules), before);
}

void tst_frmSchedule::refusals_data()
{
    QTest::addColumn<QString>("length");
    QTest::addColumn<QStringList>("days");
    QTest::addColumn<QString>("message");
    const QString lengthMessage = QStringLiteral("Time format in Length must be MM:SS or left blank");
    const auto dayMessage = [](const char *day) {
        return QStringLiteral("Time format in %1 Time to Switch must be HH:MM:SS or left blank").arg(QLatin1String(day));
    };
    QTest::newRow("length 5:30") << "5:30" << QStringList{} << lengthMessage;
    QTest::newRow("Monday 6:00:00") << "" << QStringList{"", "6:00:00"} << dayMessage("Monday");
    QTest::newRow("bad Sunday and Monday report Sunday") << "" << QStringList{"25:00:00", "6:00:00"}
                                                          << dayMessage("Sunday");
    QTest::newRow("Friday 99:99:99") << "" << QStringList{"", "", "", "", "", "99:99:99"} << dayMessage("Friday");
}

void tst_frmSchedule::refusals()
{
    QFETCH(QString, length);
    QFETCH(QStringList, days);
    QFETCH(QString, message);
    start({named("Alpha")});
    const QByteArray before = m_home->read(kSchedules);
    open();
    choose(QStringLiteral("Alpha"));
    QTest::keyClicks(child<QLineEdit>("txtSatLen"), length);
    for (int d = 0; d < days.size(); ++d)
        QTest::keyClicks(dayBox(d), days.at(d));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QCOMPARE(m_home->errors, QStringList{message});
    QCOMPARE(m_home->read(kSchedules), before);
    // The operator's input stays for correcting.
    QCOMPARE(child<QLineEdit>("txtSatLen")->text(), length);
    for (int d = 0; d < days.size(); ++d)
        QCOMPARE(dayBox(d)->text(), days.at(d));
}

void tst_frmSchedule::deleteOneDayThenApply()
{
    start({named("Alpha", "1", {"06:00:00", "06:00:00", "06:00:00"})});
    const QByteArray before = m_home->read(kSchedules);
    open();
    choose(QStringLiteral("Alpha"));
    QTest::mouseClick(dayBox(2), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("cmdDelete"), Qt::LeftButton);
    QCOMPARE(dayBox(2)->text(), QString());
    QCOMPARE(dayBox(1)->text(), QStringLiteral("06:00:00"));
    QVERIFY(!m_window->deleteConfirmation());
    QCOMPARE(m_home->read(kSchedules), before);
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QCOMPARE(stored(1), named("Alpha", "1", {"06:00:00", "06:00:00", ""}));
}

void tst_frmSchedule::deleteScheduleThroughConfirmation()
{
    start({named("Alpha", "1", {"", "18:00:00"}), named("Beta", "1", {"", "19:00:00"})});
    QCOMPARE(recordNames(m_station->switchList(1)), (QStringList{"Alpha", "Beta"}));
    open();
    choose(QStringLiteral("Alpha"));
    // Choosing forgets the day box, so Delete asks about the schedule.
    QTest::mouseClick(child<QPushButton>("cmdDelete"), Qt::LeftButton);
    frmDialog1 *dialog = m_window->deleteConfirmation();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Delete Schedule?"));
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lblDialog1"))->text(), QStringLiteral("Are You Sure?"));
    QPointer<frmDialog1> watch(dialog);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);

    QTRY_VERIFY(!watch);
    QCOMPARE(stored(1).at(0), '0');
    QCOMPARE(stored(2), named("Beta", "1", {"", "19:00:00"}));
    QCOMPARE(texts(child<QListWidget>("lstDisplaySchedule")), QStringList{QStringLiteral("Beta                     ")});
    QCOMPARE(recordNames(m_station->switchList(1)), QStringList{"Beta"});
    QVERIFY(child<QLineEdit>("txtPgmName")->isHidden());
    QVERIFY(child<QLabel>("lblScheduleNo")->text().isEmpty());
    QCOMPARE(m_window->currentSchedule(), 0);
    // Nothing is current any more: Apply writes nothing.
    const QByteArray after = m_home->read(kSchedules);
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QCOMPARE(m_home->read(kSchedules), after);
}

void tst_frmSchedule::cancelKeepsTheSchedule()
{
    start({named("Alpha")});
    const QByteArray before = m_home->read(kSchedules);
    open();
    choose(QStringLiteral("Alpha"));
    QTest::keyClick(child<QListWidget>("lstDisplaySchedule"), Qt::Key_Delete);
    frmDialog1 *dialog = m_window->deleteConfirmation();
    QVERIFY(dialog);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("CancelButton")), Qt::LeftButton);
    QTRY_VERIFY(!m_window->deleteConfirmation());
    QCOMPARE(m_home->read(kSchedules), before);
    QCOMPARE(child<QListWidget>("lstDisplaySchedule")->count(), 1);
}

void tst_frmSchedule::deleteKeyOpensConfirmationEvenWithADaySelected()
{
    start({named("Alpha")});
    open();
    // At opening the Sunday box counts as selected, so the button clears it;
    // the Delete key in the list always asks.
    QTest::keyClick(child<QListWidget>("lstDisplaySchedule"), Qt::Key_Delete);
    frmDialog1 *dialog = m_window->deleteConfirmation();
    QVERIFY(dialog);
    // No schedule is current: OK only closes.
    const QByteArray before = m_home->read(kSchedules);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("OKButton")), Qt::LeftButton);
    QTRY_VERIFY(!m_window->deleteConfirmation());
    QCOMPARE(m_home->read(kSchedules), before);
}

void tst_frmSchedule::appliedScheduleGoesToTheRightList_data()
{
    QTest::addColumn<int>("twoReceivers");
    QTest::addColumn<QByteArray>("receiverField");
    QTest::addColumn<QStringList>("list1");
    QTest::addColumn<QStringList>("list2");
    QTest::newRow("receiver 2 with one receiver goes to list 1") << 0 << QByteArray("2") << QStringList{"Show"}
                                                                 << QStringList{};
    QTest::newRow("receiver 2 with two receivers") << 1 << QByteArray("2") << QStringList{} << QStringList{"Show"};
    QTest::newRow("receiver 1 with two receivers") << 1 << QByteArray("1") << QStringList{"Show"} << QStringList{};
    QTest::newRow("no receiver with two receivers rebuilds neither") << 1 << QByteArray(" ") << QStringList{}
                                                                     << QStringList{};
}

void tst_frmSchedule::appliedScheduleGoesToTheRightList()
{
    QFETCH(int, twoReceivers);
    QFETCH(QByteArray, receiverField);
    QFETCH(QStringList, list1);
    QFETCH(QStringList, list2);
    start({named("Show", receiverField)});
    m_station->settings.TwoReceivers = twoReceivers;
    QSignalSpy rebuilt(m_station.get(), &Station::switchListChanged);
    open();
    choose(QStringLiteral("Show"));
    QTest::keyClicks(dayBox(1), QStringLiteral("08:00:00"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QCOMPARE(stored(1).at(39), receiverField.at(0));
    QCOMPARE(recordNames(m_station->switchList(1)), list1);
    QCOMPARE(recordNames(m_station->switchList(2)), list2);
    QCOMPARE(rebuilt.size(), (list1.isEmpty() && list2.isEmpty()) ? 0 : 1);
}

void tst_frmSchedule::conflictsOfThreeSchedules()
{
    start({named("C", "1", {"", "", "", "09:00:00"}), named("A", "1", {"", "", "", "09:00:00"}),
           named("B", "1", {"", "", "", "09:00:00"}), named("Other", "1", {"", "", "", "09:00:01"})});
    open();
    QVERIFY(!frmScheduleConflicts::instance());
    choose(QStringLiteral("Other"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    frmScheduleConflicts *conflicts = frmScheduleConflicts::instance();
    QVERIFY(conflicts);
    QVERIFY(conflicts->isVisible());
    QCOMPARE(conflicts->windowTitle(), QStringLiteral("Schedule Conflicts"));
    const auto line = [](const char *name) {
        return QStringLiteral("Wed 09:00:00 ") + QString::fromLatin1(name).leftJustified(25, QLatin1Char(' '));
    };
    QCOMPARE(conflicts->lines(), (QStringList{line("A"), line("B"), line("B"), line("C")}));

    // Moving B away clears the clash between B and its neighbours; the open
    // window follows the new check.
    choose(QStringLiteral("B"));
    auto *wednesday = dayBox(3);
    wednesday->clear();
    QTest::keyClicks(wednesday, QStringLiteral("10:00:00"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QCOMPARE(frmScheduleConflicts::instance(), conflicts);
    QCOMPARE(conflicts->lines(), (QStringList{line("A"), line("C")}));

    choose(QStringLiteral("C"));
    wednesday->clear();
    QTest::keyClicks(wednesday, QStringLiteral("11:00:00"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QVERIFY(conflicts->isVisible());
    QVERIFY(conflicts->lines().isEmpty());
}

void tst_frmSchedule::closeButtonClosesTheConflictsToo()
{
    start({named("A", "1", {"07:00:00"}), named("B", "1", {"07:00:00"})});
    open();
    choose(QStringLiteral("A"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QPointer<frmScheduleConflicts> conflicts = frmScheduleConflicts::instance();
    QVERIFY(conflicts);
    QTest::mouseClick(child<QPushButton>("cmdScheduleClose"), Qt::LeftButton);
    QTRY_VERIFY(!m_window);
    QTRY_VERIFY(!conflicts);

    // "Exit" closes the editor only.
    open();
    choose(QStringLiteral("A"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    conflicts = frmScheduleConflicts::instance();
    QVERIFY(conflicts);
    m_window->findChild<QAction *>(QStringLiteral("mnuExit"))->trigger();
    QTRY_VERIFY(!m_window);
    QVERIFY(conflicts);
}

void tst_frmSchedule::reveal_data()
{
    QTest::addColumn<int>("twoReceivers");
    QTest::addColumn<bool>("remoteControl");
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("byNew");
    QTest::addColumn<bool>("receiverShown");
    QTest::addColumn<bool>("optionsShown");
    QTest::addColumn<bool>("portShown");
    QTest::newRow("one receiver, no remote, 4K, chosen") << 0 << false << "0" << false << false << false << true;
    QTest::newRow("two receivers, remote, 4K, chosen") << 1 << true << "0" << false << true << true << true;
    QTest::newRow("model 500 chosen hides the port") << 0 << false << "1" << false << false << false << false;
    QTest::newRow("model 500 by New shows the port") << 0 << false << "1" << true << false << false << true;
}

void tst_frmSchedule::reveal()
{
    QFETCH(int, twoReceivers);
    QFETCH(bool, remoteControl);
    QFETCH(QString, model);
    QFETCH(bool, byNew);
    QFETCH(bool, receiverShown);
    QFETCH(bool, optionsShown);
    QFETCH(bool, portShown);
    start({named("Alpha")});
    m_station->settings.TwoReceivers = twoReceivers;
    m_station->settings.RemoteControlOn = remoteControl;
    m_station->settings.ReceiverModel = model;
    open();
    if (byNew)
        QTest::mouseClick(child<QPushButton>("cmdNew"), Qt::LeftButton);
    else
        choose(QStringLiteral("Alpha"));
    for (const char *name : {"txtPgmName", "txtSatLen", "cboSatLang", "cboSatRoute", "cboSatAtt", "lblPgmName",
                             "lblPgmAtt", "lblSat", "Label1", "cmdApply"})
        QVERIFY2(m_window->findChild<QWidget *>(QLatin1String(name))->isVisible(), name);
    for (int d = 0; d < 7; ++d)
        QVERIFY(dayBox(d)->isVisible());
    QCOMPARE(child<QComboBox>("cboReceiver")->isVisible(), receiverShown);
    QCOMPARE(child<QLabel>("lblReceiver")->isVisible(), receiverShown);
    for (const char *name : {"lblRemote", "Option1", "Option2", "Option3"})
        QCOMPARE(m_window->findChild<QWidget *>(QLatin1String(name))->isVisible(), optionsShown);
    QCOMPARE(child<QComboBox>("cboSatPort")->isVisible(), portShown);
    QCOMPARE(child<QLabel>("lblPgmPort")->isVisible(), portShown);
}

void tst_frmSchedule::enterAndArrowsMoveTheFocus()
{
    start({named("Alpha")});
    open();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    choose(QStringLiteral("Alpha"));
    auto *name = child<QLineEdit>("txtPgmName");
    QTRY_VERIFY(name->hasFocus());
    QTest::keyClick(name, Qt::Key_Return);
    QVERIFY(child<QLineEdit>("txtSatLen")->hasFocus());
    QTest::keyClick(child<QLineEdit>("txtSatLen"), Qt::Key_Enter);
    QVERIFY(child<QComboBox>("cboSatLang")->hasFocus());

    dayBox(5)->setFocus();
    QTest::keyClick(dayBox(5), Qt::Key_Return);
    QVERIFY(dayBox(6)->hasFocus());
    QTest::keyClick(dayBox(6), Qt::Key_Down);
    QVERIFY2(dayBox(0)->hasFocus(), "Saturday wraps to Sunday");
    QTest::keyClick(dayBox(0), Qt::Key_Up);
    QVERIFY2(dayBox(6)->hasFocus(), "Sunday wraps to Saturday");
    QTest::keyClick(dayBox(6), Qt::Key_Up);
    QVERIFY(dayBox(5)->hasFocus());
}

void tst_frmSchedule::sourceCodeTakesThreeCharactersAndBackspace()
{
    start({record("Alpha", "", "SP", "1", "0", "0", "1", "1", {})});
    open();
    choose(QStringLiteral("Alpha"));
    auto *lang = child<QComboBox>("cboSatLang");
    QCOMPARE(lang->currentText(), QStringLiteral("SP"));
    QTest::keyClicks(lang->lineEdit(), QStringLiteral("AX"));
    QCOMPARE(lang->currentText(), QStringLiteral("SPA"));
    QTest::keyClick(lang->lineEdit(), Qt::Key_Backspace);
    QTest::keyClicks(lang->lineEdit(), QStringLiteral("M"));
    QCOMPARE(lang->currentText(), QStringLiteral("SPM"));
    QTest::keyClick(lang->lineEdit(), Qt::Key_Home);
    QTest::keyClick(lang->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(lang->lineEdit(), QStringLiteral("X"));
    QCOMPARE(lang->currentText(), QStringLiteral("XPM"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    QCOMPARE(stored(1).mid(31, 3), QByteArray("XPM"));
    // Typing a code leaves the list of codes alone.
    QCOMPARE(lang->count(), 3);
}

void tst_frmSchedule::printEntryAsksForPrinting()
{
    start({named("Alpha"), named("beta"), named("Aardvark")});
    open();
    QSignalSpy print(m_window.data(), &frmSchedule::printScheduleRequested);
    auto *entry = m_window->findChild<QAction *>(QStringLiteral("mnuPrint"));
    QCOMPARE(entry->text(), QStringLiteral("Print Schedule"));
    entry->trigger();
    QCOMPARE(print.size(), 1);
    QList<int> numbers;
    for (const ScheduleListEntry &e : m_window->scheduleList())
        numbers.append(e.ScheduleNumber);
    QCOMPARE(numbers, (QList<int>{3, 1, 2}));
}

void tst_frmSchedule::failedWriteIsShownAndNothingFollows_data()
{
    QTest::addColumn<bool>("deleting");
    QTest::newRow("apply") << false;
    QTest::newRow("delete") << true;
}

void tst_frmSchedule::failedWriteIsShownAndNothingFollows()
{
    QFETCH(bool, deleting);
    start({named("A", "1", {"07:00:00"}), named("B", "1", {"07:00:00"})});
    const QByteArray before = m_home->read(kSchedules);
    open();
    choose(QStringLiteral("B"));
    dayBox(0)->clear();
    QTest::keyClicks(dayBox(0), QStringLiteral("08:00:00"));
    QSignalSpy rebuilt(m_station.get(), &Station::switchListChanged);

    // The file may not grow past its first record, so record 2 cannot be
    // written.
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 96;
    setrlimit(RLIMIT_FSIZE, &small);
    if (deleting) {
        QTest::keyClick(child<QListWidget>("lstDisplaySchedule"), Qt::Key_Delete);
        QTest::mouseClick(m_window->deleteConfirmation()->findChild<QPushButton *>(QStringLiteral("OKButton")),
                          Qt::LeftButton);
    } else {
        QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    }
    setrlimit(RLIMIT_FSIZE, &saved);

    QCOMPARE(m_home->errors, QStringList{errnoReportText(EFBIG, m_home->file(kSchedules))});
    QCOMPARE(m_home->read(kSchedules), before);
    QCOMPARE(rebuilt.size(), 0);
    QVERIFY(!frmScheduleConflicts::instance());
    // The operator's work is still on screen.
    QCOMPARE(child<QLabel>("lblScheduleNo")->text(), QStringLiteral("2"));
    QCOMPARE(dayBox(0)->text(), QStringLiteral("08:00:00"));
}

// Pictures for the operator's documentation, written only when
// KP_SCREENSHOTS names a folder (run under a real X server such as Xvfb).
void tst_frmSchedule::screenshots()
{
    const QString folder = qEnvironmentVariable("KP_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("KP_SCREENSHOTS is not set");
    start({record("Morning Drive", "59:30", "ENG", "2", "2", "3", "2", "1",
                  {"", "06:00:00", "06:00:00", "06:00:00", "06:00:00", "06:00:00", ""}),
           named("Farm Report", "1", {"", "06:00:00", "", "", "", "", "12:15:00"}),
           named("Weekend Jazz", "2", {"20:00:00", "", "", "", "", "", "20:00:00"}),
           named("Evening News", "1", {"", "18:00:00", "18:00:00", "18:00:00", "18:00:00", "18:00:00", ""}),
           named("a Sunday Service", "1", {"09:30:00"})});
    m_station->settings.TwoReceivers = 1;
    m_station->settings.RemoteControlOn = true;
    open();
    choose(QStringLiteral("Farm"));
    QTest::mouseClick(child<QPushButton>("cmdApply"), Qt::LeftButton);
    choose(QStringLiteral("Morning"));
    QTRY_VERIFY(frmScheduleConflicts::instance());
    QVERIFY(m_window->grab().save(folder + QStringLiteral("/schedule-editor.png")));

    frmScheduleConflicts *conflicts = frmScheduleConflicts::instance();
    QVERIFY(QTest::qWaitForWindowExposed(conflicts));
    QCOMPARE(conflicts->lines().size(), 2);
    QVERIFY(conflicts->grab().save(folder + QStringLiteral("/schedule-conflicts.png")));

    m_home->write(QStringLiteral("Source.dat"), "ENG\r\nSPA\r\nFRA\r\nDEU\r\n007\r\n\r\n");
    QPointer<frmProgramSourceCodes> codes = new frmProgramSourceCodes;
    codes->show();
    QVERIFY(QTest::qWaitForWindowExposed(codes));
    QTest::mouseClick(codes->findChild<QPushButton *>(QStringLiteral("cmdNew")), Qt::LeftButton);
    QTest::keyClicks(codes->findChild<QLineEdit *>(QStringLiteral("txtCRCID")), QStringLiteral("ita"));
    QVERIFY(codes->grab().save(folder + QStringLiteral("/source-codes.png")));
    delete codes;
}

QTEST_MAIN(tst_frmSchedule)
#include "tst_frmschedule.moc"
