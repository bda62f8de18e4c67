#pragma once

// The answer of a disc id lookup (/ws/2/discid/<id>, JSON), read into plain
// records. Texts stay UTF-8 here.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rubo {

// Longer answers are refused unread.
constexpr std::size_t kMbAnswerMaxBytes = 16u * 1024u * 1024u;
// Deeper nesting of arrays and objects is refused unread.
constexpr int kMbAnswerMaxDepth = 64;

struct MbTrack {
    std::string title;
    std::string artist; // the track's artist credit with its join phrases; may be empty
};

struct MbMedium {
    int position = 0;
    std::string format;               // "CD", "Enhanced CD", ...; may be empty
    std::vector<std::string> discIds; // the disc ids attached to the medium
    std::vector<MbTrack> tracks;
};

struct MbRelease {
    std::string artist; // the artist credit with its join phrases
    std::string title;
    std::string date; // "YYYY", "YYYY-MM" or "YYYY-MM-DD"; may be empty
    std::string country;
    std::vector<MbMedium> media;
};

enum class MbAnswerKind {
    Releases, // one or more releases
    Stub,     // no release, a CD stub: `stub` holds it as one medium
    Nothing,
};

struct MbAnswer {
    MbAnswerKind kind = MbAnswerKind::Nothing;
    std::vector<MbRelease> releases;
    MbRelease stub;
};

// False with a short reason in `error` for a body that is too large, too
// deep, not JSON, or with a field missing or of the wrong type; `answer` is
// then left as it was. Nothing throws.
bool readMbAnswer(std::string_view body, MbAnswer& answer, std::string& error);

} // namespace rubo
