#include <doctest.h>

#include "support/test_support.h"

#include <filesystem>
#include <map>
#include <regex>

namespace fs = std::filesystem;

namespace {

// Numbered logging calls of one source text: site number -> count.
void collectSites(const std::string& body, const std::string& where,
                  std::map<unsigned long, std::string>& seen, std::string& duplicates, int& calls) {
    static const std::regex call(R"(\b(?:logEvent|logTransportError)\s*\(\s*(\d+)\s*,)");
    for (std::sregex_iterator it(body.begin(), body.end(), call), end; it != end; ++it) {
        unsigned long site = std::stoul((*it)[1].str());
        if (site == 0)
            continue;
        ++calls;
        auto [pos, inserted] = seen.emplace(site, where);
        if (!inserted)
            duplicates += std::to_string(site) + " in " + pos->second + " and " + where + "; ";
    }
}

} // namespace

TEST_CASE("the site-number scan finds repeated numbers") {
    std::map<unsigned long, std::string> seen;
    std::string duplicates;
    int calls = 0;
    collectSites("logEvent(1747, \"M : Options menu\");\nlogEvent(0, \"\");\n"
                 "logEvent( 0938 , \"x\");",
                 "a.cpp", seen, duplicates, calls);
    collectSites("logEvent(938, \"  : again\");", "b.cpp", seen, duplicates, calls);
    CHECK(calls == 3);
    CHECK(duplicates == "938 in a.cpp and b.cpp; ");
}

// Every logging call site passes a number of its own, so that a log line
// leads back to exactly one place in the code.
TEST_CASE("logging call sites have distinct site numbers") {
    fs::path src = fs::path(RUBO_SOURCE_DIR) / "src";
    REQUIRE(fs::is_directory(src));
    std::map<unsigned long, std::string> seen;
    std::string duplicates;
    int calls = 0;
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        if (!entry.is_regular_file())
            continue;
        std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h")
            continue;
        collectSites(rubo::test::readBytes(entry.path()), entry.path().filename().string(), seen,
                     duplicates, calls);
    }
    CHECK_MESSAGE(duplicates.empty(), duplicates);
    MESSAGE("checked " << calls << " numbered logging call sites");
}
