#include "remotestatussettings.h"

#include "platform/filewrite.h"

#include <QFileInfo>
#include <QHash>

#include <arpa/inet.h>

namespace {

std::optional<quint16> portNumber(QStringView text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    // Digits only: toUInt takes a leading "+" or spaces.
    if (!ok || port > 65535 || text.isEmpty() || !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
        return std::nullopt;
    return quint16(port);
}

} // namespace

std::optional<QString> numericAddress(const QString &text)
{
    const QByteArray bytes = text.trimmed().toLatin1();
    unsigned char buffer[16];
    if (bytes.isEmpty() || (::inet_pton(AF_INET, bytes.constData(), buffer) != 1
                            && ::inet_pton(AF_INET6, bytes.constData(), buffer) != 1))
        return std::nullopt;
    return QString::fromLatin1(bytes);
}

QString ListenAddress::text() const
{
    return (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host) + QLatin1Char(':')
        + QString::number(port);
}

bool ListenAddress::loopback() const
{
    unsigned char a[16];
    const QByteArray bytes = host.toLatin1();
    if (::inet_pton(AF_INET, bytes.constData(), a) == 1)
        return a[0] == 127;
    static const unsigned char kLoopback6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return ::inet_pton(AF_INET6, bytes.constData(), a) == 1 && std::equal(a, a + 16, kLoopback6);
}

std::optional<ListenAddress> parseListenAddress(const QString &text)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    QString host = text.left(colon);
    const bool bracketed = host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'));
    if (bracketed)
        host = host.mid(1, host.size() - 2);
    // An IPv6 address needs its brackets, or its last group would be the port.
    if (host.contains(QLatin1Char(':')) != bracketed || host != host.trimmed())
        return std::nullopt;
    const std::optional<QString> address = numericAddress(host);
    const std::optional<quint16> port = portNumber(QStringView(text).mid(colon + 1));
    if (!address || !port)
        return std::nullopt;
    return ListenAddress{*address, *port};
}

namespace RemoteStatusFile {

QByteArray bytes(const RemoteStatusSettings &s)
{
    return "enabled=" + QByteArray(s.enabled ? "1" : "0") + "\naddress=" + s.address.toLatin1()
        + "\nport=" + QByteArray::number(s.port) + '\n';
}

std::optional<RemoteStatusSettings> parse(const QByteArray &bytes)
{
    QHash<QByteArray, QByteArray> values;
    for (const QByteArray &line : bytes.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            values.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    RemoteStatusSettings s;
    const QByteArray enabled = values.value("enabled");
    const std::optional<QString> address = numericAddress(QString::fromLatin1(values.value("address")));
    const std::optional<quint16> port = portNumber(QString::fromLatin1(values.value("port")));
    if ((enabled != "0" && enabled != "1") || !address || !port || *port == 0)
        return std::nullopt;
    s.enabled = enabled == "1";
    s.address = *address;
    s.port = *port;
    return s;
}

bool read(const QString &path, RemoteStatusSettings &settings, QString *error)
{
    settings = RemoteStatusSettings();
    if (!QFileInfo::exists(path))
        return true;
    QByteArray bytes;
    if (!FileRead::whole(path, bytes, error))
        return false;
    const std::optional<RemoteStatusSettings> parsed = parse(bytes);
    if (!parsed) {
        if (error)
            *error = QStringLiteral("%1 is damaged: it needs the lines enabled=0 or 1, address= an IP address and "
                                    "port= 1 to 65535")
                         .arg(path);
        return false;
    }
    settings = *parsed;
    return true;
}

bool write(const QString &path, const RemoteStatusSettings &settings, QString *error)
{
    return FileWrite::replace(path, bytes(settings), error);
}

} // namespace RemoteStatusFile
