#include "musicbrainz/winhttp_transport_win32.h"

#include "base/text_format.h"
#include "base/unique_handle_win32.h"

#include <wincrypt.h>
#include <windows.h>
#include <winhttp.h>

#include <string>
#include <utility>

namespace rubo {

namespace {

using UniqueInternet = UniqueResource<HINTERNET, &WinHttpCloseHandle>;
using UniqueCertificate = UniqueResource<PCCERT_CONTEXT, &CertFreeCertificateContext>;
using UniqueChain = UniqueResource<PCCERT_CHAIN_CONTEXT, &CertFreeCertificateChain>;

constexpr DWORD kReadChunkBytes = 16 * 1024;
// Wine's WinHTTP ends a receive time-out with the socket's own code.
constexpr DWORD kWsaTimedOut = 10060;
// Longest header value kept (Retry-After is a number or a date).
constexpr DWORD kHeaderChars = 128;

// The protocol sets asked for, newest first. WinHTTP of XP and of Windows 7
// without its TLS update refuses the TLS 1.1/1.2 flags and keeps its default.
constexpr DWORD kTls10To12 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 |
                             WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                             WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
constexpr DWORD kProtocolSets[] = {kTls10To12 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3, kTls10To12};

struct SecureFailure {
    DWORD flag;
    DWORD error; // the same failure as WinHTTP's own error code
    const char* text;
};
// The first that applies names the failure.
constexpr SecureFailure kSecureFailures[] = {
    {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED, ERROR_WINHTTP_SECURE_CERT_REVOKED, kTlsRevokedText},
    {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA, ERROR_WINHTTP_SECURE_INVALID_CA, kTlsUntrustedText},
    {WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID, ERROR_WINHTTP_SECURE_CERT_CN_INVALID,
     kTlsNameText},
    {WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID, ERROR_WINHTTP_SECURE_CERT_DATE_INVALID,
     kTlsDateText},
    {WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE, ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE,
     kTlsUsageText},
    {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT, ERROR_WINHTTP_SECURE_INVALID_CERT, kTlsInvalidText},
    {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED, ERROR_WINHTTP_SECURE_CERT_REV_FAILED,
     kTlsRevocationText},
    {WINHTTP_CALLBACK_STATUS_FLAG_SECURITY_CHANNEL_ERROR, ERROR_WINHTTP_SECURE_CHANNEL_ERROR,
     kTlsHandshakeText},
};

std::wstring widen(const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], size);
    wide.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return wide;
}

std::string narrow(const wchar_t* text) {
    std::string result;
    for (; *text != L'\0'; ++text)
        result += *text < 0x80 ? static_cast<char>(*text) : '?';
    return result;
}

HttpResponse failed(HttpError error, std::string text) {
    HttpResponse response;
    response.error = error;
    response.errorText = std::move(text);
    return response;
}

// A failure of a secure connection: by the flags of the status callback when
// there are any (ERROR_WINHTTP_SECURE_FAILURE), else by the error code.
HttpResponse secureFailure(DWORD error, DWORD flags) {
    for (const SecureFailure& failure : kSecureFailures) {
        if ((flags & failure.flag) != 0 || error == failure.error)
            return failed(HttpError::Tls, failure.text);
    }
    return failed(HttpError::Tls, kTlsInvalidText);
}

HttpResponse failureOf(DWORD error, DWORD secureFlags) {
    switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
    case kWsaTimedOut:
        return failed(HttpError::Timeout, kHttpTimeoutText);
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
        return failed(HttpError::BadUrl, kHttpBadUrlText);
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
    case ERROR_WINHTTP_HEADER_NOT_FOUND:
    case ERROR_WINHTTP_REDIRECT_FAILED:
        return failed(HttpError::Protocol,
                      formatBounded(kMessageMaxChars, kHttpProtocolFormat, error));
    case ERROR_WINHTTP_SECURE_FAILURE:
        return secureFailure(error, secureFlags);
    default:
        break;
    }
    for (const SecureFailure& failure : kSecureFailures) {
        if (error == failure.error)
            return secureFailure(error, 0);
    }
    return failed(HttpError::Connect, formatBounded(kMessageMaxChars, kHttpConnectFormat, error));
}

struct Target {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path; // with the query
};

bool crackUrl(const std::string& url, Target& target) {
    const std::wstring wide = widen(url);
    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (wide.empty() || !WinHttpCrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts))
        return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    if (parts.lpszHostName == nullptr || parts.dwHostNameLength == 0)
        return false;
    target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    target.port = parts.nPort;
    if (parts.lpszUrlPath != nullptr)
        target.path.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    if (parts.lpszExtraInfo != nullptr)
        target.path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (target.path.empty())
        target.path = L"/";
    return true;
}

void askForCurrentTls(HINTERNET session) {
    for (DWORD protocols : kProtocolSets) {
        if (WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                             sizeof protocols))
            return;
    }
}

UniqueInternet openSession(const HttpRequest& request) {
    const std::wstring agent = widen(request.userAgent);
    UniqueInternet session;
    if (request.proxyHost.empty()) {
        session.reset(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    } else {
        const std::wstring proxy =
            widen(request.proxyHost + ":" + std::to_string(request.proxyPort));
        session.reset(WinHttpOpen(agent.c_str(), WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.c_str(),
                                  WINHTTP_NO_PROXY_BYPASS, 0));
    }
    if (!session)
        return session;
    WinHttpSetTimeouts(session.get(), request.connectTimeoutMs, request.connectTimeoutMs,
                       request.receiveTimeoutMs, request.receiveTimeoutMs);
    // Wine waits for the answer's head by this one, not by the receive time-out.
    DWORD headTimeout = static_cast<DWORD>(request.receiveTimeoutMs);
    WinHttpSetOption(session.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headTimeout,
                     sizeof headTimeout);
    askForCurrentTls(session.get());
    return session;
}

// Collects the flags of a failed certificate check (the status callback's
// context is the DWORD that takes them).
void CALLBACK onStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID information,
                       DWORD length) {
    if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && context != 0 &&
        information != nullptr && length >= sizeof(DWORD))
        *reinterpret_cast<DWORD*>(context) |= *static_cast<const DWORD*>(information);
}

struct TrustFault {
    DWORD trustError; // of the chain (CERT_TRUST_*)
    HRESULT policyError;
    const char* text;
};
// Both the chain's status and the SSL policy are asked: Wine's policy lets
// a chain that ends below any root pass.
constexpr TrustFault kTrustFaults[] = {
    {CERT_TRUST_IS_REVOKED, CRYPT_E_REVOKED, kTlsRevokedText},
    {CERT_TRUST_IS_UNTRUSTED_ROOT, CERT_E_UNTRUSTEDROOT, kTlsUntrustedText},
    {CERT_TRUST_IS_PARTIAL_CHAIN, CERT_E_CHAINING, kTlsUntrustedText},
    {0, CERT_E_CN_NO_MATCH, kTlsNameText},
    {CERT_TRUST_IS_NOT_TIME_VALID, CERT_E_EXPIRED, kTlsDateText},
    {CERT_TRUST_IS_NOT_VALID_FOR_USAGE, CERT_E_WRONG_USAGE, kTlsUsageText},
};

// What the system's chain engine and TLS policy find wrong with a server's
// certificate.
const char* trustFault(PCCERT_CONTEXT certificate, const std::wstring& host) {
    CERT_CHAIN_PARA chainPara = {};
    chainPara.cbSize = sizeof chainPara;
    UniqueChain chain;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara,
                                 0, nullptr, chain.put()))
        return kTlsInvalidText;
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl = {};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
    CERT_CHAIN_POLICY_PARA policy = {};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status = {};
    status.cbSize = sizeof status;
    CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status);
    const DWORD trust = chain.get()->TrustStatus.dwErrorStatus;
    for (const TrustFault& fault : kTrustFaults) {
        if ((trust & fault.trustError) != 0 ||
            static_cast<HRESULT>(status.dwError) == fault.policyError)
            return fault.text;
    }
    return kTlsInvalidText;
}

// Some WinHTTPs (Wine's) end a refused certificate as a failed handshake,
// without the callback's flags. A second request that lets the certificate
// pass fetches it for the system's policy to name the fault; it asks for
// the root, so the untrusted server learns nothing of the disc, and its
// answer is not read. Null when even that handshake fails.
const char* certificateFault(HINTERNET connection, const Target& target) {
    UniqueInternet probe(WinHttpOpenRequest(connection, L"HEAD", L"/", nullptr, WINHTTP_NO_REFERER,
                                            WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
    DWORD ignore = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                   SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
    if (!probe ||
        !WinHttpSetOption(probe.get(), WINHTTP_OPTION_SECURITY_FLAGS, &ignore, sizeof ignore) ||
        !WinHttpSendRequest(probe.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA,
                            0, 0, 0))
        return nullptr;
    UniqueCertificate certificate;
    DWORD size = sizeof(PCCERT_CONTEXT);
    if (!WinHttpQueryOption(probe.get(), WINHTTP_OPTION_SERVER_CERT_CONTEXT, certificate.put(),
                            &size) ||
        !certificate)
        return kTlsInvalidText;
    return trustFault(certificate.get(), target.host);
}

int statusCode(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return 0;
    return static_cast<int>(status);
}

std::string retryAfter(HINTERNET request) {
    wchar_t value[kHeaderChars] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RETRY_AFTER, WINHTTP_HEADER_NAME_BY_INDEX,
                             value, &size, WINHTTP_NO_HEADER_INDEX))
        return std::string();
    return narrow(value);
}

// The body, at most `limit` bytes; a longer one is TooLarge and not kept.
HttpResponse readBody(HINTERNET request, std::size_t limit, HttpResponse response) {
    char chunk[kReadChunkBytes];
    for (;;) {
        DWORD read = 0;
        if (!WinHttpReadData(request, chunk, sizeof chunk, &read))
            return failureOf(GetLastError(), 0);
        if (read == 0)
            return response;
        if (read > limit - response.body.size())
            return failed(HttpError::TooLarge, kHttpTooLargeText);
        response.body.append(chunk, read);
    }
}

HttpResponse exchange(HINTERNET connection, const Target& target, const HttpRequest& request) {
    DWORD secureFlags = 0;
    UniqueInternet handle(WinHttpOpenRequest(connection, L"GET", target.path.c_str(), nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                             target.secure ? WINHTTP_FLAG_SECURE : 0));
    if (!handle)
        return failureOf(GetLastError(), 0);
    WinHttpSetStatusCallback(handle.get(), &onStatus, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);
    std::wstring headers;
    if (!request.accept.empty())
        headers = L"Accept: " + widen(request.accept) + L"\r\n";
    const bool sent =
        WinHttpSendRequest(handle.get(),
                           headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                           static_cast<DWORD>(headers.size()), WINHTTP_NO_REQUEST_DATA, 0, 0,
                           reinterpret_cast<DWORD_PTR>(&secureFlags)) &&
        WinHttpReceiveResponse(handle.get(), nullptr);
    if (!sent) {
        const DWORD error = GetLastError();
        const bool refused =
            error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR || error == ERROR_WINHTTP_SECURE_FAILURE;
        if (refused && secureFlags == 0) {
            if (const char* fault = certificateFault(connection, target))
                return failed(HttpError::Tls, fault);
        }
        return failureOf(error, secureFlags);
    }
    HttpResponse response;
    response.status = statusCode(handle.get());
    response.retryAfter = retryAfter(handle.get());
    return readBody(handle.get(), request.maxBodyBytes, std::move(response));
}

} // namespace

HttpResponse WinHttpTransport::get(const HttpRequest& request) {
    Target target;
    if (!crackUrl(request.url, target))
        return failed(HttpError::BadUrl, kHttpBadUrlText);
    UniqueInternet session = openSession(request);
    if (!session)
        return failed(HttpError::Unavailable,
                      formatBounded(kMessageMaxChars, kHttpUnavailableFormat, GetLastError()));
    UniqueInternet connection(WinHttpConnect(session.get(), target.host.c_str(), target.port, 0));
    if (!connection)
        return failureOf(GetLastError(), 0);
    return exchange(connection.get(), target, request);
}

} // namespace rubo
