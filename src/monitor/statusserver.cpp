#include "statusserver.h"

#include "monitor/exposition.h"
#include "monitor/statuspage.h"
#include "monitor/statuspublisher.h"
#include "platform/errorreport.h"

#include <QRandomGenerator>

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

StatusReply text(int status, const QByteArray &body)
{
    return {status, "text/plain; charset=utf-8", body, {}};
}

QByteArray newNonce()
{
    quint32 words[4];
    QRandomGenerator::global()->fillRange(words);
    return QByteArray(reinterpret_cast<const char *>(words), sizeof words).toBase64();
}

MHD_Result answer(void *server, MHD_Connection *connection, const char *url, const char *method, const char *,
                  const char *, size_t *, void **state)
{
    // A GET or HEAD is answered on the library's second call, once the whole
    // request is in, so that the connection can stay open for the next one.
    // Any other request, and one that brings a body, is answered at once
    // without reading the body, and its connection is closed after it.
    static int started;
    const QByteArray verb(method);
    const char *length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    const bool body = (length && QByteArray(length).trimmed() != "0")
        || MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_TRANSFER_ENCODING);
    const bool getOrHead = verb == "GET" || verb == "HEAD";
    if (getOrHead && !body && !*state) {
        *state = &started;
        return MHD_YES;
    }
    const StatusReply reply = getOrHead && body
        ? StatusReply{400, "text/plain; charset=utf-8", "A GET or HEAD request carries no body here.\n", {}}
        : answerRequest(*static_cast<const StatusPublisher *>(server), method, url);
    MHD_Response *response = MHD_create_response_from_buffer(size_t(reply.body.size()),
                                                              const_cast<char *>(reply.body.constData()),
                                                              MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.constData());
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
    if (reply.status == MHD_HTTP_METHOD_NOT_ALLOWED)
        MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
    if (!reply.nonce.isEmpty())
        MHD_add_response_header(response, "Content-Security-Policy", statusPagePolicy(reply.nonce).constData());
    const MHD_Result queued = MHD_queue_response(connection, unsigned(reply.status), response);
    MHD_destroy_response(response);
    return queued;
}

// The listening socket is our own, so a refusal comes with its reason and a
// port the system chose can be read back.
int listeningSocket(const ListenAddress &address, quint16 *port, QString *reason)
{
    sockaddr_storage storage = {};
    socklen_t length = 0;
    const QByteArray host = address.host.toLatin1();
    const bool six = address.host.contains(QLatin1Char(':'));
    if (six) {
        auto *a = reinterpret_cast<sockaddr_in6 *>(&storage);
        a->sin6_family = AF_INET6;
        a->sin6_port = htons(address.port);
        ::inet_pton(AF_INET6, host.constData(), &a->sin6_addr);
        length = sizeof *a;
    } else {
        auto *a = reinterpret_cast<sockaddr_in *>(&storage);
        a->sin_family = AF_INET;
        a->sin_port = htons(address.port);
        ::inet_pton(AF_INET, host.constData(), &a->sin_addr);
        length = sizeof *a;
    }
    const int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    // A restart binds again at once, whatever connections of the last run
    // still wait out their close.
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0
        || (six && ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one) != 0)
        || ::bind(fd, reinterpret_cast<sockaddr *>(&storage), length) != 0 || ::listen(fd, SOMAXCONN) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&storage), &length) != 0) {
        *reason = errnoDescription(errno);
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    *port = ntohs(six ? reinterpret_cast<sockaddr_in6 *>(&storage)->sin6_port
                      : reinterpret_cast<sockaddr_in *>(&storage)->sin_port);
    return fd;
}

} // namespace

StatusReply answerRequest(const StatusPublisher &publisher, const QByteArray &method, const QByteArray &path)
{
    if (method != "GET" && method != "HEAD")
        return text(405, "Only GET and HEAD are answered here.\n");
    const StatusView view = publisher.view();
    if (!view.snapshot)
        return text(503, "Kestrelpoint is starting.\n");
    if (path == "/") {
        const QByteArray nonce = newNonce();
        return {200, "text/html; charset=utf-8", statusPage(view, nonce), nonce};
    }
    if (path == "/metrics")
        return {200, kMetricsContentType, metricsText(view, readProcessFigures()), {}};
    if (path == "/status.json")
        return {200, "application/json", statusJson(view), {}};
    if (path == "/healthz") {
        if (view.healthy())
            return text(200, "ok\n");
        return text(503, "stalled: the clock tick last ran " + QByteArray::number(view.tickAgeSeconds, 'f', 1)
                             + " s ago\n");
    }
    return text(404, "Not found. This station answers /, /metrics, /status.json and /healthz.\n");
}

bool StatusServer::start(const ListenAddress &address, QString *reason)
{
    stop();
    quint16 port = 0;
    const int fd = listeningSocket(address, &port, reason);
    if (fd < 0)
        return false;
    m_daemon = MHD_start_daemon(MHD_USE_AUTO_INTERNAL_THREAD | (address.host.contains(QLatin1Char(':')) ? MHD_USE_IPv6 : 0),
                                0, nullptr, nullptr, &answer, const_cast<StatusPublisher *>(&m_publisher),
                                MHD_OPTION_LISTEN_SOCKET, fd,
                                MHD_OPTION_CONNECTION_LIMIT, kConnectionLimit,
                                MHD_OPTION_CONNECTION_TIMEOUT, kIdleSeconds,
                                MHD_OPTION_CONNECTION_MEMORY_LIMIT, kRequestBytes,
                                MHD_OPTION_END);
    if (!m_daemon) {
        ::close(fd);
        *reason = QStringLiteral("the HTTP library could not start its thread");
        return false;
    }
    m_address = {address.host, port};
    return true;
}

void StatusServer::stop()
{
    if (m_daemon) {
        MHD_stop_daemon(m_daemon);
        m_daemon = nullptr;
    }
}
