#include "frmschedule.h"

#include "station/station.h"
#include "fonts.h"
#include "frmdialog1.h"
#include "frmerror.h"
#include "frmscheduleconflicts.h"
#include "platform/errorreport.h"
#include "platform/paths.h"
#include "receiver/sourcecodes.h"
#include "schedule/schedulerecord.h"
#include "controls.h"
#include "filetextvalidator.h"
#include "twips.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int kLabelLeft = 3360;
constexpr int kFieldLeft = 4620;
constexpr int kRowTop = 540;
constexpr int kRowStep = 420;
constexpr int kDayLabelLeft = 7680;
constexpr int kDayBoxLeft = 8220;

int rowTop(int row)
{
    return kRowTop + row * kRowStep;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    QPushButton *button = named(new QPushButton(caption, parent), name, geometry);
    button->setAutoDefault(false);
    return button;
}

QLineEdit *makeTextBox(QWidget *parent, const char *name, int maxLength, const QString &tip, const QRect &geometry)
{
    QLineEdit *box = named(new QLineEdit(parent), name, geometry, tip);
    box->setMaxLength(maxLength);
    return box;
}

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

void frmSchedule::buildControls()
{
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("designArea"));
    area->setFixedSize(twips(9300), twips(5040));
    setCentralWidget(area);

    lstDisplaySchedule = new QListWidget(area);
    lstDisplaySchedule->setObjectName(QStringLiteral("lstDisplaySchedule"));
    lstDisplaySchedule->setToolTip(QStringLiteral("List of Schedules"));
    lstDisplaySchedule->setGeometry(twipsRect(120, 120, 3000, 4140));
    lstDisplaySchedule->setSelectionMode(QAbstractItemView::SingleSelection);
    lstDisplaySchedule->installEventFilter(this);

    cmdNew = makeButton(area, "cmdNew", QStringLiteral("New"), twipsRect(120, 4440, 1455, 435));
    cmdDelete = makeButton(area, "cmdDelete", QStringLiteral("Delete"), twipsRect(1665, 4440, 1455, 435));
    cmdApply = makeButton(area, "cmdApply", QStringLiteral("&Apply"), twipsRect(6480, 4440, 1275, 435));
    cmdScheduleClose =
        makeButton(area, "cmdScheduleClose", QStringLiteral("&Close"), twipsRect(7905, 4440, 1275, 435));

    lblScheduleNo = named(new QLabel(QString(), area), "lblScheduleNo", twipsRect(kLabelLeft, 120, 1815, 315));
    lblScheduleNo->setFont(msSansSerif(9.75, true));

    const auto fieldLabel = [&](const char *name, const QString &caption, int row) {
        return named(new QLabel(caption, area), name, twipsRect(kLabelLeft, rowTop(row) + 30, 1215, 255));
    };
    lblPgmName = fieldLabel("lblPgmName", QStringLiteral("Program Name"), 0);
    txtPgmName = makeTextBox(area, "txtPgmName", 25, QStringLiteral("Enter the Name of the Program"),
                             twipsRect(kFieldLeft, rowTop(0), 2880, 315));
    txtPgmName->setValidator(new FileTextValidator(txtPgmName));
    lblPgmLen = fieldLabel("lblPgmLen", QStringLiteral("Length"), 1);
    txtSatLen = makeTextBox(area, "txtSatLen", 5,
                            QStringLiteral("Enter the length of Program if you are using the Remote Start Holding "
                                           "Feature.  Format must be MM:SS"),
                            twipsRect(kFieldLeft, rowTop(1), 855, 315));
    lblPgmLang = fieldLabel("lblPgmLang", QStringLiteral("Source"), 2);
    cboSatLang = named(new QComboBox(area), "cboSatLang", twipsRect(kFieldLeft, rowTop(2), 975, 345),
                       QStringLiteral("Chose the Source Code of the Program.  New Source Codes may be added "
                                      "by Clicking on ProgramSourceCodes"));
    cboSatLang->setEditable(true);
    cboSatLang->setInsertPolicy(QComboBox::NoInsert);
    // Typing a code must not be completed from the list behind the
    // operator's back.
    cboSatLang->setCompleter(nullptr);
    // A fourth character is refused; Backspace and Delete still work.
    cboSatLang->lineEdit()->setMaxLength(SourceCodes::kMaxLength);
    cboSatLang->lineEdit()->setValidator(new FileTextValidator(cboSatLang));
    lblPgmPort = fieldLabel("lblPgmPort", QStringLiteral("Unity Port"), 3);
    cboSatPort = named(new QComboBox(area), "cboSatPort", twipsRect(kFieldLeft, rowTop(3), 855, 345),
                       QStringLiteral("Unity audio port"));
    lblPgmRoute = fieldLabel("lblPgmRoute", QStringLiteral("Route"), 4);
    cboSatRoute = named(new QComboBox(area), "cboSatRoute", twipsRect(kFieldLeft, rowTop(4), 1455, 345),
                        QStringLiteral("Audio Format"));
    lblPgmAtt = fieldLabel("lblPgmAtt", QStringLiteral("Attenuation"), 5);
    cboSatAtt = named(new QComboBox(area), "cboSatAtt", twipsRect(kFieldLeft, rowTop(5), 855, 345),
                      QStringLiteral("Audio attenuation"));
    lblReceiver = fieldLabel("lblReceiver", QStringLiteral("Receiver"), 6);
    cboReceiver = named(new QComboBox(area), "cboReceiver", twipsRect(kFieldLeft, rowTop(6), 855, 345),
                        QStringLiteral("When using two receivers, select receiver"));

    lblRemote =
        named(new QLabel(QStringLiteral("Remote Start"), area), "lblRemote", twipsRect(kLabelLeft, 3540, 1815, 255));
    Option1 = named(new QRadioButton(QStringLiteral("No"), area), "Option1", twipsRect(kLabelLeft, 3840, 855, 315),
                    QStringLiteral("Do not issue a remote start command for this schedule"));
    Option2 = named(new QRadioButton(QStringLiteral("Momentary "), area), "Option2", twipsRect(4260, 3840, 1395, 315),
                    QStringLiteral("Issue a Momentary Start command for this schedule"));
    Option3 = named(new QRadioButton(QStringLiteral("Holding"), area), "Option3", twipsRect(5700, 3840, 1215, 315),
                    QStringLiteral("Issue a Start and Hold command for this schedule.  Command will stop at "
                                   "the end of the Program Length.  Be sure program length is entered as MM:SS"));

    Label1 = named(new QLabel(QStringLiteral("Time to Switch "), area), "Label1",
                   twipsRect(kDayLabelLeft, 150, 1500, 255));
    static const char *const dayLabelNames[7] = {"lblSun", "lblMon", "lblTue", "lblWed", "lblThu", "lblFri", "lblSat"};
    for (int d = 0; d < 7; ++d) {
        m_dayLabels[d] = named(new QLabel(DayNames().at(d + 1).left(3), area), dayLabelNames[d],
                               twipsRect(kDayLabelLeft, rowTop(d) + 30, 480, 255));
        txtSwitchTime[d] = makeTextBox(area, "txtSwitchTime", 8, QStringLiteral("Time program will start"),
                                       twipsRect(kDayBoxLeft, rowTop(d), 960, 315));
        txtSwitchTime[d]->setProperty("index", d);
        txtSwitchTime[d]->installEventFilter(this);
        connect(txtSwitchTime[d], &QLineEdit::textChanged, this,
                [this, d](const QString &text) { DayTimes[d] = fixedWidth(text, 8); });
    }
    txtPgmName->installEventFilter(this);
    txtSatLen->installEventFilter(this);

    connect(cmdNew, &QPushButton::clicked, this, &frmSchedule::newSchedule);
    connect(cmdDelete, &QPushButton::clicked, this, &frmSchedule::deleteClicked);
    connect(cmdApply, &QPushButton::clicked, this, &frmSchedule::applySchedule);
    connect(cmdScheduleClose, &QPushButton::clicked, this, &frmSchedule::closeWithConflicts);
    // A click on the chosen entry shows its record again, as a new choice does.
    connect(lstDisplaySchedule, &QListWidget::itemSelectionChanged, this, &frmSchedule::chooseSchedule);
    connect(lstDisplaySchedule, &QListWidget::itemClicked, this, &frmSchedule::chooseSchedule);
    const std::array<std::pair<QRadioButton *, int>, 3> options{{{Option1, 1}, {Option2, 2}, {Option3, 3}}};
    for (const auto &[option, choice] : options) {
        connect(option, &QRadioButton::toggled, this, [this, choice = choice](bool on) {
            if (on)
                RemoteStartChoice = choice;
        });
    }
}

void frmSchedule::buildMenus()
{
    mnuFiles = menuBar()->addMenu(QStringLiteral("Files"));
    mnuFiles->setObjectName(QStringLiteral("mnuFiles"));
    mnuPrint = mnuFiles->addAction(QStringLiteral("Print Schedule"));
    mnuPrint->setObjectName(QStringLiteral("mnuPrint"));
    mnuExit = mnuFiles->addAction(QStringLiteral("Exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuPrint, &QAction::triggered, this, &frmSchedule::printScheduleRequested);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);
}

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

int frmSchedule::rebuildSwitchList(int receiverField)
{
    int receiver = 1;
    if (m_station.settings.twoReceivers())
        receiver = (receiverField == 1 || receiverField == 2) ? receiverField : 0;
    if (receiver != 0)
        m_station.buildSwitchList(receiver);
    return receiver;
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
