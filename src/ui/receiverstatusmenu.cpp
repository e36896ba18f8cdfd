#include "receiverstatusmenu.h"

#include "frmcomport.h"
#include "frmdisplayreceiver.h"
#include "frmrelay.h"

#include "station/station.h"
#include "receiver/relayconversation.h"
#include "receiver/statusconversation.h"

void openReceiverStatus(Station &station, const QString &commandText, QWidget *mainWindow)
{
    station.CommandText = commandText;
    if (commandText == Status::kCarrierQuery || commandText == Relay::kExtendedRelayQuery) {
        if (frmDisplayReceiver *open = frmDisplayReceiver::instance())
            open->close();
    }
    if (station.settings.twoReceivers()) {
        frmComPort::showWindow(station, mainWindow);
        return;
    }
    station.ActivePort = station.settings.Receiver1Port;
    if (commandText == Relay::kRelayQuery || commandText == Relay::kExtendedRelayQuery)
        frmRelay::showWindow(station, mainWindow);
    else
        frmDisplayReceiver::showWindow(station, mainWindow);
}
