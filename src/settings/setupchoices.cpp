#include "setupchoices.h"

namespace {
const QStringList &keepLetters()
{
    static const QStringList letters = {QStringLiteral("d"), QStringLiteral("w"), QStringLiteral("m"),
                                        QStringLiteral("y")};
    return letters;
}
} // namespace

const QStringList &SetupChoices::EbNoRateItems()
{
    static const QStringList items = {QStringLiteral("Do Not Log"), QStringLiteral("1 per hour"),
                                      QStringLiteral("2 per hour"), QStringLiteral("3 per hour"),
                                      QStringLiteral("4 per hour"), QStringLiteral("1 per minute")};
    return items;
}

const QStringList &SetupChoices::SaveLogsItems()
{
    static const QStringList items = {QStringLiteral("1 Day"), QStringLiteral("1 Week"), QStringLiteral("1 Month"),
                                      QStringLiteral("1 Year")};
    return items;
}

int SetupChoices::ebNoRateRow(int EbNoRate)
{
    return EbNoRate >= 0 && EbNoRate < EbNoRateItems().size() ? EbNoRate : -1;
}

bool SetupChoices::ebNoKeepingShown(int rateRow)
{
    return rateRow >= 1;
}

int SetupChoices::saveLogsRow(const QString &EbNoKeep)
{
    return int(keepLetters().indexOf(EbNoKeep));
}

QString SetupChoices::ebNoKeepForRow(int row, const QString &current)
{
    return row >= 0 && row < keepLetters().size() ? keepLetters().at(row) : current;
}

int SetupChoices::baudOption(int BaudChoice)
{
    return BaudChoice == 1 || BaudChoice == 2 ? BaudChoice : 0;
}

int SetupChoices::portOption(int port)
{
    return port >= 1 && port <= 4 ? port : 0;
}

int SetupChoices::modelOption(const QString &ReceiverModel)
{
    if (ReceiverModel == QLatin1String("0"))
        return 0;
    if (ReceiverModel == QLatin1String("1"))
        return 1;
    return -1;
}

QString SetupChoices::receiverModelFor(bool fourKSelected)
{
    return fourKSelected ? QStringLiteral("0") : QStringLiteral("1");
}

bool SetupChoices::receiver1PortRefused(int port, int receiver2Selected, int TwoReceivers)
{
    return TwoReceivers == 1 && port != 0 && port == receiver2Selected;
}

bool SetupChoices::receiver2PortRefused(int port, int receiver1Selected)
{
    return port != 0 && port == receiver1Selected;
}

void SetupChoices::applyClosing(StationSettings &settings, const Pending &pending, const ClosingState &state)
{
    settings.Receiver1Port = pending.Receiver1Port;
    settings.BaudChoice = pending.BaudChoice;
    settings.ActivityLogOn = pending.ActivityLogOn;
    settings.EbNoRate = pending.EbNoRate;
    settings.EbNoKeep = ebNoKeepForRow(state.saveLogsRow, settings.EbNoKeep);
    settings.ReceiverModel = receiverModelFor(state.fourKSelected);
}
