#include "http.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

quint16 freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
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

HttpAnswer httpExchange(quint16 port, const QByteArray &request, int timeoutMs)
{
    HttpAnswer answer;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return answer;
    }
    // The server may answer and close before all of a long request is
    // written; what it wrote back still counts.
    for (qsizetype done = 0; done < request.size();) {
        const ssize_t n = ::send(fd, request.constData() + done, size_t(request.size() - done), MSG_NOSIGNAL);
        if (n <= 0)
            break;
        done += n;
    }
    QByteArray bytes;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        pollfd p = {fd, POLLIN, 0};
        const qint64 left = timeoutMs - waited.elapsed();
        if (left <= 0 || ::poll(&p, 1, int(left)) <= 0)
            break;
        char buffer[65536];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            answer.closed = true;
            break;
        }
        bytes.append(buffer, n);
    }
    ::close(fd);
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    answer.head = end < 0 ? bytes : bytes.left(end);
    answer.body = end < 0 ? QByteArray() : bytes.mid(end + 4);
    if (answer.head.startsWith("HTTP/1."))
        answer.status = answer.head.mid(9, 3).toInt();
    return answer;
}
