#include "switchcommand.h"

#include "schedule/schedulerecord.h"

QString RouteLetter(const QString &satRoute)
{
    if (satRoute == QLatin1String("0"))
        return QStringLiteral("1");
    if (satRoute == QLatin1String("1"))
        return QStringLiteral("2");
    if (satRoute == QLatin1String("2"))
        return QStringLiteral("S");
    if (satRoute == QLatin1String("3"))
        return QStringLiteral("R");
    return {};
}

std::optional<QString> SetAudioCommand(const QString &receiverModel, const QString &satPort, const QString &satRoute,
                                       const QString &satLang, const QString &satAtt)
{
    const QString tail = RouteLetter(satRoute) + QLatin1Char(' ') + fixedWidth(satLang, 3) + QLatin1Char(' ') +
                         fixedWidth(satAtt, 2) + QLatin1Char(' ');
    if (receiverModel == QLatin1String("0"))
        return QStringLiteral("SETAUDIO ") + fixedWidth(satPort, 1) + QLatin1Char(' ') + tail;
    if (receiverModel == QLatin1String("1"))
        return QStringLiteral("SETAUDIO ") + tail;
    return std::nullopt;
}

QString switchActivityText(int receiver, int twoReceivers, const QString &pgmName, const QString &sendText)
{
    QString label = QStringLiteral(" ");
    if (receiver == 2)
        label = QStringLiteral("Receiver 2 ");
    else if (twoReceivers == 1)
        label = QStringLiteral("Receiver 1 ");
    return fixedWidth(pgmName, 25) + label + sendText;
}
