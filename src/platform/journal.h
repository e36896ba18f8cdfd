#pragma once

#include <QString>

#include <functional>

// The system journal (systemd's): every message of the error window goes
// there at priority "err" and every activity-log line at "info", with the
// receiver as the field KESTRELPOINT_RECEIVER where there is one, so that
// `journalctl --user -u kestrelpoint -p err` lists every failure.
//
// Nothing is sent until the program turns the journal on; tests leave it off
// or put a sink of their own in its place.
namespace Journal {

enum Priority { Err = 3, Info = 6 };

using Sink = std::function<void(Priority priority, const QString &message, int receiver)>;

// The program's start: messages go to the journal (sd_journal_send).
void useSystemJournal();
// A sink of a test's own; a null sink turns sending off again.
void setSink(Sink sink);
// receiver 0: a message that concerns no receiver.
void send(Priority priority, const QString &message, int receiver = 0);

// Standard error is a stream into the journal (the service's): what the
// program writes there already reaches the journal, at priority "info".
bool standardErrorIsJournal();

} // namespace Journal
