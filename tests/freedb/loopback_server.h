#pragma once

// A one-connection server on 127.0.0.1 for transport tests: it reads one
// request, sends scripted chunks and then waits for the client to close.

#include "freedb/socket_layer.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace rubo::test {

struct ServerChunk {
    int delayMs = 0; // pause before sending
    std::string bytes;
};

class LoopbackServer {
public:
    explicit LoopbackServer(std::vector<ServerChunk> chunks, bool closeAfterSending = false)
        : chunks_(std::move(chunks)), closeAfter_(closeAfterSending) {
        net::startup();
        listener_.reset(net::listenLoopback(port_));
        if (listener_.valid())
            thread_ = std::thread([this] { serve(); });
    }
    ~LoopbackServer() { finish(); }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool listening() const { return listener_.valid(); }
    int port() const { return port_; }
    // The request as received; waits for the server to end.
    const std::string& request() {
        finish();
        return request_;
    }

private:
    void finish() {
        if (thread_.joinable())
            thread_.join();
    }

    static bool sendAll(net::SocketHandle s, const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            int n = net::sendBytes(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent));
            if (n <= 0)
                return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Header end seen and, for a POST, Content-Length bytes after it.
    bool requestComplete() const {
        std::size_t end = request_.find("\r\n\r\n");
        if (end == std::string::npos)
            return false;
        std::size_t length = request_.find("Content-Length: ");
        if (length == std::string::npos || length > end)
            return true;
        long expected = std::strtol(request_.c_str() + length + 16, nullptr, 10);
        return request_.size() >= end + 4 + static_cast<std::size_t>(expected);
    }

    void serve() {
        if (net::pollReadable(listener_.get(), 10000) != 1)
            return;
        net::Socket client(net::acceptConnection(listener_.get()));
        if (!client.valid())
            return;
        char buffer[4096];
        while (!requestComplete()) {
            if (net::pollReadable(client.get(), 5000) != 1)
                return;
            int n = net::receiveBytes(client.get(), buffer, sizeof buffer);
            if (n <= 0)
                return;
            request_.append(buffer, static_cast<std::size_t>(n));
        }
        for (const ServerChunk& chunk : chunks_) {
            if (chunk.delayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(chunk.delayMs));
            if (!sendAll(client.get(), chunk.bytes))
                return;
        }
        if (closeAfter_)
            return;
        // Stay connected, silent, until the client closes (at most 60 s).
        for (int i = 0; i < 600; ++i) {
            int ready = net::pollReadable(client.get(), 100);
            if (ready == net::kSocketError)
                return;
            if (ready == 1 && net::receiveBytes(client.get(), buffer, sizeof buffer) <= 0)
                return;
        }
    }

    std::vector<ServerChunk> chunks_;
    bool closeAfter_;
    net::Socket listener_;
    int port_ = 0;
    std::string request_;
    std::thread thread_;
};

// An HTTP answer around a freedb body.
inline std::string httpAnswer(const std::string& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body;
}

// Line feeds of a stored capture as CR LF.
inline std::string withCrLf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

} // namespace rubo::test
