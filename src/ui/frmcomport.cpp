#include "frmcomport.h"
#include "windowfront.h"

#include "frmdisplayreceiver.h"
#include "frmrelay.h"
#include "twips.h"

#include "station/station.h"
#include "receiver/relayconversation.h"

#include <QCloseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace {

QPointer<frmComPort> &openWindow()
{
    static QPointer<frmComPort> window;
    return window;
}

} // namespace

frmComPort::frmComPort(Station &station, QWidget *parent) : QWidget(parent, Qt::Window), m_station(station)
{
    setObjectName(QStringLiteral("frmComPort"));
    setWindowTitle(QStringLiteral("Receiver Select"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips(3120), twips(1800));

    Option2 = new QRadioButton(QStringLiteral("Receiver Two"), this);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option2->setGeometry(twipsRect(480, 600, 2160, 315));

    Option1 = new QRadioButton(QStringLiteral("Receiver One"), this);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option1->setGeometry(twipsRect(480, 240, 2160, 315));
    Option1->setChecked(true);

    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setGeometry(twipsRect(960, 1140, 1215, 375));
    connect(cmdClose, &QPushButton::clicked, this, &frmComPort::cmdCloseClicked);

    setTabOrder(Option1, Option2);
    setTabOrder(Option2, cmdClose);
}

frmComPort *frmComPort::instance()
{
    return openWindow().data();
}

frmComPort *frmComPort::showWindow(Station &station, QWidget *parent)
{
    QPointer<frmComPort> &window = openWindow();
    return openOrBringToFront(window, [&] { return new frmComPort(station, parent); });
}

void frmComPort::cmdCloseClicked()
{
    const int receiver = Option2->isChecked() ? 2 : 1;
    m_station.ActivePort = m_station.settings.receiverPort(receiver);
    // The windows it opens belong to the window that opened this one, which
    // outlives it.
    QWidget *owner = parentWidget();
    const QString &query = m_station.CommandText;
    if (query == Relay::kRelayQuery || query == Relay::kExtendedRelayQuery)
        frmRelay::showWindow(m_station, owner);
    else
        frmDisplayReceiver::showWindow(m_station, owner);
    close();
}

void frmComPort::closeEvent(QCloseEvent *event)
{
    if (openWindow() == this)
        openWindow() = nullptr;
    QWidget::closeEvent(event);
}
