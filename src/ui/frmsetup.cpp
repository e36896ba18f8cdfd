#include "frmsetup.h"

#include "station/station.h"
#include "platform/errorreport.h"
#include "platform/paths.h"
#include "ui/fonts.h"
#include "ui/controls.h"
#include "ui/filetextvalidator.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kBaudTip =
    QStringLiteral("Serial Port Commincation Rate...Must be same as the Unity 4K....19200 is preferred");

QGroupBox *makeFrame(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    return named(new QGroupBox(caption, parent), name, geometry);
}

QRadioButton *makeOption(QWidget *parent, const char *name, const QString &caption, const QRect &geometry,
                         const QString &tip)
{
    return named(new QRadioButton(caption, parent), name, geometry, tip);
}

QCheckBox *makeCheck(QWidget *parent, const char *name, const QString &caption, const QRect &geometry,
                     const QString &tip)
{
    return named(new QCheckBox(caption, parent), name, geometry, tip);
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, const QRect &geometry)
{
    QLabel *label = named(new QLabel(caption, parent), name, geometry);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QListWidget *makeList(QWidget *parent, const char *name, const QRect &geometry, const QString &tip)
{
    QListWidget *list = named(new QListWidget(parent), name, geometry, tip);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

// The four serial-port options of a receiver's frame.
std::array<QRadioButton *, 4> makePortOptions(QGroupBox *frame, const std::array<const char *, 4> &names)
{
    std::array<QRadioButton *, 4> options{};
    for (int i = 0; i < 4; ++i)
        options[i] =
            makeOption(frame, names[i], QStringLiteral("Serial Port %1").arg(i + 1),
                       twipsRect(120, 240 + 360 * i, 1215, 255), QStringLiteral("Computer Com Port %1").arg(i + 1));
    return options;
}

} // namespace

frmSetUp::frmSetUp(Station &station, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_station(station)
{
    setObjectName(QStringLiteral("frmSetUp"));
    setWindowTitle(QStringLiteral("Kestrelpoint SetUp"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The captions were laid out for a narrow system font; a condensed face
    // keeps "Serial Port 4" and "Remote Control" inside their twips.
    QFont font = msSansSerif();
    font.setStretch(QFont::SemiCondensed);
    setFont(font);
    buildControls();
    buildMenus();
    connectRules();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    Form_Load();
}

frmSetUp::~frmSetUp() = default;

void frmSetUp::buildControls()
{
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("designArea"));
    area->setFixedSize(twips(5700), twips(4950));
    setCentralWidget(area);

    Frame1 = makeFrame(area, "Frame1", QStringLiteral("Receiver Model"), twipsRect(120, 120, 1725, 615));
    OptModel[0] = makeOption(Frame1, "OptModel", QStringLiteral("4K"), twipsRect(120, 240, 615, 195), kBaudTip);
    OptModel[1] = makeOption(Frame1, "OptModel", QStringLiteral("500"), twipsRect(720, 240, 735, 195), kBaudTip);
    for (int i = 0; i < 2; ++i)
        OptModel[i]->setProperty("index", i);

    Check1 = makeCheck(area, "Check1", QStringLiteral("Two Receivers"), twipsRect(2880, 240, 1455, 255),
                       QStringLiteral("Check to control two Unity 4K receivers"));

    fraComSelect = makeFrame(area, "fraComSelect", QStringLiteral("Receiver One"), twipsRect(120, 1080, 1400, 1695));
    m_receiver1Options = makePortOptions(fraComSelect, {"optSP1", "optSP2", "optSP3", "optSP4"});
    optSP1 = m_receiver1Options[0];
    optSP2 = m_receiver1Options[1];
    optSP3 = m_receiver1Options[2];
    optSP4 = m_receiver1Options[3];

    Frame2 = makeFrame(area, "Frame2", QStringLiteral("Receiver Two"), twipsRect(1920, 1080, 1400, 1695));
    m_receiver2Options = makePortOptions(Frame2, {"Option1", "Option2", "Option3", "Option4"});
    Option1 = m_receiver2Options[0];
    Option2 = m_receiver2Options[1];
    Option3 = m_receiver2Options[2];
    Option4 = m_receiver2Options[3];
    Frame2->hide();

    fraBaudSelect = makeFrame(area, "fraBaudSelect", QStringLiteral("Baud Rate"), twipsRect(3960, 1080, 1245, 975));
    optBaud1 = makeOption(fraBaudSelect, "optBaud1", QStringLiteral("9600"), twipsRect(120, 240, 975, 255), kBaudTip);
    optBaud2 = makeOption(fraBaudSelect, "optBaud2", QStringLiteral("19200"), twipsRect(120, 600, 975, 225), kBaudTip);

    lblHistoryEbNo = makeLabel(area, "lblHistoryEbNo", QStringLiteral("EbNo Log"), twipsRect(4200, 2160, 855, 255));
    lstHistoryEbNo = makeList(area, "lstHistoryEbNo", twipsRect(3960, 2400, 1455, 450),
                              QStringLiteral("Read the Unity 4K EbNo 1-4 times per hour, or once a minute"));
    Label1 = makeLabel(area, "Label1", QStringLiteral("Save EbNo Logs"), twipsRect(4080, 2880, 1215, 255));
    Label1->hide();
    lstSaveLogs = makeList(area, "lstSaveLogs", twipsRect(3960, 3120, 1455, 450),
                           QStringLiteral("Save the EbNo Logs...1 day, 1 week, 1 month, or 1 year.  The computer "
                                          "will delete them after that period of time. "));
    lstSaveLogs->hide();

    label2 = makeLabel(area, "label2", QStringLiteral("Time to reset clock"), twipsRect(240, 3000, 1455, 375));
    txtClockResetTime = named(new QLineEdit(area), "txtClockResetTime", twipsRect(1920, 2880, 615, 285),
                              QStringLiteral("Minute and second of the hour that time should be re-set."));
    txtClockResetTime->setValidator(new FileTextValidator(txtClockResetTime));

    chkRemote = makeCheck(area, "chkRemote", QStringLiteral("Remote Control"), twipsRect(240, 3360, 1455, 495),
                          QStringLiteral("This box must be checked if you are using the parallel port for "
                                         "re-setting the computer time, logging alarms, or starting remote devices."));
    chkLog = makeCheck(area, "chkLog", QStringLiteral("Activity Log"), twipsRect(240, 3720, 1335, 495),
                       QStringLiteral("Check this box if you want to log the control commands the computer sends "
                                      "to the Unity 4K."));
    chkMpeg = makeCheck(area, "chkMpeg", QStringLiteral("MPEG Log"), twipsRect(240, 4200, 1215, 255),
                        QStringLiteral("Check this box if you want to log the Unity 4K MPEG information following a "
                                       "command sent to the Unity 4K by the computer."));

    cmdClose = named(new QPushButton(QStringLiteral("&Close"), area), "cmdClose", twipsRect(2400, 4080, 855, 375));
    QFont bold = msSansSerif(9.75, true);
    bold.setStretch(QFont::SemiCondensed);
    cmdClose->setFont(bold);
}

void frmSetUp::buildMenus()
{
    mnuFiles = menuBar()->addMenu(QStringLiteral("Files"));
    mnuFiles->setObjectName(QStringLiteral("mnuFiles"));
    mnuExit = mnuFiles->addAction(QStringLiteral("Exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
}

// The rules run on every change of a control, also the ones the opening
// makes: that is how the window reaches a consistent state.
void frmSetUp::connectRules()
{
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);

    connect(Check1, &QCheckBox::toggled, this, &frmSetUp::twoReceiversClicked);
    for (int i = 0; i < 4; ++i) {
        const int port = i + 1;
        connect(m_receiver1Options[i], &QRadioButton::toggled, this, [this, port](bool checked) {
            if (checked)
                receiver1PortChosen(port);
        });
        connect(m_receiver2Options[i], &QRadioButton::toggled, this, [this, port](bool checked) {
            if (checked)
                receiver2PortChosen(port);
        });
    }
    connect(optBaud1, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            m_pending.BaudChoice = 1;
    });
    connect(optBaud2, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            m_pending.BaudChoice = 2;
    });
    connect(chkLog, &QCheckBox::toggled, this, [this](bool checked) { m_pending.ActivityLogOn = checked ? 1 : 0; });
    connect(chkMpeg, &QCheckBox::toggled, this, [this](bool checked) { m_station.settings.MpegLogOn = checked; });
    connect(chkRemote, &QCheckBox::toggled, this,
            [this](bool checked) { m_station.settings.RemoteControlOn = checked; });
    connect(lstHistoryEbNo, &QListWidget::currentRowChanged, this, &frmSetUp::ebNoRateClicked);
    // The clock-reset minute follows every keystroke, half-typed values too.
    connect(txtClockResetTime, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_station.settings.ClockResetTime = text; });
}

void frmSetUp::Form_Load()
{
    using namespace SetupChoices;
    const StationSettings &s = m_station.settings;

    txtClockResetTime->setText(s.ClockResetTime);

    if (const int option = portOption(s.Receiver1Port))
        m_receiver1Options[option - 1]->setChecked(true);
    m_pending.Receiver1Port = s.Receiver1Port;

    if (const int option = portOption(s.Receiver2Port))
        m_receiver2Options[option - 1]->setChecked(true);

    // A stored rate no option stands for is kept until the operator chooses.
    if (const int option = baudOption(s.BaudChoice))
        (option == 1 ? optBaud1 : optBaud2)->setChecked(true);
    m_pending.BaudChoice = s.BaudChoice;

    if (s.ActivityLogOn == 1)
        chkLog->setChecked(true);

    lstHistoryEbNo->addItems(EbNoRateItems());
    const int rateRow = ebNoRateRow(s.EbNoRate);
    if (rateRow >= 0)
        lstHistoryEbNo->setCurrentRow(rateRow);
    else
        m_pending.EbNoRate = s.EbNoRate;

    chkRemote->setChecked(s.RemoteControlOn);
    chkMpeg->setChecked(s.MpegLogOn);

    Check1->setChecked(s.TwoReceivers == 1);

    lstSaveLogs->addItems(SaveLogsItems());
    if (const int row = saveLogsRow(s.EbNoKeep); row >= 0)
        lstSaveLogs->setCurrentRow(row);

    if (const int option = modelOption(s.ReceiverModel); option >= 0)
        OptModel[option]->setChecked(true);
    showEveryChoice();
}

// Each list shows all its choices at once: the EbNo Log list, the keeping
// list below it, and the window as tall as they need.
void frmSetUp::showEveryChoice()
{
    const auto fit = [](QListWidget *list) {
        list->resize(list->width(), list->count() * list->sizeHintForRow(0) + 2 * list->frameWidth());
    };
    fit(lstHistoryEbNo);
    Label1->move(Label1->x(), lstHistoryEbNo->geometry().bottom() + 1 + twips(30));
    lstSaveLogs->move(lstSaveLogs->x(), Label1->y() + twips(240));
    fit(lstSaveLogs);
    QWidget *area = centralWidget();
    area->setFixedSize(area->width(), qMax(twips(4950), lstSaveLogs->geometry().bottom() + 1 + twips(120)));
}

void frmSetUp::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void frmSetUp::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    SetupChoices::applyClosing(m_station.settings, m_pending, {selectedRow(lstSaveLogs), OptModel[0]->isChecked()});
    QString error;
    if (!SettingsFiles::WriteSettingsFiles(Paths::dataDir(), m_station.settings, &error))
        ShowErrorMessage(error);
}

void frmSetUp::twoReceiversClicked(bool checked)
{
    m_station.settings.TwoReceivers = checked ? 1 : 0;
    Frame2->setVisible(checked);
    Q_EMIT m_station.receiverCountChanged();
    m_station.BuildSwitchList1();
    if (checked)
        m_station.BuildSwitchList2();
}

void frmSetUp::receiver1PortChosen(int port)
{
    if (SetupChoices::receiver1PortRefused(port, selectedPort(m_receiver2Options), m_station.settings.TwoReceivers)) {
        clearChoice(m_receiver1Options[port - 1]);
        ShowErrorMessage(SetupChoices::kPortConflictMessage);
        return;
    }
    m_pending.Receiver1Port = port;
}

void frmSetUp::receiver2PortChosen(int port)
{
    if (SetupChoices::receiver2PortRefused(port, selectedPort(m_receiver1Options))) {
        clearChoice(m_receiver2Options[port - 1]);
        ShowErrorMessage(SetupChoices::kPortConflictMessage);
        return;
    }
    m_station.settings.Receiver2Port = port;
}

void frmSetUp::ebNoRateClicked(int row)
{
    if (row < 0)
        return;
    m_pending.EbNoRate = row;
    const bool shown = SetupChoices::ebNoKeepingShown(row);
    Label1->setVisible(shown);
    lstSaveLogs->setVisible(shown);
}

void frmSetUp::clearChoice(QRadioButton *option)
{
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}

int frmSetUp::selectedPort(const std::array<QRadioButton *, 4> &options)
{
    for (int i = 0; i < 4; ++i) {
        if (options[i]->isChecked())
            return i + 1;
    }
    return 0;
}

int frmSetUp::selectedRow(const QListWidget *list)
{
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}
