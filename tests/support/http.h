#pragma once

#include <QByteArray>
#include <QList>

// A client on loopback that writes raw bytes and reads whatever comes back
// until the server closes the connection or the time is up: an HTTP request
// as a browser, Prometheus or a misbehaving client sends it.
struct HttpAnswer
{
    int status = 0;      // 0: no status line came
    QByteArray head;     // the status line and headers
    QByteArray body;
    bool closed = false; // the server closed the connection in time
};
HttpAnswer httpExchange(quint16 port, const QByteArray &request, int timeoutMs = 5000);
// "GET /path HTTP/1.1" with Host and "Connection: close".
QByteArray httpRequest(const QByteArray &method, const QByteArray &path);
// A loopback port nobody listens on now (taken and given back), for a
// server that takes only a fixed port.
quint16 freeLoopbackPort();
