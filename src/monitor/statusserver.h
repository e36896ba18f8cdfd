#pragma once

#include "monitor/remotestatussettings.h"

#include <QByteArray>
#include <QString>

struct MHD_Daemon;
class StatusPublisher;

// What the server answers a request: its status, type and body.
struct StatusReply
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QByteArray nonce; // the page's, for its Content-Security-Policy
};

// GET or HEAD of "/", "/metrics", "/status.json" or "/healthz"; anything else
// is 404, any other method 405. Nothing a request names is read from disk:
// every answer is made from the latest snapshot.
StatusReply answerRequest(const StatusPublisher &publisher, const QByteArray &method, const QByteArray &path);

// The HTTP server (libmicrohttpd) on a thread of its own, read-only. It never
// touches the station: it answers from the snapshot the clock tick
// publishes, so it answers while the user-interface thread stands still in a
// receiver conversation. At most 64 connections at a time, each closed after
// 10 s without a request and held to 32 kB for its request line and headers
// (a longer one is answered 414 or 431 and closed).
class StatusServer
{
public:
    static constexpr unsigned kConnectionLimit = 64;
    static constexpr unsigned kIdleSeconds = 10;
    static constexpr size_t kRequestBytes = 32 * 1024;

    explicit StatusServer(const StatusPublisher &publisher) : m_publisher(publisher) {}
    ~StatusServer() { stop(); }
    StatusServer(const StatusServer &) = delete;
    StatusServer &operator=(const StatusServer &) = delete;

    // Listens on the address; port 0 takes one the system chooses. False with
    // the system's reason ("Address already in use").
    bool start(const ListenAddress &address, QString *reason);
    void stop();
    bool running() const { return m_daemon != nullptr; }
    // Where it listens, with the port it got.
    ListenAddress address() const { return m_address; }

private:
    const StatusPublisher &m_publisher;
    MHD_Daemon *m_daemon = nullptr;
    ListenAddress m_address;
};
