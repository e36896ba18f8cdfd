#include "relaymanualset.h"

#include "switchcommand.h"

QStringList ExtendedRelaysForAudioPort(int audioPort)
{
    switch (audioPort) {
    case 1:
        return {QStringLiteral("ER D 11"), QStringLiteral("ER D 14")};
    case 2:
        return {QStringLiteral("ER D 4"), QStringLiteral("ER D 7")};
    case 3:
        return {QStringLiteral("ER D 1")};
    case 4:
        return {QStringLiteral("ER D 8")};
    default:
        return {};
    }
}

QStringList ManualSetCommands(const QString &receiverModel, int audioPort, int routeIndex, const QString &sourceCode,
                              const QString &attenuation)
{
    const bool model500 = receiverModel == QLatin1String("1");
    const QString model = model500 ? QStringLiteral("1") : QStringLiteral("0");
    const std::optional<QString> command =
        SetAudioCommand(model, QString::number(audioPort), QString::number(routeIndex), sourceCode, attenuation);
    QStringList lines{command.value_or(QString())};
    if (!model500)
        lines += ExtendedRelaysForAudioPort(audioPort);
    return lines;
}
