#include "settings/profile_api.h"

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
};

} // namespace

ProfileApi& systemProfileApi() {
    static Win32ProfileApi api;
    return api;
}

} // namespace rubo
