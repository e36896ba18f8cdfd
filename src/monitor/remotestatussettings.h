#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Where the status server listens: a numeric IPv4 or IPv6 address (never a
// name to look up) and a port.
struct ListenAddress
{
    QString host;
    quint16 port = 0;

    // "127.0.0.1:7845", "[::1]:7845"
    QString text() const;
    bool loopback() const;
};

// A numeric IP address as typed ("127.0.0.1", "::1"); nothing for anything else.
std::optional<QString> numericAddress(const QString &text);
// "ADDRESS:PORT" as --status-listen takes it, an IPv6 address in brackets.
std::optional<ListenAddress> parseListenAddress(const QString &text);

// The status server's own settings, in RemoteStatus.ini in the data folder:
// off by default, and then on 127.0.0.1 only. The file holds three lines
// "enabled=0|1", "address=..." and "port=...".
struct RemoteStatusSettings
{
    static constexpr quint16 kDefaultPort = 7845;

    bool enabled = false;
    QString address = QStringLiteral("127.0.0.1");
    quint16 port = kDefaultPort;

    ListenAddress listenAddress() const { return {address, port}; }
};

namespace RemoteStatusFile {
inline const QString kName = QStringLiteral("RemoteStatus.ini");

QByteArray bytes(const RemoteStatusSettings &settings);
// Nothing when a line is missing or holds no valid value.
std::optional<RemoteStatusSettings> parse(const QByteArray &bytes);
// A missing file gives the defaults. False with a message naming the file
// when it cannot be read or is damaged; the settings are the defaults then.
bool read(const QString &path, RemoteStatusSettings &settings, QString *error);
// Replaced whole, so a power cut leaves the old settings or the new.
bool write(const QString &path, const RemoteStatusSettings &settings, QString *error);
} // namespace RemoteStatusFile
