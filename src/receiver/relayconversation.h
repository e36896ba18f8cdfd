#pragma once

#include <QByteArray>
#include <QString>

class Clock;
class SerialChannel;

// The relay window's side of the receiver: which command each of its 28
// buttons sends, and its two conversations. Every button sends its relay
// command and then asks for the relay status again, so the answer starts
// with the prompt that acknowledges the relay command; that prompt is
// dropped so the window shows the status alone.
namespace Relay {

// The two layouts of the window, fixed by its query when it opens.
enum class Mode { Relays, ExtendedRelays };

inline const QString kRelayQuery = QStringLiteral("R R");
inline const QString kExtendedRelayQuery = QStringLiteral("R ER");
inline constexpr int kButtonCount = 28;

// "R R" gives the two relays; any other query the fourteen extended relays.
Mode modeFor(const QString &query);
// How many buttons, from index 0, the mode shows: 4 or 28.
int visibleButtons(Mode mode);
// The command of button `index` ("RE O 1", "ER E 14"); empty for a button the
// mode does not show.
QString buttonCommand(Mode mode, int index);

// When the first ">" stands in one of the first four characters, removes
// everything up to and including it.
void removeLeadingPrompt(QByteArray &answer);

// Where the window's conversations go: the port and line settings are taken
// when the window opens and kept for its buttons.
struct Line
{
    int port = 0;
    QString settings;
};

// The window's first conversation: opens the port, asks `query` and collects
// the answer until a prompt or limit B, then closes the port. False with the
// port's number and text in `failure` when the port cannot be opened or
// written; the port is closed either way.
bool loadStatus(SerialChannel &channel, const Clock &clock, const Line &line, const QString &query,
                QByteArray &answer, QString *failure);

// A button: opens the port when it is closed, writes `command` and then
// `query`, lets the relay act (limit C's pure wait, nothing read), then reads
// until the status's prompt or the end of limit C, dropping the relay
// command's own prompt; closes the port. False as loadStatus.
bool pressButton(SerialChannel &channel, Clock &clock, const Line &line, const QString &command, const QString &query,
                 QByteArray &answer, QString *failure);

}
