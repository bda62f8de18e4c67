// WinHttpTransport against the local MusicBrainz stand-ins that
// scripts/with-musicbrainz-server starts (skipped without them).

#include "musicbrainz/winhttp_transport_win32.h"

#include "base/unique_handle_win32.h"
#include "support/test_support.h"

#include <doctest.h>
#include <wincrypt.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

using namespace rubo;
using rubo::test::environmentText;

namespace {

constexpr const char kKnownDisc[] = "49HHV7Eb8UKF3aQiNmu1GR8vKTY-";
constexpr const char kUserAgent[] = "RUBO/1.20 ( support@rubo-player.example.org )";
constexpr const char kAccept[] = "application/json";

// A path of the build machine as this program sees it.
std::string hostPath(const std::string& path) {
    return "Z:" + path;
}

std::string lookupUrl(const std::string& server) {
    return server + "/ws/2/discid/" + kKnownDisc + "?inc=artist-credits+recordings&fmt=json";
}

std::string knownAnswer() {
    return test::readBytes(std::string(RUBO_SOURCE_DIR) + "/tools/musicbrainz-server/data/" +
                           kKnownDisc + ".json");
}

HttpRequest requestFor(const std::string& url) {
    HttpRequest request;
    request.url = url;
    request.userAgent = kUserAgent;
    request.accept = kAccept;
    request.connectTimeoutMs = 10000;
    request.receiveTimeoutMs = 10000;
    request.maxBodyBytes = 1 << 20;
    return request;
}

void closeStore(HCERTSTORE store) {
    CertCloseStore(store, 0);
}
using UniqueCertStore = UniqueResource<HCERTSTORE, &closeStore>;
using UniqueCertificate = UniqueResource<PCCERT_CONTEXT, &CertFreeCertificateContext>;

// The test authority among the trusted roots while the object lives: in
// the local machine's ROOT store, which Wine keeps in the registry. Its chain
// engine reads a copy of its own from there, so each change is committed at
// once (an uncommitted one reaches the registry only when the store closes).
// On Windows this needs an administrator; these tests are for Wine.
class TrustedAuthority {
public:
    explicit TrustedAuthority(const std::string& pemFile) {
        const std::string pem = test::readBytes(hostPath(pemFile));
        DWORD size = 0;
        REQUIRE(CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                                     CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr));
        std::vector<BYTE> der(size);
        REQUIRE(CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                                     CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                                     nullptr));
        store_.reset(
            CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT"));
        REQUIRE(store_);
        REQUIRE(CertAddEncodedCertificateToStore(store_.get(), X509_ASN_ENCODING, der.data(), size,
                                                 CERT_STORE_ADD_REPLACE_EXISTING,
                                                 certificate_.put()));
        REQUIRE(CertControlStore(store_.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr));
    }
    ~TrustedAuthority() {
        if (certificate_ && CertDeleteCertificateFromStore(certificate_.release()))
            CertControlStore(store_.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
    }
    TrustedAuthority(const TrustedAuthority&) = delete;
    TrustedAuthority& operator=(const TrustedAuthority&) = delete;

private:
    UniqueCertStore store_;
    UniqueCertificate certificate_;
};

struct StandIns {
    std::string server;    // https, trusted through `authority`
    std::string untrusted; // https, certificate of another authority
    std::string http;
    std::string authority;
    std::string requestLog;
};

bool standIns(StandIns& s) {
    s.server = environmentText("RUBO_MUSICBRAINZ_SERVER");
    s.untrusted = environmentText("RUBO_MUSICBRAINZ_UNTRUSTED");
    s.http = environmentText("RUBO_MUSICBRAINZ_HTTP");
    s.authority = environmentText("RUBO_MUSICBRAINZ_CA");
    s.requestLog = environmentText("RUBO_MUSICBRAINZ_REQUESTS");
    return !s.server.empty() && !s.untrusted.empty() && !s.http.empty() && !s.authority.empty();
}

#define REQUIRE_STAND_INS(s)                                                                       \
    StandIns s;                                                                                    \
    if (!standIns(s)) {                                                                            \
        MESSAGE("skipped: no MusicBrainz stand-in (run through scripts/with-musicbrainz-server)"); \
        return;                                                                                    \
    }

// Sets the trusted stand-in's fault switches; all off again at the end.
class FaultSwitch {
public:
    FaultSwitch(const std::string& server, const std::string& settings) : server_(server) {
        REQUIRE(set(settings) == 200);
    }
    ~FaultSwitch() { set("busy_once=0&silent=0"); }
    FaultSwitch(const FaultSwitch&) = delete;
    FaultSwitch& operator=(const FaultSwitch&) = delete;

private:
    int set(const std::string& settings) {
        return WinHttpTransport().get(requestFor(server_ + "/control?" + settings)).status;
    }
    std::string server_;
};

} // namespace

TEST_CASE("winhttp: an https lookup through a trusted authority gives status and body") {
    REQUIRE_STAND_INS(s);
    TrustedAuthority trust(s.authority);
    const HttpResponse response = WinHttpTransport().get(requestFor(lookupUrl(s.server)));
    CHECK(response.errorText == "");
    REQUIRE(response.error == HttpError::None);
    CHECK(response.status == 200);
    CHECK(response.body == knownAnswer());
    // The stand-in saw the request's own path and headers.
    const std::string log = test::readBytes(hostPath(s.requestLog));
    const std::string line = log.substr(log.rfind("{\"method\""));
    CHECK(line.find(std::string("\"/ws/2/discid/") + kKnownDisc + "\"") != std::string::npos);
    CHECK(line.find(std::string("\"user_agent\": \"") + kUserAgent + "\"") != std::string::npos);
    CHECK(line.find(std::string("\"accept\": \"") + kAccept + "\"") != std::string::npos);
}

TEST_CASE("winhttp: a certificate of an authority nobody trusts fails with its reason") {
    REQUIRE_STAND_INS(s);
    TrustedAuthority trust(s.authority);
    const HttpResponse response = WinHttpTransport().get(requestFor(lookupUrl(s.untrusted)));
    CHECK(response.error == HttpError::Tls);
    CHECK(response.errorText == kTlsUntrustedText);
    CHECK(response.status == 0);
    CHECK(response.body.empty());
}

TEST_CASE("winhttp: a 503 is reported with its Retry-After, and the next request succeeds") {
    REQUIRE_STAND_INS(s);
    TrustedAuthority trust(s.authority);
    FaultSwitch busy(s.server, "busy_once=1&retry_after=3");
    WinHttpTransport transport;
    const HttpResponse first = transport.get(requestFor(lookupUrl(s.server)));
    CHECK(first.error == HttpError::None);
    CHECK(first.status == 503);
    CHECK(first.retryAfter == "3");
    const HttpResponse second = transport.get(requestFor(lookupUrl(s.server)));
    CHECK(second.status == 200);
    CHECK(second.retryAfter == "");
}

TEST_CASE("winhttp: a server that never answers ends in a time-out of the set length") {
    REQUIRE_STAND_INS(s);
    TrustedAuthority trust(s.authority);
    FaultSwitch silent(s.server, "silent=1");
    HttpRequest request = requestFor(lookupUrl(s.server));
    request.receiveTimeoutMs = 1500;
    const auto start = std::chrono::steady_clock::now();
    const HttpResponse response = WinHttpTransport().get(request);
    const auto took = std::chrono::steady_clock::now() - start;
    CHECK(response.error == HttpError::Timeout);
    CHECK(response.errorText == kHttpTimeoutText);
    // WinHTTP's own receive time-out is 30 s.
    CHECK(took < std::chrono::seconds(15));
}

TEST_CASE("winhttp: a body over the limit is TooLarge and kept nowhere; one at it is whole") {
    REQUIRE_STAND_INS(s);
    const std::size_t size = knownAnswer().size();
    REQUIRE(size > 0);
    HttpRequest request = requestFor(lookupUrl(s.http));
    request.maxBodyBytes = size - 1;
    const HttpResponse over = WinHttpTransport().get(request);
    CHECK(over.error == HttpError::TooLarge);
    CHECK(over.errorText == kHttpTooLargeText);
    CHECK(over.body.empty());
    request.maxBodyBytes = size;
    CHECK(WinHttpTransport().get(request).body.size() == size);
}

TEST_CASE("winhttp: a named proxy carries the request; other schemes are refused") {
    REQUIRE_STAND_INS(s);
    // The host does not exist: only the proxy (the http stand-in) can answer.
    HttpRequest request = requestFor(lookupUrl("http://musicbrainz.invalid"));
    const std::string port = s.http.substr(s.http.rfind(':') + 1);
    request.proxyHost = "127.0.0.1";
    request.proxyPort = std::stoi(port);
    const HttpResponse viaProxy = WinHttpTransport().get(request);
    CHECK(viaProxy.errorText == "");
    CHECK(viaProxy.status == 200);
    request.url = "ftp://127.0.0.1:" + port + "/ws/2/discid/" + kKnownDisc;
    const HttpResponse ftp = WinHttpTransport().get(request);
    CHECK(ftp.error == HttpError::BadUrl);
    CHECK(ftp.errorText == kHttpBadUrlText);
}
