#pragma once

// The freedb client: HTTP/1.0 requests on a fresh connection per command,
// the response collector, the per-command log files, the error texts and the
// read-only commands plus the submit.

#include "base/text_format.h"
#include "discinfo/disc_model.h"
#include "freedb/socket_layer.h"
#include "freedb/xmcd_record.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rubo {

class EventLog;

constexpr const char kFreedbCommandPath[] = "/~cddb/cddb.cgi";
constexpr const char kFreedbSubmitPath[] = "/~cddb/submit.cgi";
constexpr int kFreedbDefaultPort = 80;
constexpr int kMaxTcpPort = 65535;
// A port a server can be reached on.
constexpr bool isUsablePort(long port) {
    return port >= 1 && port <= kMaxTcpPort;
}
constexpr int kFreedbDefaultTimeoutMs = 20000;
constexpr int kFreedbDefaultProtocolLevel = 4;
constexpr int kFreedbSitesProtocolLevel = 5;
constexpr const char kFreedbTerminator[] = "\r\n.\r\n";
constexpr int kFreedbGrowStep = 4096;
constexpr int kFreedbPollSleepMs = 250;
// Longest answer accepted; a longer one is a protocol error.
constexpr std::size_t kFreedbMaxAnswerBytes = 16u * 1024u * 1024u;

enum class FreedbSiteRole { Command, Submit };

struct FreedbSite {
    explicit FreedbSite(FreedbSiteRole role = FreedbSiteRole::Command);

    std::string host;
    int port = kFreedbDefaultPort;
    std::string path; // fixed by the role
    int north = 1;    // 1 for N, 0 for S
    int latitude = 0; // degrees * 60 + minutes
    int east = 1;     // 1 for E, 0 for W
    int longitude = 0;
    std::string description;
};

struct FreedbMatch {
    std::string category;
    std::uint32_t discId = 0;
    std::string artist;
    std::string title;
};

struct FreedbServerStatus {
    int currentProto = 0;
    int maxProto = 0;
    int gets = 0;
    int updates = 0;
    int posting = 0;
    int quotes = 0;
    int currentUsers = 0;
    int maxUsers = 0;
    int stripExt = 0;
    int databaseEntries = 0;
    std::vector<std::string> categoryNames;
    std::vector<int> categoryCounts;
    std::vector<std::string> pendingNames;
    std::vector<int> pendingCounts;
    std::string text; // the answer after the status line
};

// How long receiving goes on: mode 0 waits for the terminator; modes 1
// (query) and 2 (submit) also stop once a single-line code has arrived.
enum ReceiveMode : int { ReceiveMultiLine = 0, ReceiveQuery = 1, ReceiveSubmit = 2 };

// Error text of a Winsock error number.
std::string socketErrorText(int code);

// The greeting parameter; blanks become "_".
std::string formatHello(const std::string& login, const std::string& computer,
                        const std::string& clientName, const std::string& clientVersion,
                        int protocolLevel, bool cddbHack);

// "GET ... HTTP/1.0" request for "cmd=<command>&<hello>"; the proxy form
// when proxyHost is not empty.
std::string buildGetRequest(const FreedbSite& site, const std::string& proxyHost,
                            const std::string& command, const std::string& hello);
// The submit request line (with the Host header through a proxy).
std::string buildPostLine(const FreedbSite& site, const std::string& proxyHost);
// "<id>+<n>+<offsets>+<seconds>" for a query.
std::string queryArguments(DiscId discId, const TrackList& tracks);

// The first three characters of a body as a decimal number; -1 when there
// are fewer or they are not digits.
int freedbResponseCode(const std::string& body);
inline bool isMultiLineCode(int code) {
    return code >= 210 && code <= 219;
}
// The text after the first "\r\n\r\n"; the whole text when there is none.
std::string httpBody(const std::string& received);
// The lines after the status line, without their line ends.
std::vector<std::string> answerLines(const std::string& body);
// The text after the status line.
std::string textAfterStatusLine(const std::string& body);

bool parseSiteLine(const std::string& line, FreedbSite& site);
bool parseMatchLine(const std::string& line, FreedbMatch& match);
// Parses the lines after the status line into status; an empty result, or
// the message for a bad yes/no value (the parse stopped there).
std::string parseStatusLines(const std::vector<std::string>& lines, FreedbServerStatus& status);

// The receive buffer and its framing rules, apart from the socket.
class ResponseBuffer {
public:
    enum class Step { More, Done, TooLarge };

    ResponseBuffer(std::string terminator, int growStep, ReceiveMode mode,
                   std::size_t maxBytes = kFreedbMaxAnswerBytes);

    // Room for the next receive: capacity - used - 1, at least 0.
    int room() const;
    // Where the next receive writes (valid for room() bytes).
    char* writePosition();
    // Takes n received bytes (0 when the peer closed).
    Step accept(int n);

    bool found() const { return found_; }
    std::size_t capacity() const { return capacity_; }
    std::size_t used() const { return used_; }
    std::string text() const { return std::string(storage_.data(), used_); }
    // The text, cut before the terminator when it was found.
    std::string finish() const;

private:
    std::string terminator_;
    std::size_t growStep_;
    ReceiveMode mode_;
    std::size_t maxBytes_;
    std::string storage_; // holds at least capacity_ bytes
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
    std::size_t searchedTo_ = 0;
    std::size_t headerEnd_ = std::string::npos;
    std::size_t headerSearchedTo_ = 0;
    bool keepGoing_ = true;
    bool found_ = false;
    char empty_ = 0;
};

class FreedbClient {
public:
    FreedbClient() = default;
    FreedbClient(const FreedbClient&) = delete;
    FreedbClient& operator=(const FreedbClient&) = delete;

    // Stores the names; starts the socket layer on the first call.
    bool initialise(const std::string& clientName, const std::string& clientVersion);
    void setCddbHack(bool on) { cddbHack_ = on ? 1 : 0; }
    void setLogEnabled(bool on) { logEnabled_ = on ? 1 : 0; }
    void setProtocolLevel(int level) { protocolLevel_ = level; }
    void setProxy(const std::string& host, int port);
    void setTimeoutMs(int ms) { timeoutMs_ = ms; }
    // The user and host the greeting names; empty ones mean the login and
    // computer names.
    void setHelloIdentity(const std::string& user, const std::string& host);
    // Folder of the per-command log files, with its trailing separator;
    // empty means the event log's folder.
    void setLogDirectory(const std::string& directory) { logDirectory_ = directory; }
    // Takes the lines of failed exchanges. Without one there are none, and
    // the per-command logs without a folder go to the current folder.
    void setEventLog(EventLog& log) { eventLog_ = &log; }

    const std::string& errorText() const { return errorText_; }
    int errorCode() const;
    std::string systemErrorText() const;
    const std::string& lastResponse() const { return lastResponse_; }
    int timeoutMs() const { return timeoutMs_; }
    int protocolLevel() const { return protocolLevel_; }
    bool cddbHack() const { return cddbHack_ != 0; }
    bool logEnabled() const { return logEnabled_ != 0; }
    bool socketsStarted() const { return socketsStarted_ != 0; }
    const std::string& clientName() const { return clientName_; }
    const std::string& clientVersion() const { return clientVersion_; }
    // Capacity of the buffer of the last receive.
    std::size_t lastReceiveCapacity() const { return lastCapacity_; }
    std::string logPath(const char* name) const;

    std::string buildHello() const;

    int listSites(const FreedbSite& site, std::vector<FreedbSite>& sites);
    int serverStatus(const FreedbSite& site, FreedbServerStatus& status);
    int queryDisc(const FreedbSite& site, DiscId discId, const TrackList& tracks,
                  std::vector<FreedbMatch>& matches);
    int readDisc(const FreedbSite& site, DiscId discId, const std::string& category,
                 XmcdRecord& record);
    int messageOfTheDay(const FreedbSite& site, std::string& text);
    int submitDisc(const FreedbSite& site, const std::string& category,
                   const std::string& emailAddress, const XmcdRecord& record,
                   const std::string& note, bool testSubmit);

    // Collects an answer on a connected socket; see ResponseBuffer.
    bool receiveResponse(net::SocketHandle socket, const char* terminator, int growStep,
                         ReceiveMode mode, std::string& text);

    // Names and receive mode of one command.
    struct CommandNames {
        const char* socketName; // in the socket-creation message
        const char* name;       // in the send and receive messages
        const char* logName;
        ReceiveMode mode;
    };

private:
    bool exchange(const FreedbSite& site, const CommandNames& names, const std::string& request,
                  std::string& received);
    // The formatted text followed by the thread's socket error, which stays,
    // and its system text.
    std::string withSocketError(const char* format, ...) const RUBO_PRINTF_FORMAT(2, 3);
    // Ends a failed exchange: `text` becomes the error text, the event (when
    // it has a number) goes to the log and `lastError` is left as the thread's
    // last error. Returns false.
    bool failExchange(std::string text, int lastError, unsigned event = 0,
                      const std::string& eventText = std::string());
    void writeLog(const std::string& text);
    void failProtocol(const std::string& body);
    // One exchange whose answer must carry a multi-line code (210-219).
    bool exchangeMultiLine(const FreedbSite& site, const CommandNames& names,
                           const std::string& request, std::string& body);
    std::string helloAt(int protocolLevel, bool cddbHack) const;

    std::string lastResponse_;
    int timeoutMs_ = kFreedbDefaultTimeoutMs;
    std::string clientName_;
    std::string clientVersion_;
    int protocolLevel_ = kFreedbDefaultProtocolLevel;
    int cddbHack_ = 0;
    int logEnabled_ = 0;
    std::string helloUser_;
    std::string helloHost_;
    std::string proxyHost_;
    int proxyPort_ = kFreedbDefaultPort;
    std::string errorText_;
    std::string logDirectory_;
    EventLog* eventLog_ = nullptr;
    std::string logFile_;
    int logOpen_ = 0;
    int socketsStarted_ = 0;
    std::size_t lastCapacity_ = 0;
};

} // namespace rubo
