#include <doctest.h>

#include "test_support.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

// Every logging call site passes a number of its own, so that a log line
// leads back to exactly one place in the code.
TEST_CASE("logging call sites have distinct site numbers") {
    fs::path src = fs::path(RUBO_SOURCE_DIR) / "src";
    REQUIRE(fs::is_directory(src));
    const std::regex call(R"(\b(?:logEvent|logTransportError|logSite)\s*\(\s*(\d+)\s*,)");
    std::map<unsigned long, std::string> seen;
    int calls = 0;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        if (!entry.is_regular_file())
            continue;
        std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string body = text.str();
        for (std::sregex_iterator it(body.begin(), body.end(), call), end; it != end; ++it) {
            unsigned long site = std::stoul((*it)[1].str());
            if (site == 0)
                continue;
            ++calls;
            std::string where = entry.path().filename().string();
            auto [pos, inserted] = seen.emplace(site, where);
            if (!inserted)
                FAIL_CHECK("site number " << site << " used in " << pos->second << " and "
                                          << where);
        }
    }
    MESSAGE("checked " << calls << " numbered logging call sites");
}
