#include "mnumenu.h"

#include "engine/station.h"
#include "engine/switchengine.h"
#include "receiver/receiverlink.h"
#include "ui/fonts.h"
#include "ui/frmerror.h"
#include "ui/switchlistmodel.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>

#include <cstdlib>

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &geometry, const QString &caption = {})
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
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
    return list;
}

} // namespace

mnuMenu::mnuMenu(Station &station, QWidget *parent)
    : QMainWindow(parent), m_station(station), m_link(std::make_unique<ReceiverLink>(station)),
      m_engine(std::make_unique<SwitchEngine>(station, *m_link))
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

    for (QWidget *hidden : {static_cast<QWidget *>(Label5), static_cast<QWidget *>(Label2),
                            static_cast<QWidget *>(Label6), static_cast<QWidget *>(Label3),
                            static_cast<QWidget *>(Label4), static_cast<QWidget *>(lstNextToSwitch2),
                            static_cast<QWidget *>(ProgressBar1)})
        hidden->hide();
}

void mnuMenu::buildMenus()
{
    QMenu *mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction *mnuFileExit = mnuFile->addAction(QStringLiteral("E&xit"));
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);
}

bool mnuMenu::Load(QString *error)
{
    if (!m_station.InitProgram(error))
        return false;
    showReceiver2Controls(m_station.settings.twoReceivers());
    m_engine->start();
    return true;
}

void mnuMenu::showReceiver2Controls(bool shown)
{
    lstNextToSwitch2->setVisible(shown);
    Label3->setVisible(shown);
    Label5->setVisible(shown);
    Label6->setVisible(shown);
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
    // Yes ends the program at once: no other window's closing logic runs.
    std::_Exit(0);
}

void mnuMenu::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        frmError::windowActivated();
    QMainWindow::changeEvent(event);
}
