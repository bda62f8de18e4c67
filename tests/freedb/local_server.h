#pragma once

// The local freedb server process that scripts/with-freedb-server starts:
// its address, plain requests to it and its fault switches.

#include "freedb/socket_layer.h"
#include "support/test_support.h"

#include <doctest.h>

#include <cstdlib>
#include <string>

namespace rubo::test {

struct ServerAddress {
    std::string host;
    int port = 0;
};

// The server named by an environment variable ("host:port").
inline bool localServer(ServerAddress& address, const char* variable = "RUBO_FREEDB_SERVER") {
    const std::string value = environmentText(variable);
    if (value.empty())
        return false;
    std::size_t colon = value.rfind(':');
    if (colon == std::string::npos)
        return false;
    address.host = value.substr(0, colon);
    address.port = std::atoi(value.c_str() + colon + 1);
    return address.port > 0;
}

#define REQUIRE_LOCAL_SERVER(address)                                                              \
    rubo::test::ServerAddress address;                                                             \
    if (!rubo::test::localServer(address)) {                                                       \
        MESSAGE("skipped: no local freedb server (run through scripts/with-freedb-server)");       \
        return;                                                                                    \
    }

// Sends one plain HTTP request and returns the whole answer.
inline std::string httpGet(const ServerAddress& address, const std::string& path) {
    if (!net::startup())
        return std::string();
    std::uint32_t ip = 0;
    if (!net::resolveHost(address.host, ip))
        return std::string();
    net::Socket socket(net::openStreamSocket());
    if (!socket.valid() || !net::connectTo(socket.get(), ip, address.port))
        return std::string();
    std::string request = "GET " + path + " HTTP/1.0\r\n\r\n";
    net::sendBytes(socket.get(), request.data(), static_cast<int>(request.size()));
    std::string answer;
    char chunk[4096];
    while (net::pollReadable(socket.get(), 5000) == 1) {
        int n = net::receiveBytes(socket.get(), chunk, sizeof chunk);
        if (n <= 0)
            break;
        answer.append(chunk, static_cast<std::size_t>(n));
    }
    return answer;
}

// Sets the server's fault switches for the next requests; all off again at
// the end of the scope.
class FaultSwitch {
public:
    FaultSwitch(const ServerAddress& address, const std::string& settings) : address_(address) {
        REQUIRE(httpGet(address_, "/control?" + settings).find(" 200 ") != std::string::npos);
    }
    ~FaultSwitch() {
        httpGet(address_, "/control?delay=0&silent=0&close_after_status=0&chunk_size=0&"
                          "chunk_delay=0&huge_answer=0&html_error=0&wrong_code=0&port_zero_site=0");
    }

private:
    ServerAddress address_;
};

} // namespace rubo::test
