#include "mnumenu.h"

#include "station/station.h"
#include "engine/switchengine.h"
#include "monitor/statusmonitor.h"
#include "receiver/receiverlink.h"
#include "station/floppy.h"
#include "platform/clock.h"
#include "platform/errorreport.h"
#include "platform/parallelport.h"
#include "schedule/scheduleprintout.h"
#include "schedule/schedulevalidation.h"
#include "ui/fonts.h"
#include "ui/frmabout.h"
#include "ui/frmactivitylog.h"
#include "ui/frmhelp.h"
#include "ui/frmmpeglog.h"
#include "ui/frmprogramsourcecodes.h"
#include "ui/frmremotestatus.h"
#include "ui/frmdialog1.h"
#include "ui/frmschedule.h"
#include "ui/frmsetreceiver.h"
#include "ui/frmsetup.h"
#include "ui/frmweeklyschedule.h"
#include "ui/receiverstatusmenu.h"
#include "ui/frmerror.h"
#include "ui/switchlistmodel.h"
#include "ui/controls.h"
#include "ui/twips.h"
#include "ui/windowfront.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QStyle>

#include <cstdlib>
#include <utility>

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &geometry, const QString &caption = {})
{
    return named(new QLabel(caption, parent), name, geometry);
}

// A label keeps its place but grows to the right when the installed font
// needs more room than the layout gave its longest text.
void fitWidth(QLabel *label, const QString &longest)
{
    const int needed = label->fontMetrics().horizontalAdvance(longest) + 4;
    if (needed > label->width())
        label->resize(needed, label->height());
}

QListView *makeList(QWidget *parent, const char *name, const QRect &geometry, QAbstractItemModel *model)
{
    auto *list = new QListView(parent);
    list->setObjectName(QLatin1String(name));
    list->setGeometry(geometry);
    list->setFont(courierNew(8.25));
    list->setUniformItemSizes(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setModel(model);
    // Room for a whole line (day, time and the 25-character name) beside the
    // scroll bar, with the margins the style gives an item.
    const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1) + 8;
    const int needed = list->fontMetrics().horizontalAdvance(QString(38, QLatin1Char('M')))
        + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * list->frameWidth() + margins;
    if (needed > list->width())
        list->resize(needed, list->height());
    return list;
}

} // namespace

mnuMenu::mnuMenu(Station &station, QWidget *parent)
    : QMainWindow(parent), m_station(station), m_link(std::make_unique<ReceiverLink>(station)),
      m_engine(std::make_unique<SwitchEngine>(station, *m_link)),
      m_monitor(std::make_unique<StatusMonitor>(station, *m_engine))
{
    setObjectName(QStringLiteral("mnuMenu"));
    setWindowTitle(QStringLiteral("Kestrelpoint"));
    buildControls();
    buildMenus();

    connect(m_engine.get(), &SwitchEngine::clockTextChanged, lblClock, &QLabel::setText);
    connect(m_engine.get(), &SwitchEngine::portStatusChanged, lblPort, &QLabel::setText);
    connect(m_engine.get(), &SwitchEngine::nextSwitchTextChanged, this, [this](int receiver, const QString &text) {
        (receiver == 2 ? Label3 : label1)->setText(text);
    });
    connect(m_engine.get(), &SwitchEngine::remoteStartShown, this, [this](int receiver, bool shown) {
        (receiver == 2 ? Label4 : Label2)->setVisible(shown);
    });
    connect(&m_station, &Station::receiverCountChanged, this,
            [this] { showReceiver2Controls(m_station.settings.twoReceivers()); });
}

mnuMenu::~mnuMenu() = default;

void mnuMenu::buildControls()
{
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("designArea"));
    area->setAutoFillBackground(true);
    QPalette blue = area->palette();
    blue.setColor(QPalette::Window, QColor(0, 0, 255));
    blue.setColor(QPalette::WindowText, QColor(255, 255, 255));
    area->setPalette(blue);
    area->setMinimumSize(twips(11775), twips(8310));
    area->installEventFilter(this);
    setCentralWidget(area);

    const QColor highlightText = palette().color(QPalette::HighlightedText);
    auto colour = [](QLabel *label, const QColor &text, const QColor &back = QColor(0, 0, 255)) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, text);
        p.setColor(QPalette::Window, back);
        label->setAutoFillBackground(true);
        label->setPalette(p);
    };

    lblClock = makeLabel(area, "lblClock", twipsRect(9240, 0, 2535, 255));
    colour(lblClock, Qt::white);
    lblPort = makeLabel(area, "lblPort", twipsRect(8040, 120, 975, 255));
    lblPort->setFont(msSansSerif(8.25, true));
    colour(lblPort, Qt::yellow);
    Label5 = makeLabel(area, "Label5", twipsRect(5640, 1800, 855, 255), QStringLiteral("Receiver 1"));
    colour(Label5, highlightText);
    label1 = makeLabel(area, "label1", twipsRect(4200, 2280, 3735, 255));
    colour(label1, highlightText);
    Label2 = makeLabel(area, "Label2", twipsRect(5640, 2520, 855, 255), QStringLiteral("START"));
    Label2->setFont(msSansSerif(9.75, true));
    colour(Label2, Qt::white, Qt::red);
    lstNextToSwitch = makeList(area, "lstNextToSwitch", twipsRect(4080, 2760, 3855, 1320),
                               new SwitchListModel(m_station, 1, this));
    Label6 = makeLabel(area, "Label6", twipsRect(5640, 4440, 855, 255), QStringLiteral("Receiver 2"));
    colour(Label6, highlightText);
    Label3 = makeLabel(area, "Label3", twipsRect(4200, 4920, 3735, 255));
    colour(Label3, highlightText);
    Label4 = makeLabel(area, "Label4", twipsRect(5640, 5160, 855, 255), QStringLiteral("START"));
    Label4->setFont(msSansSerif(9.75, true));
    colour(Label4, Qt::white, Qt::red);
    lstNextToSwitch2 = makeList(area, "lstNextToSwitch2", twipsRect(4080, 5400, 3855, 1320),
                                new SwitchListModel(m_station, 2, this));
    ProgressBar1 = new QProgressBar(area);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(twipsRect(4800, 7200, 2295, 255));
    ProgressBar1->setRange(0, 5);
    ProgressBar1->setTextVisible(false);

    fitWidth(lblClock, QStringLiteral("Wednesday  12/31/2026  23:59:59"));
    const QString longestLine = QStringLiteral("Next to Switch:  ") + QString(25, QLatin1Char('W')).left(25)
        + QStringLiteral("  146:00:00");
    fitWidth(label1, longestLine);
    fitWidth(Label3, longestLine);
    for (QLabel *caption : {Label5, Label6, Label2, Label4})
        fitWidth(caption, caption->text());

    for (QWidget *hidden : {static_cast<QWidget *>(Label5), static_cast<QWidget *>(Label2),
                            static_cast<QWidget *>(Label6), static_cast<QWidget *>(Label3),
                            static_cast<QWidget *>(Label4), static_cast<QWidget *>(lstNextToSwitch2),
                            static_cast<QWidget *>(ProgressBar1)})
        hidden->hide();
}

namespace {

QAction *addEntry(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction *addEntry(QMenuBar *bar, const char *name, const QString &caption)
{
    QAction *action = bar->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

} // namespace

void mnuMenu::buildMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    connect(addEntry(mnuFile, "mnuLoadSchedules", QStringLiteral("Load Schedules from Floppy")),
            &QAction::triggered, this, [this] {
                if (LoadSchedules(m_station) && m_schedule)
                    m_schedule->scheduleFileReplaced();
            });
    connect(addEntry(mnuFile, "mnuLoadSourceCodes", QStringLiteral("Load Source Codes from Floppy")),
            &QAction::triggered, this, [] { LoadSourceCodes(); });
    connect(addEntry(mnuFile, "mnuSaveFiles", QStringLiteral("Save Schedules and Source Codes to Floppy")),
            &QAction::triggered, this, [this] {
                SaveFilesToFloppy(m_station, [this](int value) {
                    ProgressBar1->setVisible(value != kFloppyProgressHidden);
                    if (value != kFloppyProgressHidden)
                        ProgressBar1->setValue(value);
                    ProgressBar1->repaint();
                });
            });
    connect(addEntry(mnuFile, "mnuFileExit", QStringLiteral("E&xit")), &QAction::triggered, this, &QWidget::close);

    QMenu *mnuSetUpMenu = bar->addMenu(QStringLiteral("&SetUp"));
    mnuSetUpMenu->setObjectName(QStringLiteral("mnuSetUpMenu"));
    connect(addEntry(mnuSetUpMenu, "mnuSetUp", QStringLiteral("&SetUp")), &QAction::triggered, this,
            [this] { openOrBringToFront(m_setUp, [this] { return new frmSetUp(m_station, this); }); });
    connect(addEntry(mnuSetUpMenu, "mnuRemoteStatus", QStringLiteral("&Remote Status")), &QAction::triggered, this,
            [this] { openOrBringToFront(m_remoteStatus, [this] { return new frmRemoteStatus(*m_monitor, this); }); });
    connect(addEntry(bar, "mnuProgramSourceCodes", QStringLiteral("&ProgramSourceCodes")), &QAction::triggered, this,
            [this] { openOrBringToFront(m_sourceCodes, [this] { return new frmProgramSourceCodes(this); }); });
    connect(addEntry(bar, "mnuSchedule", QStringLiteral("&Schedules")), &QAction::triggered, this, [this] {
        openOrBringToFront(m_schedule, [this] {
            auto *editor = new frmSchedule(m_station, this);
            connect(editor, &frmSchedule::printScheduleRequested, this, [this, editor] {
                QList<int> numbers;
                for (const ScheduleListEntry &entry : editor->scheduleList())
                    numbers << entry.ScheduleNumber;
                PrintSchedules(m_station.store(), numbers, m_station.clock().today());
            });
            return editor;
        });
    });
    connect(addEntry(bar, "mnuSetReceiver", QStringLiteral("Set &Receiver")), &QAction::triggered, this,
            [this] { frmSetReceiver::showWindow(m_station, *m_link, this); });
    connect(addEntry(bar, "mnuSwitchSchedule", QStringLiteral("S&witch Schedule")), &QAction::triggered, this, [this] {
        frmWeeklySchedule *weekly = openOrBringToFront(m_weekly, [this] { return new frmWeeklySchedule(m_station, this); });
        weekly->BuildWeeklySchedule();
        weekly->setWindowTitle(QStringLiteral("Weekly Switch Schedule"));
    });

    QMenu *mnuReceiverStatus = bar->addMenu(QStringLiteral("Recei&ver Status"));
    mnuReceiverStatus->setObjectName(QStringLiteral("mnuReceiverStatus"));
    const struct
    {
        const char *name;
        const char *caption;
        const char *command;
    } statusEntries[] = {
        {"mnuCarrierStatus", "&Carrier", "RT C"},
        {"mnuMPEGStatus", "&MPEG", "R M"},
        {"mnuRelayStatus", "&Relays", "R R"},
        {"mnuExtendedRelays", "&Extended Relays", "R ER"},
        {"mnuReceiverSerialPort", "Receiver Serial  &Port", "R SP"},
        {"mnuSettings", "&Settings", "R S"},
    };
    for (const auto &entry : statusEntries) {
        const QString command = QLatin1String(entry.command);
        connect(addEntry(mnuReceiverStatus, entry.name, QLatin1String(entry.caption)), &QAction::triggered, this,
                [this, command] { openReceiverStatus(m_station, command, this); });
    }

    QMenu *mnuHistory = bar->addMenu(QStringLiteral("H&istory"));
    mnuHistory->setObjectName(QStringLiteral("mnuHistory"));
    const auto openLogViewer = [this](const QString &kind) {
        m_station.LogKind = kind;
        openOrBringToFront(m_activityLog, [this] { return new frmActivityLog(m_station, this); });
    };
    connect(addEntry(mnuHistory, "ActivityLog", QStringLiteral("&Activity Log")), &QAction::triggered, this,
            [openLogViewer] { openLogViewer(QStringLiteral("AL")); });
    connect(addEntry(mnuHistory, "mnuEbNo", QStringLiteral("&Eb/No")), &QAction::triggered, this,
            [openLogViewer] { openLogViewer(QStringLiteral("EB")); });
    connect(addEntry(mnuHistory, "mnuMPEG", QStringLiteral("&MPEG")), &QAction::triggered, this, [this] {
        m_station.LogKind = QStringLiteral("MP");
        openOrBringToFront(m_mpegLog, [this] { return new frmMPEGLog(m_station, this); });
    });

    connect(addEntry(bar, "mnuHelp", QStringLiteral("&Help")), &QAction::triggered, this,
            [this] { openOrBringToFront(m_help, [this] { return new frmHelp(m_station, this); }); });
    connect(addEntry(bar, "mnuAbout", QStringLiteral("&About")), &QAction::triggered, this,
            [this] { openOrBringToFront(m_about, [this] { return new frmAbout(m_station, this); }); });
}

bool mnuMenu::Load(QString *error)
{
    if (!m_station.InitProgram(error))
        return false;
    showReceiver2Controls(m_station.settings.twoReceivers());
    // Told once at start-up, when the settings use the parallel port.
    const QString portProblem = m_station.parallelPort().problem();
    if (!portProblem.isEmpty() && (m_station.settings.RemoteControlOn || m_station.settings.twoReceivers()))
        ShowErrorMessage(portProblem);
    // Every start is on the record; one with no end before it follows a
    // crash, a kill or a power cut.
    m_station.WriteActivityLog(QStringLiteral("Kestrelpoint Started"));
    m_engine->start();
    return true;
}

void mnuMenu::showReceiver2Controls(bool shown)
{
    lstNextToSwitch2->setVisible(shown);
    Label3->setVisible(shown);
    Label5->setVisible(shown);
    Label6->setVisible(shown);
    layoutLists();
}

// The lists keep their place and their line width, but hold at least
// kListLines lines each and share whatever height the window has beyond
// that; receiver 2's panel follows receiver 1's list with the gaps of the
// layout, and the progress bar comes last.
void mnuMenu::layoutLists()
{
    constexpr int kListLines = 15;
    QWidget *area = centralWidget();
    const int row = qMax(lstNextToSwitch->sizeHintForRow(0), lstNextToSwitch->fontMetrics().height() + 4);
    const int smallest = kListLines * row + 2 * lstNextToSwitch->frameWidth();
    const int top = lstNextToSwitch->y();
    const int panelGap = twips(4440 - 4080);         // list 1's end to the "Receiver 2" caption
    const int panelHead = twips(5400 - 4440);        // the caption to list 2
    const int progressGap = twips(7200 - 6720);      // the last list to the progress bar
    const int below = progressGap + ProgressBar1->height() + twips(120);
    const bool two = lstNextToSwitch2->isVisibleTo(this);
    const int lists = two ? 2 : 1;
    const int fixed = top + below + (two ? panelGap + panelHead : 0);
    area->setMinimumHeight(qMax(twips(8310), fixed + lists * smallest));
    const int height = qMax(smallest, (area->height() - fixed) / lists);

    lstNextToSwitch->resize(lstNextToSwitch->width(), height);
    const int panel = top + height + panelGap;
    Label6->move(Label6->x(), panel);
    Label3->move(Label3->x(), panel + twips(4920 - 4440));
    Label4->move(Label4->x(), panel + twips(5160 - 4440));
    lstNextToSwitch2->setGeometry(lstNextToSwitch2->x(), panel + panelHead, lstNextToSwitch2->width(), height);
    const int last = two ? lstNextToSwitch2->geometry().bottom() : lstNextToSwitch->geometry().bottom();
    ProgressBar1->move(ProgressBar1->x(), last + progressGap);
}

bool mnuMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize)
        layoutLists();
    return QMainWindow::eventFilter(watched, event);
}

void mnuMenu::closeEvent(QCloseEvent *event)
{
    int answer = m_exitAnswerForTest;
    if (answer == 0) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Merrowind"), QStringLiteral("Exit Kestrelpoint?"),
                        QMessageBox::Yes | QMessageBox::No, this);
        answer = box.exec();
    }
    if (answer != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    event->accept();
    End();
}

void mnuMenu::End(int status)
{
    if (std::exchange(m_ending, true))
        return;
    m_engine->endOutputs();
    m_station.WriteActivityLog(QStringLiteral("Kestrelpoint Ended"));
    if (m_beforeEnd)
        m_beforeEnd();
    if (m_exit)
        m_exit(status);
    else
        std::_Exit(status);
}

void mnuMenu::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        frmError::windowActivated();
    QMainWindow::changeEvent(event);
}
