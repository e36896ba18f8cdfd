#pragma once

#include <QString>

class QWidget;
class Station;

// What the "Recei&ver Status" menu entries do. `commandText` is the entry's
// query: "RT C", "R M", "R R", "R ER", "R SP" or "R S". The entry sets the
// station's CommandText; with one receiver it opens the relay window ("R R",
// "R ER") or the status window (the others) on receiver 1's port, with two
// it opens the receiver select window, which then opens one of them. The
// carrier and extended-relay entries first close an open status window.
// A window that is already open is brought to the front unchanged.
void openReceiverStatus(Station &station, const QString &commandText, QWidget *mainWindow);
