#pragma once

#include <QByteArray>

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
// A socket connected to the port on 127.0.0.1 (-1 when refused), with the
// request sent.
int sendToLoopback(quint16 port, const QByteArray &request);
// What comes on the socket until it is closed (true) or the time is up.
bool readToEnd(int fd, QByteArray &bytes, int timeoutMs);
// A loopback port nobody listens on now (taken and given back), for a
// server that takes only a fixed port.
quint16 freeLoopbackPort();
