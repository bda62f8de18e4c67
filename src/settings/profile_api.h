#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rubo {

// Buffer of a profile read: values are cut at one character less.
constexpr std::size_t kProfileBufferSize = 1000;

// The private-profile functions of the platform.
class ProfileApi {
public:
    virtual ~ProfileApi() = default;
    // A value, cut to kProfileBufferSize - 1 characters, or the default.
    virtual std::string getString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue, const std::string& path) = 0;
    // Writes a value; a null value removes the key. False when nothing was written.
    virtual bool writeString(const std::string& section, const std::string& key, const char* value,
                             const std::string& path) = 0;

    // writeString() on file contents in memory; false (`text` untouched)
    // when these functions cannot be sure to write the same there.
    virtual bool writeStringInText(const std::string& section, const std::string& key,
                                   const char* value, std::string& text) {
        (void)section, (void)key, (void)value, (void)text;
        return false;
    }
    // How getString() can be answered from the file's contents in memory.
    enum class TextReads {
        None,        // it cannot
        LineRules,   // ini::findValue(), cut as above
        WrittenForm, // ini::findProfileValue() when ini::isProfileWrittenForm()
    };
    virtual TextReads textReads() const { return TextReads::None; }
    // Whether a write to `section`, all of whose lines lie between `before`
    // and `after` (the rest of the file, every line ending in CR LF), leaves
    // those two byte for byte; `changed`: the write changed the section's
    // lines. False when unsure.
    virtual bool keepsOtherLines(std::string_view before, std::string_view after,
                                 std::string_view section, bool changed) const {
        (void)before, (void)after, (void)section, (void)changed;
        return false;
    }
};

// The same file format through the program's own line rules, for platforms
// without profile functions.
class LineProfileApi : public ProfileApi {
public:
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, const std::string& path) override;
    bool writeString(const std::string& section, const std::string& key, const char* value,
                     const std::string& path) override;
    bool writeStringInText(const std::string& section, const std::string& key, const char* value,
                           std::string& text) override;
    TextReads textReads() const override { return TextReads::LineRules; }
    bool keepsOtherLines(std::string_view before, std::string_view after, std::string_view section,
                         bool changed) const override;
};

// The platform's implementation.
ProfileApi& systemProfileApi();

} // namespace rubo
