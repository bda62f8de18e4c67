#pragma once

// One HTTP GET through the platform's own HTTP stack (TLS, certificate
// checks, proxy): the seam between the MusicBrainz client and the system.

#include <cstddef>
#include <string>

namespace rubo {

struct HttpRequest {
    std::string url; // absolute: https://host[:port]/path?query, or http://
    std::string userAgent;
    std::string accept;
    int connectTimeoutMs = 0;
    int receiveTimeoutMs = 0;
    // A longer body ends the request with HttpError::TooLarge.
    std::size_t maxBodyBytes = 0;
    // Empty: the system's proxy settings.
    std::string proxyHost;
    int proxyPort = 0;
};

enum class HttpError {
    None,
    BadUrl,      // not an http:// or https:// address
    Unavailable, // the system has no HTTP stack that can serve the request
    Connect,     // name lookup or connection failed
    Tls,         // no secure channel: the handshake or the certificate failed
    Timeout,
    TooLarge,
    Protocol, // a malformed or cut answer
};

struct HttpResponse {
    HttpError error = HttpError::None;
    // The system's own words for a failure, where it has any.
    std::string errorText;
    int status = 0;
    std::string retryAfter; // the Retry-After header as sent, or empty
    std::string body;
};

class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    // Blocks until the answer, a failure or a time-out.
    virtual HttpResponse get(const HttpRequest& request) = 0;
};

} // namespace rubo
