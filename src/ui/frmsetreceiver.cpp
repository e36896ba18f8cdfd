#include "frmsetreceiver.h"
#include "windowfront.h"

#include "frmdisplayreceiver.h"
#include "controls.h"
#include "twips.h"

#include "station/station.h"
#include "platform/errorreport.h"
#include "platform/paths.h"
#include "receiver/receiverlink.h"
#include "receiver/relaymanualset.h"
#include "receiver/sourcecodes.h"
#include "receiver/statusconversation.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace {

QPointer<frmSetReceiver> &openWindow()
{
    static QPointer<frmSetReceiver> window;
    return window;
}

QListWidget *makeList(QWidget *parent, const char *name, const QRect &geometry, const QString &toolTip)
{
    QListWidget *list = named(new QListWidget(parent), name, geometry, toolTip);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

void fill(QListWidget *list, const QStringList &entries)
{
    list->clear();
    list->addItems(entries);
    if (list->count() > 0)
        list->setCurrentRow(0);
}

QString selected(const QListWidget *list)
{
    const QListWidgetItem *item = list->currentItem();
    return item ? item->text() : QString();
}

} // namespace

QString missingSourceCodesMessage()
{
    return QStringLiteral("Source.dat, the program source codes file does not exist. Locate a copy and copy it to %1 "
                          "or click on ProgramSourceCodes and build a new one.")
        .arg(QDir::toNativeSeparators(Paths::dataDir()));
}

frmSetReceiver::frmSetReceiver(Station &station, ReceiverLink &link, QWidget *parent)
    : QMainWindow(parent, Qt::Window), m_station(station), m_link(link)
{
    setObjectName(QStringLiteral("frmSetReceiver"));
    setWindowTitle(QStringLiteral("Set Receiver"));
    setAttribute(Qt::WA_DeleteOnClose);

    mnuFiles = menuBar()->addMenu(QStringLiteral("Files"));
    mnuFiles->setObjectName(QStringLiteral("mnuFiles"));
    mnuExit = mnuFiles->addAction(QStringLiteral("Exit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);

    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("designArea"));
    area->setFixedSize(twips(6000), twips(3480));
    setCentralWidget(area);

    Check1 = new QCheckBox(QStringLiteral("View  Settings"), area);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(twipsRect(240, 2880, 1695, 315));

    Option2 = new QRadioButton(QStringLiteral("Receiver Two"), area);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option2->setGeometry(twipsRect(2160, 120, 1695, 315));
    Option2->setToolTip(QStringLiteral("Select Receiver"));
    Option2->hide();

    Option1 = new QRadioButton(QStringLiteral("Receiver One"), area);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setGeometry(twipsRect(240, 120, 1695, 315));
    Option1->setToolTip(QStringLiteral("Select Receiver"));
    Option1->setChecked(true);
    Option1->hide();

    lstAtt = makeList(area, "lstAtt", twipsRect(4560, 720, 1215, 1935), QStringLiteral("Audio attenuation"));

    cmdClose = new QPushButton(QStringLiteral("&Close"), area);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(twipsRect(4560, 2880, 1215, 375));
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    lstRoute = makeList(area, "lstRoute", twipsRect(1680, 720, 1335, 1095), QStringLiteral("Audio Format"));
    lstPort = makeList(area, "lstPort", twipsRect(240, 720, 1215, 1935),
                       QStringLiteral("Select Serial Port which is connected to the Unity 4K"));
    lstLang = makeList(area, "lstLang", twipsRect(3240, 720, 1095, 1935),
                       QStringLiteral("Chose the Source Code of the Program.  New Source Codes may be added by "
                                      "Clicking on ProgramSourceCodes"));

    cmdSet = new QPushButton(QStringLiteral("&Set"), area);
    cmdSet->setObjectName(QStringLiteral("cmdSet"));
    cmdSet->setGeometry(twipsRect(3120, 2880, 1215, 375));
    connect(cmdSet, &QPushButton::clicked, this, &frmSetReceiver::cmdSetClicked);

    Label1 = new QLabel(QStringLiteral("Attenuation"), area);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(4560, 480, 1215, 255));

    setTabOrder(Option1, Option2);
    setTabOrder(Option2, lstPort);
    setTabOrder(lstPort, lstRoute);
    setTabOrder(lstRoute, lstLang);
    setTabOrder(lstLang, lstAtt);
    setTabOrder(lstAtt, Check1);
    setTabOrder(Check1, cmdSet);
    setTabOrder(cmdSet, cmdClose);
}

frmSetReceiver *frmSetReceiver::instance()
{
    return openWindow().data();
}

frmSetReceiver *frmSetReceiver::showWindow(Station &station, ReceiverLink &link, QWidget *parent)
{
    QPointer<frmSetReceiver> &window = openWindow();
    if (window) {
        bringToFront(window);
        return window;
    }
    window = new frmSetReceiver(station, link, parent);
    const bool loaded = window->Load();
    bringToFront(window);
    if (!loaded)
        ShowErrorMessage(missingSourceCodesMessage());
    return window;
}

bool frmSetReceiver::Load()
{
    const bool two = m_station.settings.twoReceivers();
    Option1->setVisible(two);
    Option2->setVisible(two);
    Option1->setChecked(true);

    fill(lstPort, {QStringLiteral("Port 1"), QStringLiteral("Port 2"), QStringLiteral("Port 3"),
                   QStringLiteral("Port 4"), QStringLiteral("Port 5"), QStringLiteral("Port 6")});
    // Model 500 has a single audio output: there is no port to choose.
    lstPort->setVisible(m_station.settings.ReceiverModel != QLatin1String("1"));
    fill(lstRoute, {QStringLiteral("Left"), QStringLiteral("Right"), QStringLiteral("Stereo"),
                    QStringLiteral("Reverse")});
    QStringList attenuations;
    for (int att = 0; att <= 14; ++att)
        attenuations << QString::number(att);
    fill(lstAtt, attenuations);

    const std::optional<QStringList> codes = ReadSourceCodes();
    fill(lstLang, codes.value_or(QStringList()));
    Check1->setChecked(true);
    return codes.has_value();
}

void frmSetReceiver::cmdSetClicked()
{
    const QStringList lines = ManualSetCommands(m_station.settings.ReceiverModel, lstPort->currentRow() + 1,
                                                lstRoute->currentRow(), selected(lstLang), selected(lstAtt));
    const int receiver = m_station.settings.twoReceivers() && Option2->isChecked() ? 2 : 1;
    m_station.ActivePort = m_station.settings.receiverPort(receiver);
    // Each send reports its own failure; the next one is tried all the same.
    for (const QString &line : lines)
        m_link.SendCommand(m_station.ActivePort, line);

    if (Check1->isChecked()) {
        m_station.CommandText = Status::kMpegQuery;
        frmDisplayReceiver::showWindow(m_station, parentWidget());
    }
}

void frmSetReceiver::closeEvent(QCloseEvent *event)
{
    if (openWindow() == this)
        openWindow() = nullptr;
    QMainWindow::closeEvent(event);
}
