#include "frmschedule.h"

#include "fonts.h"
#include "frmdialog1.h"
#include "frmerror.h"
#include "frmscheduleconflicts.h"
#include "platform/errorreport.h"
#include "platform/paths.h"
#include "receiver/sourcecodes.h"
#include "schedule/schedulerecord.h"
#include "station/station.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

// What the schedule editor does; its controls are built in
// frmschedulelayout.cpp.

namespace {

void selectItem(QComboBox *box, int index)
{
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

} // namespace

frmSchedule::frmSchedule(Station &station, QWidget *parent) : QMainWindow(parent), m_station(station)
{
    setObjectName(QStringLiteral("frmSchedule"));
    setWindowTitle(QStringLiteral("Switch Schedule"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(msSansSerif());
    buildControls();
    buildMenus();
    Load();
}

frmSchedule::~frmSchedule() = default;

void frmSchedule::Load()
{
    CurrentSchedule = 0;
    SelectedDay = 0;
    lblScheduleNo->clear();
    txtPgmName->clear();
    txtSatLen->clear();
    for (QLineEdit *box : txtSwitchTime)
        box->clear();
    for (QWidget *hidden :
         std::initializer_list<QWidget *>{cboReceiver, Option1, Option2, Option3, cboSatLang, txtPgmName, cmdApply,
                                          txtSatLen, cboSatAtt, cboSatRoute, cboSatPort, lblReceiver, Label1,
                                          lblRemote, lblPgmAtt, lblPgmRoute, lblPgmPort, lblPgmLang, lblPgmLen,
                                          lblPgmName})
        hidden->hide();
    for (int d = 0; d < 7; ++d) {
        txtSwitchTime[d]->hide();
        m_dayLabels[d]->hide();
    }

    cboSatPort->clear();
    for (int port = 1; port <= 6; ++port)
        cboSatPort->addItem(QString::number(port));
    cboSatPort->setCurrentIndex(0);
    cboSatRoute->clear();
    cboSatRoute->addItems({QStringLiteral("Left"), QStringLiteral("Right"), QStringLiteral("Stereo"),
                           QStringLiteral("Rev Stereo")});
    cboSatRoute->setCurrentIndex(0);
    cboSatAtt->clear();
    for (int att = 0; att <= 14; ++att)
        cboSatAtt->addItem(QString::number(att));
    cboSatAtt->setCurrentIndex(0);
    Option1->setChecked(true);
    RemoteStartChoice = 1;
    cboReceiver->clear();
    cboReceiver->addItems({QStringLiteral("1"), QStringLiteral("2")});
    cboReceiver->setCurrentIndex(-1);

    fillScheduleList(0);

    cboSatLang->clear();
    const std::optional<QStringList> codes = ReadSourceCodes();
    if (!codes) {
        ShowErrorMessage(QStringLiteral("Source.dat, the program source codes file does not exist. Locate a copy "
                                        "and copy it to %1 or click on ProgramSourceCodes and build a new one.")
                             .arg(Paths::dataDir()));
        return;
    }
    for (const QString &code : *codes)
        cboSatLang->addItem(fixedWidth(code, SourceCodes::kMaxLength));
    if (cboSatLang->count() > 0)
        cboSatLang->setCurrentIndex(0);
}

void frmSchedule::fillScheduleList(int selectNumber)
{
    const QSignalBlocker blocker(lstDisplaySchedule);
    lstDisplaySchedule->clear();
    for (const ScheduleListEntry &entry : BuildScheduleList(m_station.store())) {
        auto *item = new QListWidgetItem(entry.PgmName, lstDisplaySchedule);
        item->setData(Qt::UserRole, entry.ScheduleNumber);
        if (entry.ScheduleNumber == selectNumber) {
            lstDisplaySchedule->setCurrentItem(item);
            item->setSelected(true);
        }
    }
}

QList<ScheduleListEntry> frmSchedule::scheduleList() const
{
    QList<ScheduleListEntry> entries;
    for (int i = 0; i < lstDisplaySchedule->count(); ++i) {
        const QListWidgetItem *item = lstDisplaySchedule->item(i);
        entries.append({item->text(), item->data(Qt::UserRole).toInt()});
    }
    return entries;
}

void frmSchedule::revealEditor(bool byNew)
{
    for (QWidget *shown : std::initializer_list<QWidget *>{txtPgmName, txtSatLen, cboSatLang, cboSatRoute, cboSatAtt,
                                                            lblPgmName, lblPgmLen, lblPgmLang, lblPgmRoute, lblPgmAtt,
                                                            Label1, cmdApply})
        shown->show();
    for (int d = 0; d < 7; ++d) {
        m_dayLabels[d]->show();
        txtSwitchTime[d]->show();
    }
    if (m_station.settings.twoReceivers()) {
        cboReceiver->show();
        lblReceiver->show();
    }
    if (m_station.settings.RemoteControlOn) {
        lblRemote->show();
        Option1->show();
        Option2->show();
        Option3->show();
    }
    // Model 500 receivers have no audio port to choose.
    if (byNew || m_station.settings.ReceiverModel == QLatin1String("0")) {
        cboSatPort->show();
        lblPgmPort->show();
    }
}

void frmSchedule::ShowScheduleInEditor()
{
    const int n = CurrentSchedule;
    lblScheduleNo->setText(QString::number(n));
    txtPgmName->setFocus();
    const std::optional<ScheduleRecord> found = scheduleInUse(n);
    if (!found)
        return;
    const ScheduleRecord &r = *found;
    txtPgmName->setText(withoutPadding(r.PgmName));
    txtSatLen->setText(withoutPadding(withoutLeadingSpaces(r.SatLen)));
    cboSatLang->setEditText(withoutPadding(r.SatLang));
    selectItem(cboSatPort, digitValue(r.SatPort.at(0)) - 1);
    selectItem(cboSatRoute, digitValue(r.SatRoute.at(0)));
    selectItem(cboReceiver, r.Receiver - 1);
    selectItem(cboSatAtt, leadingNumber(r.SatAtt));
    chooseRemoteStart(r.RemoteStart);
    for (int d = 0; d < 7; ++d)
        txtSwitchTime[d]->setText(withoutPadding(r.SwitchTime[d]));
}

void frmSchedule::newSchedule()
{
    revealEditor(true);
    const int n = m_station.store().NewSchedule();
    if (n == 0) {
        CurrentSchedule = 0;
        return;
    }
    CurrentSchedule = n;
    ShowScheduleInEditor();
    // Receiver 1 is there in every setup; with two receivers the operator
    // may change it before Apply.
    cboReceiver->setCurrentIndex(0);
}

// The option of a stored remote start; a start never chosen (a new
// schedule's blank field) shows none, so that Apply stores none unless the
// operator picks one.
void frmSchedule::chooseRemoteStart(int remoteStart)
{
    const std::array<QRadioButton *, 3> options{Option1, Option2, Option3};
    for (int choice = 1; choice <= 3; ++choice) {
        QRadioButton *option = options[choice - 1];
        option->setAutoExclusive(false);
        option->setChecked(remoteStart == choice);
        option->setAutoExclusive(true);
    }
    RemoteStartChoice = remoteStart >= 1 && remoteStart <= 3 ? remoteStart : 0;
}

std::optional<ScheduleRecord> frmSchedule::scheduleInUse(int n) const
{
    const std::optional<QString> record = m_station.store().ReadScheduleRecord(n);
    if (!record)
        return std::nullopt;
    ScheduleRecord r = ParseScheduleRecord(*record);
    if (!r.inUse())
        return std::nullopt;
    return r;
}

// The list showed a schedule that the file no longer holds (a restore from
// the floppy, a deletion elsewhere): the window starts afresh from the file.
void frmSchedule::forgetStaleSchedule(int n)
{
    Load();
    ShowErrorMessage(QStringLiteral("Schedule %1 is no longer in the schedule file. The list of schedules has been "
                                    "read again.")
                         .arg(n));
}

void frmSchedule::scheduleFileReplaced()
{
    if (CurrentSchedule != 0 && !scheduleInUse(CurrentSchedule))
        Load();
    else
        fillScheduleList(CurrentSchedule);
}

void frmSchedule::chooseSchedule()
{
    SelectedDay = kNoDay;
    const QList<QListWidgetItem *> selected = lstDisplaySchedule->selectedItems();
    if (selected.isEmpty())
        return;
    const int n = selected.first()->data(Qt::UserRole).toInt();
    if (!scheduleInUse(n)) {
        forgetStaleSchedule(n);
        return;
    }
    revealEditor(false);
    CurrentSchedule = n;
    ShowScheduleInEditor();
}

void frmSchedule::applySchedule()
{
    const int n = CurrentSchedule;
    if (n == 0)
        return;
    // Storing into a slot that was freed meanwhile would bring back a
    // deleted schedule, or overwrite another one given that slot.
    if (!scheduleInUse(n)) {
        forgetStaleSchedule(n);
        return;
    }
    for (int d = 0; d < 7; ++d)
        DayTimes[d] = fixedWidth(txtSwitchTime[d]->text(), 8);
    RemoteStartChoice = Option3->isChecked() ? 3 : Option2->isChecked() ? 2 : Option1->isChecked() ? 1 : 0;
    if (const std::optional<QString> refusal = ScheduleInputError(txtSatLen->text(), DayTimes)) {
        ShowErrorMessage(*refusal);
        return;
    }

    ScheduleRecord values;
    values.PgmName = txtPgmName->text();
    values.SatLen = txtSatLen->text();
    values.SatLang = cboSatLang->currentText();
    values.SatPort = cboSatPort->currentText();
    values.SatRoute = cboSatRoute->currentIndex() >= 0 ? QString::number(cboSatRoute->currentIndex()) : QString();
    values.SatAtt = cboSatAtt->currentText();
    values.RemoteStart = RemoteStartChoice;
    values.Receiver = leadingNumber(cboReceiver->currentText());
    values.SwitchTime = DayTimes;
    QString error;
    if (!m_station.store().WriteScheduleRecord(n, BuildScheduleRecord(values), &error)) {
        ShowErrorMessage(error);
        return;
    }
    frmScheduleConflicts::clearConflicts();

    fillScheduleList(n);
    chooseSchedule();

    if (const int receiver = rebuildSwitchList(values.Receiver))
        frmScheduleConflicts::CheckScheduleConflicts(m_station, receiver);
}

// Both lists are built again, so that a schedule given to the other receiver
// leaves the list it was in; the receiver whose list is checked for
// conflicts is returned (0 for none).
int frmSchedule::rebuildSwitchList(int receiverField)
{
    m_station.BuildSwitchList1();
    if (!m_station.settings.twoReceivers())
        return 1;
    m_station.BuildSwitchList2();
    return (receiverField == 1 || receiverField == 2) ? receiverField : 0;
}

void frmSchedule::deleteClicked()
{
    if (SelectedDay == kNoDay) {
        openDeleteConfirmation();
        return;
    }
    txtSwitchTime[SelectedDay]->clear();
}

void frmSchedule::openDeleteConfirmation()
{
    if (!m_confirmation) {
        m_confirmation = new frmDialog1(this);
        connect(m_confirmation, &frmDialog1::okPressed, this, &frmSchedule::deleteConfirmed);
    }
    m_confirmation->show();
    m_confirmation->raise();
    m_confirmation->activateWindow();
}

void frmSchedule::deleteConfirmed()
{
    const int n = CurrentSchedule;
    if (n == 0)
        return;
    const std::optional<QString> record = m_station.store().ReadScheduleRecord(n);
    const int receiverField = record ? ParseScheduleRecord(*record).Receiver : 0;
    QString error;
    if (!m_station.store().DeleteSchedule(n, &error)) {
        ShowErrorMessage(error);
        return;
    }
    Load();
    rebuildSwitchList(receiverField);
}

void frmSchedule::closeWithConflicts()
{
    frmScheduleConflicts::closeWindow();
    close();
}

bool frmSchedule::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        for (int d = 0; d < 7; ++d) {
            if (watched == txtSwitchTime[d])
                SelectedDay = d;
        }
        return QMainWindow::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);

    const int key = static_cast<QKeyEvent *>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == lstDisplaySchedule && key == Qt::Key_Delete) {
        openDeleteConfirmation();
        return true;
    }
    if (watched == txtPgmName && enter) {
        txtSatLen->setFocus();
        return true;
    }
    if (watched == txtSatLen && enter) {
        cboSatLang->setFocus();
        return true;
    }
    for (int d = 0; d < 7; ++d) {
        if (watched != txtSwitchTime[d])
            continue;
        if (enter || key == Qt::Key_Down) {
            txtSwitchTime[(d + 1) % 7]->setFocus();
            return true;
        }
        if (key == Qt::Key_Up) {
            txtSwitchTime[(d + 6) % 7]->setFocus();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmSchedule::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        frmError::windowActivated();
    QMainWindow::changeEvent(event);
}
