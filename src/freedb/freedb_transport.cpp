#include "freedb/freedb_client.h"

#include "base/event_log.h"
#include "base/file_io.h"
#include "base/message_box.h"
#include "base/text_format.h"

#include <chrono>
#include <cstdarg>
#include <cstring>
#include <thread>
#include <utility>

namespace rubo {

namespace {

// Why an exchange failed; the socket error and its system text follow the
// first three.
constexpr const char kNoSocketText[] = "Failed to create client socket for %s command";
constexpr const char kNoConnectionText[] = "Could not connect to the freedb HTTP server %s";
constexpr const char kSendFailedText[] =
    "An unexpected error occurred while sending the HTTP %s request";
constexpr const char kTimedOutText[] = "freedb server timed out responding to the %s command";
constexpr const char kNoAnswerText[] = "freedb server did not respond correctly to the %s command";
constexpr const char kNoConnectionEvent[] = "M : freedb %s: no connection to %s:%d (%d)";
constexpr const char kReceiveFailedEvent[] = "M : freedb %s: receive failed (%d)";

// Milliseconds of a monotonic clock, wrapping like a tick count.
std::uint32_t tickNow() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Keeps the thread's last error across calls that may change it.
class ErrorKeeper {
public:
    ErrorKeeper() : code_(net::lastError()) {}
    ~ErrorKeeper() { net::setLastError(code_); }
    ErrorKeeper(const ErrorKeeper&) = delete;
    ErrorKeeper& operator=(const ErrorKeeper&) = delete;

private:
    int code_;
};

// Position of `needle` in the first `used` bytes, searching from `from`.
std::size_t findIn(const std::string& storage, std::size_t used, std::size_t from,
                   const std::string& needle) {
    if (needle.empty() || used < needle.size() || from > used - needle.size())
        return std::string::npos;
    const char* begin = storage.data();
    for (std::size_t i = from; i + needle.size() <= used; ++i) {
        if (begin[i] == needle[0] && std::memcmp(begin + i, needle.data(), needle.size()) == 0)
            return i;
    }
    return std::string::npos;
}

} // namespace

FreedbSite::FreedbSite(FreedbSiteRole role)
    : path(role == FreedbSiteRole::Submit ? kFreedbSubmitPath : kFreedbCommandPath) {}

std::string formatHello(const std::string& login, const std::string& computer,
                        const std::string& clientName, const std::string& clientVersion,
                        int protocolLevel, bool cddbHack) {
    std::string hello;
    if (cddbHack)
        hello = formatText("hello=%s+%s+%s+%s&proto=%d", "user", "host", "xmcd", "3.0", 4);
    else
        hello = formatText("hello=%s+%s+%s+%s&proto=%d", login.c_str(), computer.c_str(),
                           clientName.c_str(), clientVersion.c_str(), protocolLevel);
    for (char& c : hello) {
        if (c == ' ')
            c = '_';
    }
    return hello;
}

std::string buildGetRequest(const FreedbSite& site, const std::string& proxyHost,
                            const std::string& command, const std::string& hello) {
    if (proxyHost.empty())
        return formatText("GET %s?cmd=%s&%s HTTP/1.0\r\n\r\n", site.path.c_str(), command.c_str(),
                          hello.c_str());
    std::string url = site.host + site.path;
    std::string hostHeader = formatText("Host: %s", site.host.c_str());
    return formatText("GET http://%s?cmd=%s&%s HTTP/1.0\r\n%s\r\n\r\n", url.c_str(),
                      command.c_str(), hello.c_str(), hostHeader.c_str());
}

std::string buildPostLine(const FreedbSite& site, const std::string& proxyHost) {
    if (proxyHost.empty())
        return formatText("POST %s HTTP/1.0\r\n", site.path.c_str());
    std::string url = site.host + site.path;
    std::string hostHeader = formatText("Host: %s", site.host.c_str());
    return formatText("POST http://%s HTTP/1.0\r\n%s\r\n", url.c_str(), hostHeader.c_str());
}

// ---- ResponseBuffer ----

ResponseBuffer::ResponseBuffer(std::string terminator, int growStep, ReceiveMode mode,
                               std::size_t maxBytes)
    : terminator_(std::move(terminator)),
      growStep_(growStep > 0 ? static_cast<std::size_t>(growStep) : 1), mode_(mode),
      maxBytes_(maxBytes) {}

int ResponseBuffer::room() const {
    if (capacity_ < used_ + 1)
        return 0;
    return static_cast<int>(capacity_ - used_ - 1);
}

char* ResponseBuffer::writePosition() {
    if (capacity_ == 0)
        return &empty_;
    return &storage_[used_];
}

ResponseBuffer::Step ResponseBuffer::accept(int n) {
    int roomBefore = room();
    if (n < 0)
        n = 0;
    if (n > roomBefore)
        n = roomBefore;
    used_ += static_cast<std::size_t>(n);
    if (used_ > maxBytes_)
        return Step::TooLarge;
    if (n == roomBefore) {
        // Full: one more step of storage (the string grows geometrically).
        capacity_ += growStep_;
        if (storage_.size() < capacity_)
            storage_.resize(capacity_);
    }
    if (mode_ != ReceiveMultiLine && keepGoing_) {
        static const std::string kHeaderEnd = "\r\n\r\n";
        if (headerEnd_ == std::string::npos) {
            std::size_t from = headerSearchedTo_ >= 3 ? headerSearchedTo_ - 3 : 0;
            std::size_t at = findIn(storage_, used_, from, kHeaderEnd);
            headerSearchedTo_ = used_;
            if (at != std::string::npos)
                headerEnd_ = at + kHeaderEnd.size();
        }
        // The code is judged once its three characters have arrived.
        if (headerEnd_ != std::string::npos && used_ - headerEnd_ >= 3) {
            int code = freedbResponseCode(std::string(storage_.data() + headerEnd_, 3));
            if (!isMultiLineCode(code))
                keepGoing_ = false;
        }
    }
    std::size_t back = terminator_.size() > 0 ? terminator_.size() - 1 : 0;
    std::size_t from = searchedTo_ >= back ? searchedTo_ - back : 0;
    found_ = findIn(storage_, used_, from, terminator_) != std::string::npos;
    searchedTo_ = used_;
    if (found_ || !keepGoing_)
        return Step::Done;
    return Step::More;
}

std::string ResponseBuffer::finish() const {
    if (found_ && used_ >= terminator_.size())
        return std::string(storage_.data(), used_ - terminator_.size());
    return text();
}

// ---- FreedbClient transport ----

bool FreedbClient::initialise(const std::string& clientName, const std::string& clientVersion) {
    clientName_ = clientName;
    clientVersion_ = clientVersion;
    if (socketsStarted_)
        return true;
    if (!net::startup()) {
        showMessage("Error initialising winsock");
        return false;
    }
    socketsStarted_ = 1;
    return true;
}

void FreedbClient::setProxy(const std::string& host, int port) {
    proxyHost_ = host;
    proxyPort_ = port;
}

int FreedbClient::errorCode() const {
    return net::lastError();
}

std::string FreedbClient::systemErrorText() const {
    int code = net::lastError();
    std::string text = net::systemMessage(code);
    net::setLastError(code);
    if (text.empty() && code != 0)
        text = socketErrorText(code);
    return text;
}

std::string FreedbClient::logPath(const char* name) const {
    if (!logDirectory_.empty())
        return logDirectory_ + name;
    return eventLog_ ? eventLog_->pathOf(name) : std::string(name);
}

void FreedbClient::writeLog(const std::string& text) {
    if (!logOpen_)
        return;
    ErrorKeeper keep;
    appendToFile(logFile_, text);
}

bool FreedbClient::receiveResponse(net::SocketHandle socket, const char* terminator, int growStep,
                                   ReceiveMode mode, std::string& text) {
    std::uint32_t lastData = tickNow();
    ResponseBuffer buffer(terminator ? terminator : "", growStep, mode);
    for (;;) {
        if (tickNow() - lastData > static_cast<std::uint32_t>(timeoutMs_)) {
            lastCapacity_ = buffer.capacity();
            lastResponse_ = buffer.text();
            net::setLastError(net::kErrorTimedOut);
            return false;
        }
        int ready = net::pollReadable(socket, 0);
        if (ready == net::kSocketError) {
            lastCapacity_ = buffer.capacity();
            ErrorKeeper keep;
            lastResponse_ = buffer.text();
            return false;
        }
        if (ready == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kFreedbPollSleepMs));
            continue;
        }
        int room = buffer.room();
        int n = net::receiveBytes(socket, buffer.writePosition(), room);
        if (n == net::kSocketError) {
            lastCapacity_ = buffer.capacity();
            ErrorKeeper keep;
            lastResponse_ = buffer.text();
            return false;
        }
        if (n != 0)
            lastData = tickNow();
        else // closed by the peer: only the time-out ends the wait, without spinning
            std::this_thread::sleep_for(std::chrono::milliseconds(kFreedbPollSleepMs));
        ResponseBuffer::Step step = buffer.accept(n);
        if (step == ResponseBuffer::Step::TooLarge) {
            lastCapacity_ = buffer.capacity();
            lastResponse_ = buffer.text();
            net::setLastError(net::kErrorProtocol);
            return false;
        }
        if (step == ResponseBuffer::Step::Done)
            break;
        // A closed connection stays readable: wait as for an empty poll.
        if (n == 0 && room > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(kFreedbPollSleepMs));
    }
    lastCapacity_ = buffer.capacity();
    text = buffer.finish();
    return true;
}

std::string FreedbClient::withSocketError(const char* format, ...) const {
    int code = errorCode();
    std::string text = systemErrorText();
    std::va_list args;
    va_start(args, format);
    std::string what = formatBoundedV(kMessageMaxChars, format, args);
    va_end(args);
    return formatBounded(kMessageMaxChars, "%s\n(%d: %s)", what.c_str(), code, text.c_str());
}

bool FreedbClient::failExchange(std::string text, int lastError, unsigned event,
                                const std::string& eventText) {
    errorText_ = std::move(text);
    if (event != 0 && eventLog_)
        eventLog_->logEvent(event, "%s", eventText.c_str());
    net::setLastError(lastError);
    return false;
}

bool FreedbClient::exchange(const FreedbSite& site, const CommandNames& names,
                            const std::string& request, std::string& received) {
    logOpen_ = 0;
    logFile_.clear();
    if (logEnabled_) {
        ErrorKeeper keep;
        logFile_ = logPath(names.logName);
        logOpen_ = truncateFile(logFile_) ? 1 : 0;
        writeLog(request);
    }
    struct LogCloser {
        int& open;
        ~LogCloser() { open = 0; }
    } closer{logOpen_};

    net::Socket socket(net::openStreamSocket());
    if (!socket.valid())
        return failExchange(withSocketError(kNoSocketText, names.socketName), errorCode());

    bool viaProxy = !proxyHost_.empty();
    const std::string& host = viaProxy ? proxyHost_ : site.host;
    int port = viaProxy ? proxyPort_ : site.port;
    std::uint32_t address = 0;
    bool connected = net::resolveHost(host, address);
    if (!connected)
        net::setLastError(net::kErrorInvalidArgument);
    else
        connected = net::connectTo(socket.get(), address, port);
    if (!connected) {
        int code = errorCode();
        return failExchange(withSocketError(kNoConnectionText, site.host.c_str()), code, 6101,
                            formatText(kNoConnectionEvent, names.name, host.c_str(), port, code));
    }

    if (net::sendBytes(socket.get(), request.data(), static_cast<int>(request.size())) ==
        net::kSocketError)
        return failExchange(withSocketError(kSendFailedText, names.name), errorCode());

    if (!receiveResponse(socket.get(), kFreedbTerminator, kFreedbGrowStep, names.mode, received)) {
        int code = errorCode();
        std::string text = code == net::kErrorTimedOut
                               ? formatBounded(kMessageMaxChars, kTimedOutText, names.name)
                               : formatBounded(kMessageMaxChars, kNoAnswerText, names.name);
        return failExchange(std::move(text), net::kErrorProtocol, 6102,
                            formatText(kReceiveFailedEvent, names.name, code));
    }

    if (names.mode == ReceiveSubmit)
        writeLog("\r\n\r\n\r\n");
    writeLog(received);
    return true;
}

} // namespace rubo
