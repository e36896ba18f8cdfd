#include "frmdisplayreceiver.h"
#include "windowfront.h"

#include "fonts.h"
#include "frmerror.h"
#include "twips.h"

#include "station/station.h"
#include "platform/codec.h"
#include "platform/errorreport.h"
#include "platform/serialchannel.h"
#include "receiver/statusconversation.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace {

QPointer<frmDisplayReceiver> &openWindow()
{
    static QPointer<frmDisplayReceiver> window;
    return window;
}

} // namespace

frmDisplayReceiver::frmDisplayReceiver(Station &station, QWidget *parent)
    : QWidget(parent, Qt::Window), m_station(station), MSComm1(station.serialChannels())
{
    setObjectName(QStringLiteral("frmDisplayReceiver"));
    setWindowTitle(QStringLiteral("Receiver Data"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips(9840), twips(8040));

    lblDisplayReceiver = new QLabel(this);
    lblDisplayReceiver->setObjectName(QStringLiteral("lblDisplayReceiver"));
    lblDisplayReceiver->setGeometry(twipsRect(120, 120, 9600, 7200));
    lblDisplayReceiver->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDisplayReceiver->setTextFormat(Qt::PlainText);
    lblDisplayReceiver->setFont(courierNew(8.25));
    lblDisplayReceiver->setFrameShape(QFrame::Panel);
    lblDisplayReceiver->setFrameShadow(QFrame::Sunken);

    cmdDisplayReceiverRefresh = new QPushButton(QStringLiteral("&Refresh"), this);
    cmdDisplayReceiverRefresh->setObjectName(QStringLiteral("cmdDisplayReceiverRefresh"));
    cmdDisplayReceiverRefresh->setGeometry(twipsRect(2760, 7500, 1215, 375));
    connect(cmdDisplayReceiverRefresh, &QPushButton::clicked, this,
            &frmDisplayReceiver::cmdDisplayReceiverRefreshClicked);

    cmdDisplayReceiverExit = new QPushButton(QStringLiteral("E&xit"), this);
    cmdDisplayReceiverExit->setObjectName(QStringLiteral("cmdDisplayReceiverExit"));
    cmdDisplayReceiverExit->setGeometry(twipsRect(5880, 7500, 1215, 375));
    connect(cmdDisplayReceiverExit, &QPushButton::clicked, this, &QWidget::close);
}

frmDisplayReceiver::~frmDisplayReceiver()
{
    if (MSComm1)
        MSComm1->close();
}

frmDisplayReceiver *frmDisplayReceiver::instance()
{
    return openWindow().data();
}

frmDisplayReceiver *frmDisplayReceiver::showWindow(Station &station, QWidget *parent)
{
    QPointer<frmDisplayReceiver> &window = openWindow();
    if (window) {
        bringToFront(window);
        return window;
    }
    window = new frmDisplayReceiver(station, parent);
    const bool loaded = window->Load();
    bringToFront(window);
    if (!loaded)
        ShowErrorMessage(window->loadFailure());
    return window;
}

bool frmDisplayReceiver::Load()
{
    m_port = m_station.ActivePort;
    m_settings = m_station.lineSettings();
    m_loadFailure.clear();
    const bool ok = Status::load(*MSComm1, m_station.clock(), m_port, m_settings, m_station.CommandText,
                                 DisplayAnswer, &m_loadFailure);
    showAnswer();
    return ok;
}

void frmDisplayReceiver::cmdDisplayReceiverRefreshClicked()
{
    QString failure;
    if (!Status::refresh(*MSComm1, m_station.clock(), m_port, m_settings, m_station.CommandText, DisplayAnswer,
                         &failure)) {
        ShowErrorMessage(failure);
        return;
    }
    showAnswer();
}

void frmDisplayReceiver::showAnswer()
{
    lblDisplayReceiver->setText(Codec::fromWindows1252(DisplayAnswer));
}

void frmDisplayReceiver::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        frmError::windowActivated();
    QWidget::changeEvent(event);
}

void frmDisplayReceiver::closeEvent(QCloseEvent *event)
{
    // Closed means no longer open, even before the deferred delete, so that
    // "&Carrier" can open a fresh window straight after closing this one.
    if (openWindow() == this)
        openWindow() = nullptr;
    QWidget::closeEvent(event);
}
