#pragma once

#include <QString>

#include <optional>

// The letter a "SETAUDIO " command carries for a route: Left "1", Right "2",
// Stereo "S", Rev Stereo "R"; empty for anything else.
QString RouteLetter(const QString &satRoute);

// The "SETAUDIO " command text (without its carriage return).
// Model "0" (4K): "SETAUDIO " port, space, route letter, space, source code
// in 3, space, attenuation left-aligned in 2, space: "SETAUDIO 2 S ENG 7  ".
// Model "1" (500): the same without the port and its space.
// Nothing for any other model: the command cannot be built.
std::optional<QString> SetAudioCommand(const QString &receiverModel, const QString &satPort, const QString &satRoute,
                                       const QString &satLang, const QString &satAtt);

// The activity-log text of a switch: the 25-character program name, then
// one space (receiver 1 of one) or "Receiver 1 " / "Receiver 2 ", then the
// command, so the receiver label always starts at the 26th character.
QString switchActivityText(int receiver, int twoReceivers, const QString &pgmName, const QString &sendText);
