#pragma once

#include <QByteArray>
#include <QString>

class Clock;
class SerialChannel;

// The receiver status window's two conversations. The carrier status is a
// long answer with prompts inside it, so its end is looked for only from
// character 700 on; a refresh applies that rule to every query, which lets a
// short answer run to the time limit.
namespace Status {

inline const QString kCarrierQuery = QStringLiteral("RT C");
inline const QString kMpegQuery = QStringLiteral("R M");

// Where the load looks for the closing prompt: 700 for the carrier status,
// anywhere for the others.
int loadPromptFrom(const QString &query);

// Opens `port`, asks `query`, collects with limit A and closes the port.
// False with the port's number, one space and its text in `failure` when the
// port cannot be opened or written; the port is closed either way.
bool load(SerialChannel &channel, const Clock &clock, int port, const QString &settings, const QString &query,
          QByteArray &answer, QString *failure);

// Opens the port again, asks `query`, takes limit A's mark, empties the
// answer and collects until a prompt at 700 or later or the limit; closes
// the port. False as load.
bool refresh(SerialChannel &channel, const Clock &clock, int port, const QString &settings, const QString &query,
             QByteArray &answer, QString *failure);

}
