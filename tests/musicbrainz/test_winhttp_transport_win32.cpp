// WinHttpTransport against the MusicBrainz stand-ins that
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

constexpr const char kDisc[] = "49HHV7Eb8UKF3aQiNmu1GR8vKTY-";
constexpr const char kUserAgent[] = "RUBO/1.20 ( support@rubo-player.example.org )";

HttpRequest lookup(const std::string& server) {
    HttpRequest request;
    request.url = server + "/ws/2/discid/" + kDisc + "?fmt=json";
    request.userAgent = kUserAgent;
    request.accept = "application/json";
    request.connectTimeoutMs = request.receiveTimeoutMs = 10000;
    request.maxBodyBytes = 1 << 20;
    return request;
}

std::string answerFile() {
    return test::readBytes(std::string(RUBO_SOURCE_DIR) + "/tools/musicbrainz-server/data/" +
                           kDisc + ".json");
}

void closeStore(HCERTSTORE store) {
    CertCloseStore(store, 0);
}

// The test authority among the trusted roots while the object lives: in
// the local machine's ROOT store, which Wine keeps in the registry. Its chain
// engine reads a copy of its own from there, so each change is committed at
// once (an uncommitted one reaches the registry only when the store closes).
// On Windows this needs an administrator; these tests are for Wine.
struct TrustedAuthority {
    TrustedAuthority() {
        const std::string pem = test::readBytes("Z:" + environmentText("RUBO_MUSICBRAINZ_CA"));
        std::vector<BYTE> der(pem.size());
        DWORD size = static_cast<DWORD>(der.size());
        REQUIRE(CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                                     CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                                     nullptr));
        store.reset(
            CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT"));
        REQUIRE(CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(), size,
                                                 CERT_STORE_ADD_REPLACE_EXISTING, added.put()));
        REQUIRE(CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr));
    }
    ~TrustedAuthority() {
        if (added && CertDeleteCertificateFromStore(added.release()))
            CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
    }
    UniqueResource<HCERTSTORE, &closeStore> store;
    UniqueResource<PCCERT_CONTEXT, &CertFreeCertificateContext> added;
};

// The trusted stand-in's fault switches, all off again at the end.
struct FaultSwitch {
    explicit FaultSwitch(const std::string& settings) { REQUIRE(set(settings) == 200); }
    ~FaultSwitch() { set("busy_once=0&silent=0"); }
    static int set(const std::string& settings) {
        HttpRequest request = lookup(environmentText("RUBO_MUSICBRAINZ_SERVER"));
        request.url = request.url.substr(0, request.url.find("/ws/")) + "/control?" + settings;
        return WinHttpTransport().get(request).status;
    }
};

#define REQUIRE_STAND_INS(server)                                                                  \
    const std::string server = environmentText("RUBO_MUSICBRAINZ_SERVER");                         \
    if (server.empty()) {                                                                          \
        MESSAGE("skipped: no MusicBrainz stand-in (run through scripts/with-musicbrainz-server)"); \
        return;                                                                                    \
    }

} // namespace

TEST_CASE("winhttp: an https lookup through a trusted authority gives status and body") {
    REQUIRE_STAND_INS(server);
    TrustedAuthority trust;
    const HttpResponse response = WinHttpTransport().get(lookup(server));
    CHECK(response.errorText == "");
    CHECK(response.status == 200);
    CHECK(response.body == answerFile());
    // The stand-in got the request's own headers.
    const std::string log = test::readBytes("Z:" + environmentText("RUBO_MUSICBRAINZ_REQUESTS"));
    const std::string line = log.substr(log.rfind("{\"method\""));
    CHECK(line.find(std::string("\"user_agent\": \"") + kUserAgent + "\"") != std::string::npos);
    CHECK(line.find("\"accept\": \"application/json\"") != std::string::npos);
}

TEST_CASE("winhttp: a certificate of an authority nobody trusts fails with its reason") {
    REQUIRE_STAND_INS(server);
    TrustedAuthority trust;
    const HttpResponse response =
        WinHttpTransport().get(lookup(environmentText("RUBO_MUSICBRAINZ_UNTRUSTED")));
    CHECK(response.error == HttpError::Tls);
    CHECK(response.errorText == kTlsUntrustedText);
    CHECK(response.body.empty());
}

TEST_CASE("winhttp: a 503 is reported with its Retry-After, and the next request succeeds") {
    REQUIRE_STAND_INS(server);
    TrustedAuthority trust;
    FaultSwitch busy("busy_once=1&retry_after=3");
    const HttpResponse first = WinHttpTransport().get(lookup(server));
    CHECK(first.status == 503);
    CHECK(first.retryAfter == "3");
    CHECK(WinHttpTransport().get(lookup(server)).status == 200);
}

TEST_CASE("winhttp: a server that never answers ends in a time-out of the set length") {
    REQUIRE_STAND_INS(server);
    TrustedAuthority trust;
    FaultSwitch silent("silent=1");
    HttpRequest request = lookup(server);
    request.receiveTimeoutMs = 1500;
    const auto start = std::chrono::steady_clock::now();
    const HttpResponse response = WinHttpTransport().get(request);
    CHECK(response.error == HttpError::Timeout);
    CHECK(response.errorText == kHttpTimeoutText);
    // WinHTTP's own receive time-out is 30 s.
    CHECK(std::chrono::steady_clock::now() - start < std::chrono::seconds(15));
}

TEST_CASE("winhttp: through a named proxy, a body over the limit is TooLarge and kept nowhere") {
    REQUIRE_STAND_INS(server);
    // The host does not exist: only the proxy (the http stand-in) can answer.
    HttpRequest request = lookup("http://musicbrainz.invalid");
    const std::string proxy = environmentText("RUBO_MUSICBRAINZ_HTTP");
    request.proxyHost = "127.0.0.1";
    request.proxyPort = std::stoi(proxy.substr(proxy.rfind(':') + 1));
    request.maxBodyBytes = answerFile().size();
    CHECK(WinHttpTransport().get(request).body == answerFile());
    request.maxBodyBytes -= 1;
    const HttpResponse response = WinHttpTransport().get(request);
    CHECK(response.error == HttpError::TooLarge);
    CHECK(response.body.empty());
}
