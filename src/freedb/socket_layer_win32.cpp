#include "freedb/socket_layer.h"

#include <windows.h>
#include <winsock.h>

namespace rubo::net {

namespace {

SOCKET raw(SocketHandle socket) {
    return static_cast<SOCKET>(socket);
}

SocketHandle handleOf(SOCKET socket) {
    return socket == INVALID_SOCKET ? kInvalidSocket : static_cast<SocketHandle>(socket);
}

constexpr DWORD kMessageLanguage = 0x0800; // neutral language, system default

} // namespace

bool startup() {
    WSADATA data;
    return WSAStartup(0x0101, &data) == 0;
}

void cleanup() {
    WSACleanup();
}

int lastError() {
    return static_cast<int>(GetLastError());
}

void setLastError(int code) {
    SetLastError(static_cast<DWORD>(code));
}

std::string systemMessage(int code) {
    char* buffer = nullptr;
    DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE |
                           FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(code), kMessageLanguage,
                       reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text;
    if (length != 0 && buffer)
        text.assign(buffer, length);
    if (buffer)
        LocalFree(buffer);
    SetLastError(static_cast<DWORD>(code));
    return text;
}

bool resolveHost(const std::string& host, std::uint32_t& address) {
    unsigned long dotted = inet_addr(host.c_str());
    if (dotted != INADDR_NONE) {
        address = static_cast<std::uint32_t>(dotted);
        return true;
    }
    const hostent* entry = gethostbyname(host.c_str());
    if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list || !entry->h_addr_list[0])
        return false;
    in_addr first;
    CopyMemory(&first, entry->h_addr_list[0], sizeof first);
    address = static_cast<std::uint32_t>(first.s_addr);
    return true;
}

std::string localHostName() {
    char name[260] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return std::string();
    return name;
}

SocketHandle openStreamSocket() {
    return handleOf(::socket(AF_INET, SOCK_STREAM, 0));
}

bool connectTo(SocketHandle socket, std::uint32_t address, int port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = static_cast<unsigned long>(address);
    to.sin_port = htons(static_cast<u_short>(port));
    return ::connect(raw(socket), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
}

int sendBytes(SocketHandle socket, const char* data, int length) {
    int n = ::send(raw(socket), data, length, 0);
    return n == SOCKET_ERROR ? kSocketError : n;
}

int pollReadable(SocketHandle socket, int timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(raw(socket), &readable);
    timeval wait;
    wait.tv_sec = timeoutMs / 1000;
    wait.tv_usec = (timeoutMs % 1000) * 1000;
    int rc = ::select(0, &readable, nullptr, nullptr, &wait);
    if (rc == SOCKET_ERROR)
        return kSocketError;
    return rc > 0 ? 1 : 0;
}

int receiveBytes(SocketHandle socket, char* data, int length) {
    int n = ::recv(raw(socket), data, length, 0);
    return n == SOCKET_ERROR ? kSocketError : n;
}

void closeSocket(SocketHandle socket) {
    if (socket != kInvalidSocket)
        ::closesocket(raw(socket));
}

SocketHandle listenLoopback(int& port) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return kInvalidSocket;
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = 0;
    int size = sizeof at;
    if (::bind(s, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 || ::listen(s, 4) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
        int saved = WSAGetLastError();
        ::closesocket(s);
        WSASetLastError(saved);
        return kInvalidSocket;
    }
    port = ntohs(at.sin_port);
    return handleOf(s);
}

SocketHandle acceptConnection(SocketHandle listener) {
    return handleOf(::accept(raw(listener), nullptr, nullptr));
}

} // namespace rubo::net
