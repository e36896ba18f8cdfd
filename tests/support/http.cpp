#include "http.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
sockaddr_in loopback(quint16 port)
{
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}
} // namespace

quint16 freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = loopback(0);
    socklen_t length = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr *>(&a), length);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

QByteArray httpRequest(const QByteArray &method, const QByteArray &path)
{
    return method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
}

int sendToLoopback(quint16 port, const QByteArray &request)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopback(port);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    // The server may answer and close before all of a long request is
    // written; what it wrote back still counts.
    for (qsizetype done = 0; done < request.size();) {
        const ssize_t n = ::send(fd, request.constData() + done, size_t(request.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            break;
        done += n;
    }
    return fd;
}

bool readToEnd(int fd, QByteArray &bytes, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    pollfd p = {fd, POLLIN, 0};
    while (::poll(&p, 1, int(std::max<qint64>(0, timeoutMs - waited.elapsed()))) == 1) {
        char buffer[65536];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return true;
        bytes.append(buffer, n);
    }
    return false;
}

HttpAnswer httpExchange(quint16 port, const QByteArray &request, int timeoutMs)
{
    HttpAnswer answer;
    const int fd = sendToLoopback(port, request);
    if (fd < 0)
        return answer;
    QByteArray bytes;
    answer.closed = readToEnd(fd, bytes, timeoutMs);
    ::close(fd);
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    answer.head = end < 0 ? bytes : bytes.left(end);
    answer.body = end < 0 ? QByteArray() : bytes.mid(end + 4);
    if (answer.head.startsWith("HTTP/1."))
        answer.status = answer.head.mid(9, 3).toInt();
    return answer;
}
