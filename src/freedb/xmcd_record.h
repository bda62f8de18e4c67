#pragma once

// The xmcd record freedb exchanges one disc entry in: the in-memory record,
// its parser for the body of a read answer, and the body posted by a submit.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rubo {

// Limits on what is taken from a server answer; entries beyond them are
// read over and dropped.
constexpr int kXmcdMaxTracks = 99;         // frame offsets, TTITLEn and EXTTn (n < 99)
constexpr int kXmcdMaxPlayOrder = 999;     // PLAYORDER numbers
constexpr std::size_t kXmcdFoldWidth = 80; // longest written line without its end

struct XmcdRecord {
    std::vector<int> frameOffsets;
    int discLengthSeconds = 0;
    int revision = 0; // 0 when absent
    std::string submitterName;
    std::string submitterVersion;
    std::string submitterComment; // empty when absent
    std::uint32_t discId = 0;
    std::string artist; // DTITLE before the first "/", trimmed
    std::string title;  // DTITLE after the first "/", trimmed
    std::vector<std::string> trackTitles;
    std::string extendedDisc;
    std::vector<std::string> extendedTracks;
    std::vector<int> playOrder;
    int year = 0;      // 0 when absent or not read
    std::string genre; // empty when absent or not read

    bool operator==(const XmcdRecord& other) const;
    bool operator!=(const XmcdRecord& other) const { return !(*this == other); }
};

// Walks the lines of a text. A line ends at the first "\r\n" of the rest of
// the text or, when there is none, at the first "\n"; the line end is not part
// of the line. The text must outlive the cursor.
class XmcdLineCursor {
public:
    explicit XmcdLineCursor(std::string_view text);
    bool atEnd() const { return atEnd_; }
    // The current line; empty at the end.
    std::string_view line() const { return line_; }
    void next();

private:
    void split();
    std::string_view rest_;
    std::string_view line_;
    bool atEnd_ = true;
};

// Joins the values of consecutive lines that hold the key: each adds what
// follows its first key length + 1 characters. True when a line was taken;
// the cursor is left on the first line without the key.
bool readKeyedValue(std::string_view key, XmcdLineCursor& cursor, std::string& value);

// Parses the body of a read answer (status line included). protocolLevel and
// cddbHack decide whether DYEAR and DGENRE are required. False with the
// message in errorText (for a code outside 210..219, the body itself); the
// caller then sets the protocol error 10043 and discards the partly filled
// record.
bool parseXmcd(const std::string& body, int protocolLevel, bool cddbHack, XmcdRecord& record,
               std::string& errorText);

// One KEY=value line as one or more lines of at most 80 characters, each
// ending "\r\n"; continuation lines repeat "KEY=".
std::string foldXmcdLine(const std::string& line);

// The body a submit posts, ending with "PLAYORDER=" and no line end.
std::string buildSubmitBody(const XmcdRecord& record, int protocolLevel, bool cddbHack);

// The category sent in the submit headers: "misc" for an empty one.
std::string submitCategory(const std::string& category);

// The submit header lines after the request line: "Category: " up to and
// including the empty line that ends the headers. The body follows them.
std::string buildSubmitHeaders(const std::string& category, std::uint32_t discId,
                               const std::string& emailAddress, const std::string& note,
                               bool testSubmit, std::size_t bodyLength);

} // namespace rubo
