#pragma once

#include <cstddef>
#include <string>

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
};

// The same file format through the program's own line rules, for platforms
// without profile functions.
class LineProfileApi : public ProfileApi {
public:
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, const std::string& path) override;
    bool writeString(const std::string& section, const std::string& key, const char* value,
                     const std::string& path) override;
};

// The platform's implementation.
ProfileApi& systemProfileApi();

} // namespace rubo
