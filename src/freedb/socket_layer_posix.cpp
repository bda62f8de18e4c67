#include "freedb/socket_layer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace rubo::net {

namespace {

thread_local int threadLastError = 0;

int winsockNumber(int error) {
    switch (error) {
    case 0:
        return 0;
    case EINTR:
        return 10004;
    case EBADF:
        return 10009;
    case EACCES:
        return 10013;
    case EFAULT:
        return 10014;
    case EINVAL:
        return 10022;
    case EMFILE:
        return 10024;
    case EWOULDBLOCK:
        return 10035;
    case EINPROGRESS:
        return 10036;
    case EALREADY:
        return 10037;
    case ENOTSOCK:
        return 10038;
    case EMSGSIZE:
        return 10040;
    case EPROTONOSUPPORT:
        return 10043;
    case EAFNOSUPPORT:
        return 10047;
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return 10049;
    case ENETDOWN:
        return 10050;
    case ENETUNREACH:
        return kErrorNetUnreachable;
    case ECONNABORTED:
        return 10053;
    case ECONNRESET:
    case EPIPE:
        return kErrorConnectionReset;
    case ENOBUFS:
        return 10055;
    case ENOTCONN:
        return 10057;
    case ETIMEDOUT:
        return kErrorTimedOut;
    case ECONNREFUSED:
        return kErrorConnectionRefused;
    case EHOSTDOWN:
        return 10064;
    case EHOSTUNREACH:
        return kErrorHostUnreachable;
    default:
        return 10000 + error;
    }
}

void keepErrno() {
    threadLastError = winsockNumber(errno);
}

int fd(SocketHandle socket) {
    return static_cast<int>(socket);
}

} // namespace

bool startup() {
    return true;
}

void cleanup() {}

int lastError() {
    return threadLastError;
}

void setLastError(int code) {
    threadLastError = code;
}

std::string systemMessage(int) {
    // The Winsock numbers have no system text here.
    return std::string();
}

bool resolveHost(const std::string& host, std::uint32_t& address) {
    in_addr dotted{};
    if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
        address = dotted.s_addr;
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || !found) {
        threadLastError = rc == EAI_AGAIN ? 11002 : kErrorHostNotFound;
        return false;
    }
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

std::string localHostName() {
    char name[260] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return std::string();
    return name;
}

SocketHandle openStreamSocket() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) {
        keepErrno();
        return kInvalidSocket;
    }
    return s;
}

bool connectTo(SocketHandle socket, std::uint32_t address, int port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    int rc;
    do {
        rc = ::connect(fd(socket), reinterpret_cast<const sockaddr*>(&to), sizeof to);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        keepErrno();
        return false;
    }
    return true;
}

int sendBytes(SocketHandle socket, const char* data, int length) {
    ssize_t n;
    do {
        n = ::send(fd(socket), data, static_cast<std::size_t>(length), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        keepErrno();
        return kSocketError;
    }
    return static_cast<int>(n);
}

int pollReadable(SocketHandle socket, int timeoutMs) {
    pollfd entry{};
    entry.fd = fd(socket);
    entry.events = POLLIN;
    int rc;
    do {
        rc = ::poll(&entry, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        keepErrno();
        return kSocketError;
    }
    return rc > 0 ? 1 : 0;
}

int receiveBytes(SocketHandle socket, char* data, int length) {
    ssize_t n;
    do {
        n = ::recv(fd(socket), data, static_cast<std::size_t>(length), 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        keepErrno();
        return kSocketError;
    }
    return static_cast<int>(n);
}

void closeSocket(SocketHandle socket) {
    if (socket != kInvalidSocket)
        ::close(fd(socket));
}

SocketHandle listenLoopback(int& port) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) {
        keepErrno();
        return kInvalidSocket;
    }
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = 0;
    socklen_t size = sizeof at;
    if (::bind(s, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 || ::listen(s, 4) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
        keepErrno();
        ::close(s);
        return kInvalidSocket;
    }
    port = ntohs(at.sin_port);
    return s;
}

SocketHandle acceptConnection(SocketHandle listener) {
    int s;
    do {
        s = ::accept(fd(listener), nullptr, nullptr);
    } while (s < 0 && errno == EINTR);
    if (s < 0) {
        keepErrno();
        return kInvalidSocket;
    }
    return s;
}

} // namespace rubo::net
