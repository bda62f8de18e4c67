#include "settings/profile_api.h"

#include "settings/ini_lines.h"

#include <windows.h>

#include <vector>

namespace rubo {

namespace {

class Win32ProfileApi : public ProfileApi {
public:
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, const std::string& path) override {
        std::vector<char> buffer(kProfileBufferSize);
        DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                           buffer.data(), static_cast<DWORD>(buffer.size()),
                                           path.c_str());
        return std::string(buffer.data(), n);
    }

    bool writeString(const std::string& section, const std::string& key, const char* value,
                     const std::string& path) override {
        return WritePrivateProfileStringA(section.c_str(), key.c_str(), value, path.c_str()) != 0;
    }

    TextReads textReads() const override { return TextReads::WrittenForm; }

    bool writeStringInText(const std::string& section, const std::string& key, const char* value,
                           std::string& text) override {
        return ini::applyProfileWrite(text, section, key, value);
    }

    // WritePrivateProfileStringA changes only the first section of the name
    // and, when it changes something, writes every other line back in its
    // own form; a file that starts with a byte-order mark is read otherwise.
    bool keepsOtherLines(std::string_view before, std::string_view after, std::string_view section,
                         bool changed) const override {
        if (!before.empty() && static_cast<unsigned char>(before.front()) >= 0x80)
            return false;
        if (ini::mayHoldProfileHeader(before, section) || ini::mayHoldProfileHeader(after, section))
            return false;
        return !changed || (ini::isProfileWrittenForm(before) && ini::isProfileWrittenForm(after));
    }
};

} // namespace

ProfileApi& systemProfileApi() {
    static Win32ProfileApi api;
    return api;
}

} // namespace rubo
