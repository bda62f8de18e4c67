#include "freedb/xmcd_record.h"

#include "base/text_format.h"

#include <climits>

namespace rubo {

namespace {

constexpr const char kNoXmcd[] = "freedb server failed to return a valid xmcd record";
constexpr const char kNoOffsets[] =
    "freedb server failed to return a record with a Track frame offset line";
constexpr const char kNoDiscLength[] =
    "freedb server failed to return a record with a Disc Length line";
constexpr const char kNoRevisionOrSubmitted[] =
    "freedb server failed to return a record with a revision or a submitted line";
constexpr const char kNoValidSubmitted[] =
    "freedb server failed to return a record with a valid submitted line";
constexpr const char kNoValidSubmittedVia[] =
    "freedb server failed to return a record with a valid Submitted via: line";
constexpr const char kNoDiscId[] =
    "freedb server failed to return a record with a valid DISCID line";
constexpr const char kNoDTitle[] =
    "freedb server failed to return a record with a valid DTITLE line";
constexpr const char kNoDYear[] = "freedb server failed to return a record with a valid DYEAR line";
constexpr const char kNoDGenre[] =
    "freedb server failed to return a record with a valid DGENRE line";
constexpr const char kNoTTitle[] =
    "freedb server failed to return a record with some valid TTITLE lines";
constexpr const char kNoExtd[] =
    "freedb server failed to return a record with some valid EXTD lines";
constexpr const char kNoExtt[] =
    "freedb server failed to return a record with some valid EXTT lines";

constexpr std::size_t kKeyMaxChars = 31;

// A reply that carries a record: 210 to 219, in the first three characters.
constexpr int kFirstRecordCode = 210;
constexpr int kLastRecordCode = 219;
constexpr std::size_t kResponseCodeChars = 3;
// The protocol level from which records carry DYEAR and DGENRE.
constexpr int kYearGenreLevel = 5;

constexpr std::string_view kCommentMark = "#";
constexpr std::string_view kXmcdMark = "xmcd";
constexpr std::string_view kFrameOffsetsLabel = "Track frame offsets:";
constexpr std::string_view kDiscLengthLabel = "Disc length:";
constexpr std::string_view kRevisionLabel = "Revision:";
constexpr std::string_view kSubmittedViaLabel = "Submitted via:";

// Keys of the record's KEY=value lines; TTITLE and EXTT take a track number.
constexpr std::string_view kKeySeparator = "=";
constexpr const char kDiscIdKey[] = "DISCID";
constexpr const char kDTitleKey[] = "DTITLE";
constexpr const char kDYearKey[] = "DYEAR";
constexpr const char kDGenreKey[] = "DGENRE";
constexpr const char kTTitleKey[] = "TTITLE";
constexpr const char kExtdKey[] = "EXTD";
constexpr const char kExttKey[] = "EXTT";
constexpr const char kPlayOrderKey[] = "PLAYORDER";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// The text after its first count characters; empty when it is shorter.
std::string_view after(std::string_view text, std::size_t count) {
    return count < text.size() ? text.substr(count) : std::string_view();
}

// Leading decimal number as atoi reads it, clamped to the int range.
// 'found' tells whether a digit was there.
int leadingNumber(std::string_view text, bool* found = nullptr) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    bool any = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        any = true;
        if (value <= static_cast<long long>(INT_MAX) + 1)
            value = value * 10 + (text[i] - '0');
    }
    if (found)
        *found = any;
    if (negative)
        return value > static_cast<long long>(INT_MAX) + 1 ? INT_MIN : static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

// Leading hexadecimal number after blanks, clamped to 32 bits.
std::uint32_t leadingHex(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit;
        if (isDigit(c))
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        if (value <= 0xFFFFFFFFu)
            value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
}

// First three characters as a decimal number; -1 for a shorter body.
int responseCode(const std::string& body) {
    if (body.size() < kResponseCodeChars)
        return -1;
    return leadingNumber(std::string_view(body).substr(0, kResponseCodeChars));
}

bool isComment(const XmcdLineCursor& cursor) {
    return !cursor.atEnd() && !cursor.line().empty() &&
           cursor.line().front() == kCommentMark.front();
}

// What follows "#", trimmed; empty when that is one character or none.
std::string_view commentText(std::string_view line) {
    std::string_view rest = after(line, kCommentMark.size());
    if (rest.size() <= 1)
        return std::string_view();
    return trimBlanks(rest);
}

std::string numberedKey(const char* prefix, int n) {
    return formatBounded(kKeyMaxChars, "%s%d", prefix, n);
}

// Reads KEYn lines for n = 0, 1, ... while they follow each other.
bool readNumberedValues(const char* prefix, XmcdLineCursor& cursor,
                        std::vector<std::string>& values) {
    values.clear();
    bool any = false;
    for (int n = 0; n < INT_MAX; ++n) {
        std::string value;
        if (!readKeyedValue(numberedKey(prefix, n), cursor, value))
            break;
        any = true;
        if (n < kXmcdMaxTracks)
            values.push_back(value);
    }
    return any;
}

bool fail(std::string& errorText, const char* message) {
    errorText = message;
    return false;
}

void appendFolded(std::string& out, const std::string& line) {
    out += foldXmcdLine(line);
}

// "KEY=value".
std::string keyLine(const std::string& key, const std::string& value) {
    return key + std::string(kKeySeparator) + value;
}

} // namespace

bool XmcdRecord::operator==(const XmcdRecord& o) const {
    return frameOffsets == o.frameOffsets && discLengthSeconds == o.discLengthSeconds &&
           revision == o.revision && submitterName == o.submitterName &&
           submitterVersion == o.submitterVersion && submitterComment == o.submitterComment &&
           discId == o.discId && artist == o.artist && title == o.title &&
           trackTitles == o.trackTitles && extendedDisc == o.extendedDisc &&
           extendedTracks == o.extendedTracks && playOrder == o.playOrder && year == o.year &&
           genre == o.genre;
}

XmcdLineCursor::XmcdLineCursor(std::string_view text) : rest_(text) {
    split();
}

void XmcdLineCursor::split() {
    if (rest_.empty()) {
        atEnd_ = true;
        line_ = std::string_view();
        return;
    }
    atEnd_ = false;
    std::size_t end = rest_.find("\r\n");
    std::size_t skip = 2;
    if (end == std::string_view::npos) {
        end = rest_.find('\n');
        skip = 1;
    }
    if (end == std::string_view::npos) {
        line_ = rest_;
        rest_ = std::string_view();
    } else {
        line_ = rest_.substr(0, end);
        rest_ = rest_.substr(end + skip);
    }
}

void XmcdLineCursor::next() {
    if (atEnd_)
        return;
    split();
}

bool readKeyedValue(std::string_view key, XmcdLineCursor& cursor, std::string& value) {
    value.clear();
    bool taken = false;
    while (!cursor.atEnd() && contains(cursor.line(), key)) {
        value += after(cursor.line(), key.size() + kKeySeparator.size());
        taken = true;
        cursor.next();
    }
    return taken;
}

namespace {

// Moves to the first comment from here that holds the label (or the other one);
// false when the comments end first.
bool findComment(XmcdLineCursor& cursor, std::string_view label,
                 std::string_view otherLabel = std::string_view()) {
    auto holdsLabel = [&](std::string_view text) {
        return contains(text, label) || (!otherLabel.empty() && contains(text, otherLabel));
    };
    while (isComment(cursor) && !holdsLabel(commentText(cursor.line())))
        cursor.next();
    return isComment(cursor);
}

// The status line with a record's code and the "# xmcd" comment after it.
bool readHeader(const std::string& body, XmcdLineCursor& cursor, std::string& errorText) {
    int code = responseCode(body);
    if (code < kFirstRecordCode || code > kLastRecordCode) {
        errorText = formatText("%s", body.c_str());
        return false;
    }
    cursor.next(); // the status line
    if (!isComment(cursor) || !contains(commentText(cursor.line()), kXmcdMark))
        return fail(errorText, kNoXmcd);
    cursor.next();
    return true;
}

bool readFrameOffsets(XmcdLineCursor& cursor, XmcdRecord& record, std::string& errorText) {
    if (!findComment(cursor, kFrameOffsetsLabel))
        return fail(errorText, kNoOffsets);
    cursor.next();
    record.frameOffsets.clear();
    for (bool first = true; isComment(cursor); first = false) {
        std::string_view text = commentText(cursor.line());
        bool isNumber = false;
        int offset = leadingNumber(text, &isNumber);
        if (text.empty() || !isNumber || (offset == 0 && !first))
            break;
        if (record.frameOffsets.size() < static_cast<std::size_t>(kXmcdMaxTracks))
            record.frameOffsets.push_back(offset);
        cursor.next();
    }
    return true;
}

bool readDiscLength(XmcdLineCursor& cursor, XmcdRecord& record, std::string& errorText) {
    if (!findComment(cursor, kDiscLengthLabel))
        return fail(errorText, kNoDiscLength);
    std::string_view lengthText = commentText(cursor.line());
    if (lengthText.size() <= kDiscLengthLabel.size())
        return fail(errorText, kNoDiscLength);
    // The number starts after the label and one blank.
    record.discLengthSeconds = leadingNumber(after(lengthText, kDiscLengthLabel.size() + 1));
    cursor.next();
    return true;
}

// Reads the revision when its line comes first and stops on the submitted
// line, whose text `submitted` then holds.
bool readRevision(XmcdLineCursor& cursor, XmcdRecord& record, std::string_view& submitted,
                  std::string& errorText) {
    if (!findComment(cursor, kRevisionLabel, kSubmittedViaLabel))
        return fail(errorText, kNoRevisionOrSubmitted);
    submitted = commentText(cursor.line());
    record.revision = 0;
    if (!contains(submitted, kRevisionLabel))
        return true;
    // The label, a blank and at least one more character.
    if (submitted.size() >= kRevisionLabel.size() + 2)
        record.revision = leadingNumber(after(submitted, kRevisionLabel.size()));
    if (contains(submitted, kSubmittedViaLabel))
        return true;
    cursor.next();
    if (!findComment(cursor, kSubmittedViaLabel))
        return fail(errorText, kNoValidSubmitted);
    submitted = commentText(cursor.line());
    return true;
}

// Up to `count` words separated by blanks.
std::vector<std::string_view> blankSeparatedWords(std::string_view rest, std::size_t count) {
    std::vector<std::string_view> words;
    while (words.size() < count) {
        while (!rest.empty() && isBlank(rest.front()))
            rest.remove_prefix(1);
        if (rest.empty())
            break;
        std::size_t end = 0;
        while (end < rest.size() && !isBlank(rest[end]))
            ++end;
        words.push_back(rest.substr(0, end));
        rest.remove_prefix(end);
    }
    return words;
}

// "Revision: n" and "Submitted via: name version [comment]".
bool readSubmitter(XmcdLineCursor& cursor, XmcdRecord& record, std::string& errorText) {
    std::string_view text;
    if (!readRevision(cursor, record, text, errorText))
        return false;
    if (text.size() < kSubmittedViaLabel.size())
        return fail(errorText, kNoValidSubmitted);
    std::vector<std::string_view> words =
        blankSeparatedWords(after(text, kSubmittedViaLabel.size()), 3);
    if (words.size() < 2)
        return fail(errorText, kNoValidSubmittedVia);
    record.submitterName = std::string(words[0]);
    record.submitterVersion = std::string(words[1]);
    record.submitterComment = words.size() > 2 ? std::string(words[2]) : std::string();
    cursor.next();
    return true;
}

// The first DISCID line after the comments: its first id.
bool readDiscId(XmcdLineCursor& cursor, XmcdRecord& record, std::string& errorText) {
    std::string value;
    bool haveDiscId = false;
    while (!cursor.atEnd() && !haveDiscId) {
        haveDiscId = readKeyedValue(kDiscIdKey, cursor, value);
        if (!haveDiscId)
            cursor.next();
    }
    if (!haveDiscId)
        return fail(errorText, kNoDiscId);
    record.discId = leadingHex(value);
    return true;
}

// "DTITLE=artist / title", or the title alone without a slash.
bool readDiscTitle(XmcdLineCursor& cursor, XmcdRecord& record, std::string& errorText) {
    std::string value;
    if (!readKeyedValue(kDTitleKey, cursor, value))
        return fail(errorText, kNoDTitle);
    std::string_view dtitle(value);
    std::size_t slash = dtitle.find('/');
    if (slash != std::string_view::npos) {
        record.artist = std::string(trimBlanks(dtitle.substr(0, slash)));
        record.title = std::string(trimBlanks(dtitle.substr(slash + 1)));
    } else {
        record.artist.clear();
        record.title = std::string(trimBlanks(dtitle));
    }
    return true;
}

bool readYearAndGenre(XmcdLineCursor& cursor, int protocolLevel, bool cddbHack, XmcdRecord& record,
                      std::string& errorText) {
    record.year = 0;
    record.genre.clear();
    if (protocolLevel < kYearGenreLevel || cddbHack)
        return true;
    std::string value;
    if (!readKeyedValue(kDYearKey, cursor, value))
        return fail(errorText, kNoDYear);
    record.year = leadingNumber(value);
    if (!readKeyedValue(kDGenreKey, cursor, value))
        return fail(errorText, kNoDGenre);
    record.genre = std::string(trimBlanks(value));
    return true;
}

// DISCID, DTITLE, DYEAR and DGENRE, TTITLE, EXTD and EXTT, in this order.
bool readDiscValues(XmcdLineCursor& cursor, int protocolLevel, bool cddbHack, XmcdRecord& record,
                    std::string& errorText) {
    if (!readDiscId(cursor, record, errorText) || !readDiscTitle(cursor, record, errorText) ||
        !readYearAndGenre(cursor, protocolLevel, cddbHack, record, errorText))
        return false;
    if (!readNumberedValues(kTTitleKey, cursor, record.trackTitles))
        return fail(errorText, kNoTTitle);
    if (!readKeyedValue(kExtdKey, cursor, record.extendedDisc))
        return fail(errorText, kNoExtd);
    if (!readNumberedValues(kExttKey, cursor, record.extendedTracks))
        return fail(errorText, kNoExtt);
    return true;
}

// The optional "PLAYORDER=n,n,..." line.
void readPlayOrder(XmcdLineCursor& cursor, XmcdRecord& record) {
    record.playOrder.clear();
    std::string value;
    if (!readKeyedValue(kPlayOrderKey, cursor, value))
        return;
    for (std::string_view pieces(value); !pieces.empty();) {
        std::size_t comma = pieces.find(',');
        if (record.playOrder.size() < static_cast<std::size_t>(kXmcdMaxPlayOrder))
            record.playOrder.push_back(leadingNumber(pieces.substr(0, comma)));
        if (comma == std::string_view::npos)
            break;
        pieces.remove_prefix(comma + 1);
    }
}

} // namespace

bool parseXmcd(const std::string& body, int protocolLevel, bool cddbHack, XmcdRecord& record,
               std::string& errorText) {
    XmcdLineCursor cursor(body);
    if (!readHeader(body, cursor, errorText) || !readFrameOffsets(cursor, record, errorText) ||
        !readDiscLength(cursor, record, errorText) || !readSubmitter(cursor, record, errorText) ||
        !readDiscValues(cursor, protocolLevel, cddbHack, record, errorText))
        return false;
    readPlayOrder(cursor, record);
    return true;
}

std::string foldXmcdLine(const std::string& line) {
    std::size_t equals = line.find('=');
    std::string key = equals == std::string::npos ? std::string() : line.substr(0, equals + 1);
    // A prefix that leaves no room would never shorten the line: cut plainly then.
    if (key.size() >= kXmcdFoldWidth)
        key.clear();
    std::string out;
    std::string rest = line;
    while (rest.size() > kXmcdFoldWidth) {
        out.append(rest, 0, kXmcdFoldWidth);
        out += "\r\n";
        rest = key + rest.substr(kXmcdFoldWidth);
    }
    out += rest;
    out += "\r\n";
    return out;
}

std::string buildSubmitBody(const XmcdRecord& record, int protocolLevel, bool cddbHack) {
    std::string body = "# xmcd\r\n#\r\n# Track frame offsets:\r\n";
    for (int offset : record.frameOffsets)
        body += formatBounded(kKeyMaxChars, "# %d\r\n", offset);
    body += formatBounded(kMessageMaxChars, "#\r\n# Disc length: %d seconds\r\n#\r\n",
                          record.discLengthSeconds);
    body += formatBounded(kMessageMaxChars, "#\r\n# Revision: %d\r\n", record.revision);
    body += "# Submitted via: " + record.submitterName + " " + record.submitterVersion;
    if (!record.submitterComment.empty())
        body += " " + record.submitterComment;
    body += "\r\n#\r\n";
    body += keyLine(kDiscIdKey, formatBounded(kKeyMaxChars, "%08x\r\n",
                                              static_cast<unsigned int>(record.discId)));
    if (!record.artist.empty())
        appendFolded(body, keyLine(kDTitleKey, record.artist + " / " + record.title));
    else
        appendFolded(body, keyLine(kDTitleKey, record.title));
    if (protocolLevel >= kYearGenreLevel && !cddbHack) {
        appendFolded(body, keyLine(kDYearKey, record.year != 0
                                                  ? formatBounded(kKeyMaxChars, "%d", record.year)
                                                  : std::string()));
        appendFolded(body, keyLine(kDGenreKey, record.genre));
    }
    for (std::size_t n = 0; n < record.trackTitles.size(); ++n)
        appendFolded(body,
                     keyLine(numberedKey(kTTitleKey, static_cast<int>(n)), record.trackTitles[n]));
    appendFolded(body, keyLine(kExtdKey, record.extendedDisc));
    for (std::size_t n = 0; n < record.extendedTracks.size(); ++n)
        appendFolded(body,
                     keyLine(numberedKey(kExttKey, static_cast<int>(n)), record.extendedTracks[n]));
    body += keyLine(kPlayOrderKey, std::string());
    return body;
}

std::string submitCategory(const std::string& category) {
    return category.empty() ? std::string("misc") : category;
}

std::string buildSubmitHeaders(const std::string& category, std::uint32_t discId,
                               const std::string& emailAddress, const std::string& note,
                               bool testSubmit, std::size_t bodyLength) {
    std::string headers = "Category: " + submitCategory(category) + "\r\n";
    headers += formatBounded(kKeyMaxChars, "Discid: %08x\r\n", static_cast<unsigned int>(discId));
    headers += "User-Email: " + emailAddress + "\r\n";
    headers += testSubmit ? "Submit-Mode: test\r\n" : "Submit-Mode: submit\r\n";
    if (!note.empty())
        headers += "X-Cddbd-Note: " + note + "\r\n";
    headers += "Content-Length: " + std::to_string(bodyLength) + "\r\n\r\n";
    return headers;
}

} // namespace rubo
