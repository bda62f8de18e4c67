#pragma once

#include "base/file_io.h"
#include "settings/profile_api.h"

#include <string>
#include <vector>

namespace rubo::test {

// Passes every call on to the platform's profile functions and remembers
// each write with the file as it was just before it.
struct RecordingProfile : ProfileApi {
    std::vector<std::string> writes;
    std::vector<std::string> fileBefore;

    std::string getString(const std::string& s, const std::string& k, const std::string& d,
                          const std::string& p) override {
        return systemProfileApi().getString(s, k, d, p);
    }
    bool writeString(const std::string& s, const std::string& k, const char* v,
                     const std::string& p) override {
        writes.push_back(s + "/" + k + "=" + (v ? v : "<remove>"));
        std::string contents;
        readWholeFile(p, contents);
        fileBefore.push_back(contents);
        return systemProfileApi().writeString(s, k, v, p);
    }
};

} // namespace rubo::test
