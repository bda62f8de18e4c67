#pragma once

// HttpTransport through WinHTTP (Windows XP SP1 and later): the system's TLS,
// certificate checks and proxy settings.

#include "musicbrainz/http_transport.h"

namespace rubo {

// Why a secure connection failed, as HttpResponse::errorText says it.
constexpr const char kTlsUntrustedText[] =
    "The server's certificate is not issued by a trusted authority.";
constexpr const char kTlsNameText[] = "The server's certificate is for another name.";
constexpr const char kTlsDateText[] = "The server's certificate has expired or is not yet valid.";
constexpr const char kTlsRevokedText[] = "The server's certificate has been revoked.";
constexpr const char kTlsRevocationText[] =
    "The server's certificate could not be checked for revocation.";
constexpr const char kTlsUsageText[] = "The server's certificate is not meant for a web server.";
constexpr const char kTlsInvalidText[] = "The server's certificate is not valid.";
constexpr const char kTlsHandshakeText[] =
    "This Windows cannot reach the server securely: its TLS is too old (Windows XP, or "
    "Windows 7 without the TLS 1.2 update).";
// The other failures; %lu is the system's error code.
constexpr const char kHttpBadUrlText[] = "The server address must begin with http:// or https://.";
constexpr const char kHttpTimeoutText[] = "The server did not answer in time.";
constexpr const char kHttpTooLargeText[] = "The server's answer is too large.";
constexpr const char kHttpConnectFormat[] = "Unable to reach the server (error %lu).";
constexpr const char kHttpProtocolFormat[] = "The server's answer is not valid (error %lu).";
constexpr const char kHttpUnavailableFormat[] = "WinHTTP cannot be used (error %lu).";

class WinHttpTransport : public HttpTransport {
public:
    HttpResponse get(const HttpRequest& request) override;
};

} // namespace rubo
