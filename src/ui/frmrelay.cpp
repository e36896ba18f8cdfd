#include "frmrelay.h"
#include "windowfront.h"

#include "fonts.h"
#include "twips.h"

#include "station/station.h"
#include "platform/codec.h"
#include "platform/errorreport.h"
#include "platform/serialchannel.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace {

QPointer<frmRelay> &openWindow()
{
    static QPointer<frmRelay> window;
    return window;
}

} // namespace

frmRelay::frmRelay(Station &station, QWidget *parent)
    : QWidget(parent, Qt::Window), m_station(station), MSComm1(station.serialChannels())
{
    setObjectName(QStringLiteral("frmRelay"));
    setWindowTitle(QStringLiteral("Unity 4K Receiver Relay Status"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips(7680), twips(7320));

    lblRelay = new QLabel(this);
    lblRelay->setObjectName(QStringLiteral("lblRelay"));
    lblRelay->setGeometry(twipsRect(120, 120, 4920, 6960));
    lblRelay->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblRelay->setTextFormat(Qt::PlainText);
    lblRelay->setFont(courierNew(8.25));
    lblRelay->setFrameShape(QFrame::Panel);
    lblRelay->setFrameShadow(QFrame::Sunken);

    for (int i = 0; i < Relay::kButtonCount; ++i) {
        const int row = i / 2;
        const int left = i % 2 == 0 ? 5280 : 6360;
        auto *button = new QPushButton(i % 2 == 0 ? QStringLiteral("Open") : QStringLiteral("Close"), this);
        // One control array: every button is "cmdR", told apart by its index.
        button->setObjectName(QStringLiteral("cmdR"));
        button->setProperty("index", i);
        button->setGeometry(twipsRect(left, 120 + row * 435, 975, 375));
        connect(button, &QPushButton::clicked, this, [this, i] { cmdRClicked(i); });
        cmdR[i] = button;
    }

    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(twipsRect(5700, 6600, 1215, 375));
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

frmRelay::~frmRelay()
{
    if (MSComm1)
        MSComm1->close();
}

frmRelay *frmRelay::instance()
{
    return openWindow().data();
}

frmRelay *frmRelay::showWindow(Station &station, QWidget *parent)
{
    QPointer<frmRelay> &window = openWindow();
    if (window) {
        bringToFront(window);
        return window;
    }
    window = new frmRelay(station, parent);
    const bool loaded = window->Load();
    bringToFront(window);
    // Reported once the window stands, so the message is in front of it.
    if (!loaded)
        ShowErrorMessage(window->loadFailure());
    return window;
}

bool frmRelay::Load()
{
    m_query = m_station.CommandText;
    m_mode = Relay::modeFor(m_query);
    for (int i = 0; i < Relay::kButtonCount; ++i)
        cmdR[i]->setVisible(i < Relay::visibleButtons(m_mode));

    m_line = {m_station.ActivePort, m_station.lineSettings()};
    m_loadFailure.clear();
    const bool ok = Relay::loadStatus(*MSComm1, m_station.clock(), m_line, m_query, RelayAnswer, &m_loadFailure);
    showAnswer();
    return ok;
}

void frmRelay::cmdRClicked(int index)
{
    const QString command = Relay::buttonCommand(m_mode, index);
    if (command.isEmpty())
        return;
    QString failure;
    if (!Relay::pressButton(*MSComm1, m_station.clock(), m_line, command, m_query, RelayAnswer, &failure)) {
        ShowErrorMessage(failure);
        return;
    }
    showAnswer();
}

void frmRelay::showAnswer()
{
    lblRelay->setText(Codec::fromWindows1252(RelayAnswer));
}

void frmRelay::closeEvent(QCloseEvent *event)
{
    // A window being closed is no longer the open one, even before it is
    // deleted, so the menu can open a fresh one at once.
    if (openWindow() == this)
        openWindow() = nullptr;
    QWidget::closeEvent(event);
}
