// The schedule editor's controls and menus: what each is called, where it
// stands and what it accepts. What they do is in frmschedule.cpp.

#include "frmschedule.h"

#include "controls.h"
#include "filetextvalidator.h"
#include "fonts.h"
#include "frmdialog1.h"
#include "receiver/sourcecodes.h"
#include "settings/stationsettings.h"
#include "twips.h"

#include <QComboBox>
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

} // namespace

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
