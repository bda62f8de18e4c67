#pragma once

// A thin layer over the stream-socket calls the freedb transport needs:
// Winsock 1.1 on Windows, BSD sockets natively. Error numbers are always
// the Winsock ones.

#include <cstdint>
#include <string>

namespace rubo::net {

using SocketHandle = std::intptr_t;
constexpr SocketHandle kInvalidSocket = -1;
constexpr int kSocketError = -1;

// Winsock error numbers used by the client.
constexpr int kErrorInvalidArgument = 10022;   // WSAEINVAL: name not resolved
constexpr int kErrorProtocol = 10043;          // WSAEPROTONOSUPPORT: unusable answer
constexpr int kErrorNetUnreachable = 10051;    // WSAENETUNREACH
constexpr int kErrorConnectionReset = 10054;   // WSAECONNRESET
constexpr int kErrorTimedOut = 10060;          // WSAETIMEDOUT
constexpr int kErrorConnectionRefused = 10061; // WSAECONNREFUSED
constexpr int kErrorHostUnreachable = 10065;   // WSAEHOSTUNREACH
constexpr int kErrorHostNotFound = 11001;      // WSAHOST_NOT_FOUND

// Starts the socket layer (version 1.1); false when it cannot be started.
bool startup();
void cleanup();

// The calling thread's last error.
int lastError();
void setLastError(int code);
// The system's message for an error number; empty when it has none. The
// last error is left as it was.
std::string systemMessage(int code);

// A dotted address or a host name as an IPv4 address in network byte
// order. False when it cannot be resolved.
bool resolveHost(const std::string& host, std::uint32_t& address);
// The computer's host name; empty on failure.
std::string localHostName();

SocketHandle openStreamSocket();
bool connectTo(SocketHandle socket, std::uint32_t address, int port);
// Bytes sent, or kSocketError.
int sendBytes(SocketHandle socket, const char* data, int length);
// 1 readable, 0 not within the time-out, kSocketError on failure.
int pollReadable(SocketHandle socket, int timeoutMs);
// Bytes received (0 when the peer closed), or kSocketError.
int receiveBytes(SocketHandle socket, char* data, int length);
void closeSocket(SocketHandle socket);

// A listening socket on 127.0.0.1 with a free port (for local servers).
SocketHandle listenLoopback(int& port);
SocketHandle acceptConnection(SocketHandle listener);

// Owns one socket; closing keeps the thread's last error.
class Socket {
public:
    Socket() = default;
    explicit Socket(SocketHandle handle) : handle_(handle) {}
    ~Socket() { reset(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    Socket(Socket&& other) noexcept : handle_(other.release()) {}
    Socket& operator=(Socket&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    SocketHandle get() const { return handle_; }
    bool valid() const { return handle_ != kInvalidSocket; }
    SocketHandle release() {
        SocketHandle h = handle_;
        handle_ = kInvalidSocket;
        return h;
    }
    void reset(SocketHandle handle = kInvalidSocket) {
        if (handle_ != kInvalidSocket) {
            int saved = lastError();
            closeSocket(handle_);
            setLastError(saved);
        }
        handle_ = handle;
    }

private:
    SocketHandle handle_ = kInvalidSocket;
};

} // namespace rubo::net
