#include "sim/disc.h"

#include "base/text_format.h"
#include "sim/cdtext.h"
#include "sim/file_read.h"

namespace rubo::vdrive {

Msf framesToMsf(int frames) {
    if (frames < 0)
        frames = 0;
    return Msf{frames / kFramesPerMinute, (frames / kFramesPerSecond) % 60,
               frames % kFramesPerSecond};
}

int msfToFrames(int minute, int second, int frame) {
    return minute * kFramesPerMinute + second * kFramesPerSecond + frame;
}

int Disc::leadOutFrame() const {
    return sessions.empty() ? 0 : sessions.back().leadOutFrame;
}

const Track* Disc::track(int number) const {
    if (number < 1 || number > trackCount())
        return nullptr;
    return &tracks[static_cast<std::size_t>(number - 1)];
}

const Session* Disc::session(int number) const {
    if (number < 1 || number > sessionCount())
        return nullptr;
    return &sessions[static_cast<std::size_t>(number - 1)];
}

int Disc::trackEndFrame(int number) const {
    const Track* t = track(number);
    if (t == nullptr)
        return 0;
    const Track* next = track(number + 1);
    if (next != nullptr && next->session == t->session)
        return next->startFrame;
    const Session* s = session(t->session);
    return s != nullptr ? s->leadOutFrame : 0;
}

int Disc::trackAt(int frame) const {
    int found = tracks.empty() ? 0 : 1;
    for (const Track& t : tracks) {
        if (t.startFrame <= frame)
            found = t.number;
    }
    return found;
}

std::string formatVolumeSerial(std::uint32_t serial) {
    return formatText("%04X-%04X", static_cast<unsigned>(serial >> 16),
                      static_cast<unsigned>(serial & 0xFFFF));
}

namespace {

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

// The rest of the line after `skip` words, without surrounding blanks.
std::string restAfterWords(const std::string& line, int skip) {
    std::size_t i = 0;
    for (int w = 0; w < skip; ++w) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
    }
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    std::size_t end = line.size();
    while (end > i && (line[end - 1] == ' ' || line[end - 1] == '\t'))
        --end;
    return line.substr(i, end - i);
}

bool parseNumber(const std::string& text, int maxValue, int& value) {
    if (text.empty() || text.size() > 9)
        return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    if (v > maxValue)
        return false;
    value = v;
    return true;
}

// "mm:ss:ff" or a plain frame count.
bool parseAddress(const std::string& text, int& frames) {
    std::size_t c1 = text.find(':');
    if (c1 == std::string::npos)
        return parseNumber(text, kMaxFrame, frames);
    std::size_t c2 = text.find(':', c1 + 1);
    if (c2 == std::string::npos || text.find(':', c2 + 1) != std::string::npos)
        return false;
    int m = 0, s = 0, f = 0;
    if (!parseNumber(text.substr(0, c1), 99, m) ||
        !parseNumber(text.substr(c1 + 1, c2 - c1 - 1), 59, s) ||
        !parseNumber(text.substr(c2 + 1), kFramesPerSecond - 1, f))
        return false;
    frames = msfToFrames(m, s, f);
    return true;
}

bool parseSerial(const std::string& text, std::uint32_t& serial) {
    std::string hex;
    if (text.size() == 9 && text[4] == '-')
        hex = text.substr(0, 4) + text.substr(5);
    else if (text.size() == 10 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        hex = text.substr(2);
    else
        hex = text;
    if (hex.size() != 8)
        return false;
    std::uint32_t v = 0;
    for (char c : hex) {
        int d = 0;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v << 4 | static_cast<std::uint32_t>(d);
    }
    serial = v;
    return true;
}

std::string joinPath(const std::string& dir, const std::string& name) {
    bool absolute = (!name.empty() && (name[0] == '/' || name[0] == '\\')) ||
                    (name.size() > 1 && name[1] == ':');
    if (absolute || dir.empty())
        return name;
    char last = dir.back();
    return (last == '/' || last == '\\') ? dir + name : dir + "/" + name;
}

class DiscParser {
public:
    DiscParser(const std::string& fileName, const std::string& baseDir)
        : fileName_(fileName), baseDir_(baseDir) {}

    bool run(const std::string& text, Disc& out, std::string& error);

private:
    bool fail(const std::string& message) {
        error_ = formatText("%s:%d: %s", fileName_.c_str(), line_, message.c_str());
        return false;
    }
    bool statement(const std::string& line);
    bool onSession(const std::vector<std::string>& w);
    bool onTrack(const std::vector<std::string>& w);
    bool onLeadOut(const std::vector<std::string>& w);
    bool onText(const std::vector<std::string>& w, const std::string& line);
    bool finish(Disc& out);

    std::string fileName_;
    std::string baseDir_;
    std::string error_;
    int line_ = 0;
    Disc disc_;
    bool sessionOpen_ = false;
    bool empty_ = false;
    int emptyLine_ = 0;
    bool anyStatement_ = false;
    bool haveSerial_ = false;
    bool haveLabel_ = false;
    bool haveCdtFile_ = false;
    int cdtLine_ = 0;
    int lastLine_ = 0;
    int textLine_ = 0;
    CdTextStrings discText_;
    std::vector<CdTextStrings> trackText_ = std::vector<CdTextStrings>(kMaxTrackNumber);
    int highestTextTrack_ = 0;
};

bool DiscParser::run(const std::string& text, Disc& out, std::string& error) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++line_;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!statement(line)) {
            error = error_;
            return false;
        }
    }
    if (!finish(out)) {
        error = error_;
        return false;
    }
    return true;
}

bool DiscParser::statement(const std::string& line) {
    if (line.size() > kMaxDiscLineChars)
        return fail(
            formatText("line longer than %u characters", static_cast<unsigned>(kMaxDiscLineChars)));
    for (unsigned char c : line) {
        if ((c < 0x20 && c != '\t') || c == 0x7F)
            return fail("control character in line");
    }
    std::vector<std::string> w = splitWords(line);
    if (w.empty() || w[0][0] == '#')
        return true;
    if (empty_)
        return fail("an empty tray holds no other statements");
    lastLine_ = line_;
    const std::string& key = w[0];
    if (key == "empty") {
        if (anyStatement_ || w.size() != 1)
            return fail("\"empty\" must be the only statement");
        empty_ = true;
        emptyLine_ = line_;
        return true;
    }
    anyStatement_ = true;
    if (key == "session")
        return onSession(w);
    if (key == "track")
        return onTrack(w);
    if (key == "leadout")
        return onLeadOut(w);
    if (key == "text")
        return onText(w, line);
    if (key == "serial") {
        if (haveSerial_)
            return fail("second \"serial\"");
        if (w.size() != 2 || !parseSerial(w[1], disc_.volumeSerial))
            return fail("serial must be XXXX-XXXX or 8 hex digits");
        haveSerial_ = true;
        return true;
    }
    if (key == "label") {
        if (haveLabel_)
            return fail("second \"label\"");
        std::string label = restAfterWords(line, 1);
        if (label.empty() || label.size() > kMaxVolumeLabelChars)
            return fail(formatText("label must have 1 to %u characters",
                                   static_cast<unsigned>(kMaxVolumeLabelChars)));
        disc_.volumeLabel = label;
        haveLabel_ = true;
        return true;
    }
    if (key == "cdtext-file") {
        if (haveCdtFile_)
            return fail("second \"cdtext-file\"");
        if (textLine_ != 0)
            return fail("\"cdtext-file\" and \"text\" lines exclude each other");
        std::string name = restAfterWords(line, 1);
        if (name.empty())
            return fail("cdtext-file needs a file name");
        std::string error;
        if (!loadCdtFile(joinPath(baseDir_, name), disc_.cdText, error))
            return fail(error);
        haveCdtFile_ = true;
        cdtLine_ = line_;
        return true;
    }
    return fail(formatText("unknown statement \"%s\"", key.c_str()));
}

bool DiscParser::onSession(const std::vector<std::string>& w) {
    int number = 0;
    if (w.size() != 2 || !parseNumber(w[1], kMaxTrackNumber, number))
        return fail("session needs its number");
    int expected = disc_.sessionCount() + 1;
    if (number != expected)
        return fail(formatText("session %d where session %d is due", number, expected));
    if (sessionOpen_)
        return fail(formatText("session %d has no lead-out", expected - 1));
    Session s;
    s.number = number;
    disc_.sessions.push_back(s);
    sessionOpen_ = true;
    return true;
}

bool DiscParser::onTrack(const std::vector<std::string>& w) {
    if (w.size() != 4)
        return fail("track needs: track <number> audio|data <address>");
    int number = 0;
    if (!parseNumber(w[1], kMaxTrackNumber, number) || number < 1)
        return fail("track number must be 1 to 99");
    int expected = disc_.trackCount() + 1;
    if (number != expected)
        return fail(formatText("track %d where track %d is due", number, expected));
    if (w[2] != "audio" && w[2] != "data")
        return fail(formatText("track type \"%s\" is neither audio nor data", w[2].c_str()));
    int start = 0;
    if (!parseAddress(w[3], start))
        return fail(formatText("bad address \"%s\" (mm:ss:ff or frames)", w[3].c_str()));
    if (!sessionOpen_) {
        if (!disc_.sessions.empty())
            return fail("track after a lead-out; start a new session first");
        Session s;
        s.number = 1;
        disc_.sessions.push_back(s);
        sessionOpen_ = true;
    }
    if (start < kLeadInFrames)
        return fail("track starts inside the lead-in (before 00:02:00)");
    if (!disc_.tracks.empty() && start <= disc_.tracks.back().startFrame)
        return fail("track starts at or before the previous track");
    Session& s = disc_.sessions.back();
    if (disc_.sessionCount() > 1 && start <= disc_.sessions[disc_.sessions.size() - 2].leadOutFrame)
        return fail("track starts before the previous session's lead-out");
    Track t;
    t.number = number;
    t.startFrame = start;
    t.audio = w[2] == "audio";
    t.session = s.number;
    disc_.tracks.push_back(t);
    if (s.firstTrack == 0)
        s.firstTrack = number;
    s.lastTrack = number;
    return true;
}

bool DiscParser::onLeadOut(const std::vector<std::string>& w) {
    int frame = 0;
    if (w.size() != 2 || !parseAddress(w[1], frame))
        return fail("leadout needs an address (mm:ss:ff or frames)");
    if (!sessionOpen_ || disc_.sessions.back().firstTrack == 0)
        return fail("lead-out without tracks before it");
    if (frame <= disc_.tracks.back().startFrame)
        return fail("lead-out at or before the start of the last track");
    disc_.sessions.back().leadOutFrame = frame;
    sessionOpen_ = false;
    return true;
}

bool DiscParser::onText(const std::vector<std::string>& w, const std::string& line) {
    if (haveCdtFile_)
        return fail("\"cdtext-file\" and \"text\" lines exclude each other");
    if (w.size() < 3)
        return fail("text needs: text disc|<track> title|performer|message <text>");
    CdTextStrings* target = &discText_;
    if (w[1] != "disc") {
        int number = 0;
        if (!parseNumber(w[1], kMaxTrackNumber, number) || number < 1)
            return fail(
                formatText("text target \"%s\" is neither disc nor a track number", w[1].c_str()));
        target = &trackText_[static_cast<std::size_t>(number - 1)];
        if (number > highestTextTrack_)
            highestTextTrack_ = number;
    }
    std::string* field = nullptr;
    if (w[2] == "title")
        field = &target->title;
    else if (w[2] == "performer")
        field = &target->performer;
    else if (w[2] == "message")
        field = &target->message;
    else
        return fail(
            formatText("text field \"%s\" is not title, performer or message", w[2].c_str()));
    if (!field->empty())
        return fail(formatText("second %s for %s", w[2].c_str(), w[1].c_str()));
    std::string value = restAfterWords(line, 3);
    if (value.empty())
        return fail("empty text");
    if (value.size() > kMaxCdTextChars)
        return fail(
            formatText("text longer than %u characters", static_cast<unsigned>(kMaxCdTextChars)));
    if (value.find('\t') != std::string::npos)
        return fail("tab in text");
    *field = value;
    textLine_ = line_;
    return true;
}

bool DiscParser::finish(Disc& out) {
    if (empty_) {
        Disc disc;
        disc.sourceName = fileName_;
        disc.hasMedia = false;
        out = std::move(disc);
        return true;
    }
    line_ = lastLine_ > 0 ? lastLine_ : line_;
    if (disc_.tracks.empty())
        return fail("no tracks (write \"empty\" for an empty tray)");
    if (sessionOpen_)
        return fail(formatText("session %d has no lead-out", disc_.sessionCount()));
    if (highestTextTrack_ > disc_.trackCount()) {
        line_ = textLine_;
        return fail(formatText("text for track %d, the disc has %d tracks", highestTextTrack_,
                               disc_.trackCount()));
    }
    if (textLine_ != 0) {
        CdTextFields fields;
        fields.disc = discText_;
        fields.firstTrack = 1;
        fields.lastTrack = disc_.trackCount();
        fields.tracks.assign(trackText_.begin(), trackText_.begin() + disc_.trackCount());
        std::string error;
        if (!buildCdTextPacks(fields, disc_.cdText, error)) {
            line_ = textLine_;
            return fail(error);
        }
    }
    disc_.sourceName = fileName_;
    disc_.hasMedia = true;
    out = std::move(disc_);
    return true;
}

} // namespace

bool parseDisc(const std::string& text, const std::string& fileName, const std::string& baseDir,
               Disc& out, std::string& error) {
    DiscParser parser(fileName, baseDir);
    return parser.run(text, out, error);
}

bool loadDiscFile(const std::string& path, Disc& out, std::string& error) {
    std::vector<unsigned char> bytes;
    ReadStatus status = readFileBounded(path, kMaxDiscFileBytes, bytes);
    if (status == ReadStatus::CannotOpen) {
        error = formatText("%s: cannot be read", path.c_str());
        return false;
    }
    if (status == ReadStatus::TooLarge) {
        error = formatText("%s: larger than %u bytes", path.c_str(),
                           static_cast<unsigned>(kMaxDiscFileBytes));
        return false;
    }
    std::size_t slash = path.find_last_of("/\\");
    std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash);
    return parseDisc(std::string(bytes.begin(), bytes.end()), path, dir, out, error);
}

} // namespace rubo::vdrive
