#include "musicbrainz/mb_answer.h"

#include "base/text_format.h"

#include <nlohmann/json.hpp>

#include <new>

namespace rubo {

namespace {

using Json = nlohmann::json;

constexpr const char kTooLargeError[] = "the answer is too large";
constexpr const char kTooDeepError[] = "the answer is nested too deeply";
constexpr const char kNotJsonError[] = "the answer is not JSON";
constexpr const char kNotObjectError[] = "the answer is not a JSON object";
constexpr const char kNoMemoryError[] = "not enough memory for the answer";
constexpr const char kFieldError[] = "missing or of the wrong type: %s";

// Whether arrays and objects nest deeper than the limit; brackets inside
// strings do not count.
bool nestsTooDeep(std::string_view text) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMbAnswerMaxDepth)
                return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

// Reads fields with their types checked first; the first failure names the
// field and stops the reading.
class Reader {
public:
    std::string error;

    bool fail(const std::string& where) {
        if (error.empty())
            error = formatText(kFieldError, where.c_str());
        return false;
    }

    // A string field; an optional one may be absent or null.
    bool text(const Json& object, const char* key, std::string& out, bool required,
              const std::string& where) {
        const auto it = object.find(key);
        if (it == object.end() || (!required && it->is_null()))
            return !required || fail(where + key);
        if (!it->is_string())
            return fail(where + key);
        out = it->get<std::string>();
        return true;
    }

    // An array field, nullptr when absent (an error when required) or of another type.
    const Json* array(const Json& object, const char* key, bool required,
                      const std::string& where) {
        const auto it = object.find(key);
        if (it == object.end())
            return required ? (fail(where + key), nullptr) : nullptr;
        if (!it->is_array())
            return fail(where + key), nullptr;
        return &*it;
    }

    // The names and join phrases of an artist credit, joined.
    bool credit(const Json& object, std::string& out, const std::string& where) {
        const Json* parts = array(object, "artist-credit", false, where);
        if (parts == nullptr)
            return error.empty();
        out.clear();
        for (std::size_t i = 0; i < parts->size(); ++i) {
            const Json& part = (*parts)[i];
            const std::string at = formatText("%sartist-credit[%zu].", where.c_str(), i);
            std::string name, join;
            if (!part.is_object())
                return fail(at);
            if (!text(part, "name", name, true, at) || !text(part, "joinphrase", join, false, at))
                return false;
            out += name + join;
        }
        return true;
    }

    bool track(const Json& object, MbTrack& out, bool stub, const std::string& where) {
        if (!object.is_object())
            return fail(where);
        if (!text(object, "title", out.title, true, where))
            return false;
        return stub ? text(object, "artist", out.artist, false, where)
                    : credit(object, out.artist, where);
    }

    bool tracks(const Json& object, std::vector<MbTrack>& out, bool stub,
                const std::string& where) {
        const Json* list = array(object, "tracks", true, where);
        if (list == nullptr)
            return false;
        for (std::size_t i = 0; i < list->size(); ++i) {
            MbTrack t;
            if (!track((*list)[i], t, stub, formatText("%stracks[%zu].", where.c_str(), i)))
                return false;
            out.push_back(std::move(t));
        }
        return true;
    }

    bool medium(const Json& object, MbMedium& out, const std::string& where) {
        if (!object.is_object())
            return fail(where);
        const auto position = object.find("position");
        if (position != object.end() && !position->is_null() && !position->is_number_integer())
            return fail(where + "position");
        if (position != object.end() && position->is_number_integer())
            out.position = position->get<int>();
        if (!text(object, "format", out.format, false, where))
            return false;
        if (const Json* discs = array(object, "discs", false, where)) {
            for (std::size_t i = 0; i < discs->size(); ++i) {
                const std::string at = formatText("%sdiscs[%zu].", where.c_str(), i);
                std::string id;
                if (!(*discs)[i].is_object())
                    return fail(at);
                if (!text((*discs)[i], "id", id, true, at))
                    return false;
                out.discIds.push_back(std::move(id));
            }
        }
        return error.empty() && tracks(object, out.tracks, false, where);
    }

    bool release(const Json& object, MbRelease& out, const std::string& where) {
        if (!object.is_object())
            return fail(where);
        if (!text(object, "title", out.title, true, where) ||
            !text(object, "date", out.date, false, where) ||
            !text(object, "country", out.country, false, where) ||
            !credit(object, out.artist, where))
            return false;
        const Json* media = array(object, "media", true, where);
        if (media == nullptr)
            return false;
        for (std::size_t i = 0; i < media->size(); ++i) {
            MbMedium m;
            if (!medium((*media)[i], m, formatText("%smedia[%zu].", where.c_str(), i)))
                return false;
            out.media.push_back(std::move(m));
        }
        return true;
    }

    bool stub(const Json& object, MbRelease& out) {
        MbMedium m;
        std::string id;
        if (!text(object, "title", out.title, true, "") ||
            !text(object, "artist", out.artist, true, "") || !text(object, "id", id, false, "") ||
            !tracks(object, m.tracks, true, ""))
            return false;
        if (!id.empty())
            m.discIds.push_back(id);
        m.position = 1;
        out.media.push_back(std::move(m));
        return true;
    }

    bool answer(const Json& root, MbAnswer& out) {
        if (const Json* releases = array(root, "releases", false, "")) {
            for (std::size_t i = 0; i < releases->size(); ++i) {
                MbRelease r;
                if (!release((*releases)[i], r, formatText("releases[%zu].", i)))
                    return false;
                out.releases.push_back(std::move(r));
            }
            out.kind = out.releases.empty() ? MbAnswerKind::Nothing : MbAnswerKind::Releases;
            return true;
        }
        if (!error.empty())
            return false;
        // Without a release list the answer is a CD stub.
        if (!stub(root, out.stub))
            return false;
        out.kind = MbAnswerKind::Stub;
        return true;
    }
};

bool readChecked(std::string_view body, MbAnswer& answer, std::string& error) {
    if (body.size() > kMbAnswerMaxBytes)
        return error = kTooLargeError, false;
    if (nestsTooDeep(body))
        return error = kTooDeepError, false;
    const Json root = Json::parse(body.begin(), body.end(), nullptr, false);
    if (root.is_discarded())
        return error = kNotJsonError, false;
    if (!root.is_object())
        return error = kNotObjectError, false;
    Reader reader;
    MbAnswer read;
    if (!reader.answer(root, read))
        return error = reader.error, false;
    answer = std::move(read);
    return true;
}

} // namespace

bool readMbAnswer(std::string_view body, MbAnswer& answer, std::string& error) {
    try {
        return readChecked(body, answer, error);
    } catch (const std::bad_alloc&) {
        error = kNoMemoryError;
        return false;
    }
}

} // namespace rubo
