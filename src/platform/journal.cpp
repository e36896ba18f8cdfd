#include "journal.h"

#include <QByteArray>

#include <systemd/sd-journal.h>

#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

Journal::Sink &sink()
{
    static Journal::Sink s;
    return s;
}

void sendToSystemJournal(Journal::Priority priority, const QString &message, int receiver)
{
    // sd_journal_sendv takes the fields as they are: a message holding "%" or
    // a line break needs no escaping.
    const QByteArray fields[] = {
        "MESSAGE=" + message.toUtf8(),
        "PRIORITY=" + QByteArray::number(int(priority)),
        "SYSLOG_IDENTIFIER=kestrelpoint",
        "KESTRELPOINT_RECEIVER=" + QByteArray::number(receiver),
    };
    iovec parts[4];
    const int count = receiver > 0 ? 4 : 3;
    for (int i = 0; i < count; ++i)
        parts[i] = {const_cast<char *>(fields[i].constData()), size_t(fields[i].size())};
    // Without a journal (no systemd) the message is dropped; the error window
    // and the logs still have it.
    sd_journal_sendv(parts, count);
}

} // namespace

namespace Journal {

void useSystemJournal()
{
    sink() = sendToSystemJournal;
}

void setSink(Sink s)
{
    sink() = std::move(s);
}

void send(Priority priority, const QString &message, int receiver)
{
    if (sink())
        sink()(priority, message, receiver);
}

// systemd sets JOURNAL_STREAM to the device and inode of the stream it
// connects standard output or error to; the stream is ours when they match.
bool standardErrorIsJournal()
{
    const char *stream = std::getenv("JOURNAL_STREAM");
    struct stat st = {};
    if (!stream || ::fstat(STDERR_FILENO, &st) != 0)
        return false;
    uintmax_t device = 0, inode = 0;
    return std::sscanf(stream, "%" SCNuMAX ":%" SCNuMAX, &device, &inode) == 2 && device == uintmax_t(st.st_dev)
        && inode == uintmax_t(st.st_ino);
}

} // namespace Journal
