#pragma once

#include "settings/stationsettings.h"

#include <QString>
#include <QStringList>

// The choices of the setup window stated without widgets: what each list row
// and option stands for, when a serial port is refused, and how the window's
// state becomes the settings that are written when it closes.
namespace SetupChoices {

inline const QString kPortConflictMessage = QStringLiteral("Receiver one and receiver two Ports may not be the same.");

// "Do Not Log" ... "1 per minute"; the row is the EbNoRate.
const QStringList &EbNoRateItems();
// "1 Day" ... "1 Year"; the row stands for "d", "w", "m", "y".
const QStringList &SaveLogsItems();

// The row for a rate, or -1 for a rate no row stands for.
int ebNoRateRow(int EbNoRate);
// The keeping controls only matter while Eb/No readings are logged.
bool ebNoKeepingShown(int rateRow);

// The row for EbNoKeep, or -1 when it is none of "d", "w", "m", "y".
int saveLogsRow(const QString &EbNoKeep);
// The EbNoKeep for a selected row; with no row selected the old value stays.
QString ebNoKeepForRow(int row, const QString &current);

// The option (1 or 2) a stored BaudChoice selects, or 0 for none.
int baudOption(int BaudChoice);
// The serial-port option (1 to 4) a stored port selects, or 0 for none.
int portOption(int port);

// 0 for "4K", 1 for "500", -1 when ReceiverModel is neither "0" nor "1".
int modelOption(const QString &ReceiverModel);
// "0" when "4K" is selected; anything else, no selection too, is "500".
QString receiverModelFor(bool fourKSelected);

// Receiver one may not take the port receiver two's frame shows selected,
// but only while two receivers are controlled.
bool receiver1PortRefused(int port, int receiver2Selected, int TwoReceivers);
// Receiver two may never take the port receiver one's frame shows selected.
bool receiver2PortRefused(int port, int receiver1Selected);

// What the window holds back until it closes.
struct Pending
{
    int Receiver1Port = 0;
    int BaudChoice = 0;
    int ActivityLogOn = 0;
    int EbNoRate = 0;
};

// The window's state at closing that the file takes from its controls.
struct ClosingState
{
    int saveLogsRow = -1;
    bool fourKSelected = false;
};

// The settings after closing: the pending values and the closing choices on
// top of what changed at once while the window was open.
void applyClosing(StationSettings &settings, const Pending &pending, const ClosingState &state);

} // namespace SetupChoices
