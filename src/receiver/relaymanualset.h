#pragma once

#include <QString>
#include <QStringList>

// The lines a manual switch sends: the "SETAUDIO " command in the schedule's
// own grammar, then, on a 4K receiver, the extended relays that go with the
// audio port chosen. Model "1" (500) has no audio port field, so it gets
// neither the port nor the relays; any other model is driven as a 4K.
// `routeIndex` is the route's place in Left, Right, Stereo, Reverse.
QStringList ManualSetCommands(const QString &receiverModel, int audioPort, int routeIndex, const QString &sourceCode,
                              const QString &attenuation);

// The extended relays opened after a manual switch to audio port 1 to 6.
QStringList ExtendedRelaysForAudioPort(int audioPort);
