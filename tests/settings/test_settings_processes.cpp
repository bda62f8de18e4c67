#include <doctest.h>

#include "settings/ini_lines.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace rubo;
using rubo::test::ChildProcess;
using rubo::test::readBytes;
using rubo::test::ScratchDir;
using rubo::test::writeBytes;

namespace {

constexpr int kKeysPerProcess = 1000;
constexpr std::size_t kBigValue = 1000;
constexpr int kDiscSections = 3000;

// Child: writes kKeysPerProcess distinct keys into one section.
// Arguments: file path, section, line mode (1) or profile mode (0).
int writeKeysRole(int argc, char** argv) {
    if (argc < 3)
        return 2;
    SettingsFile file(argv[0], systemProfileApi());
    file.setOwnIniFormat(std::atoi(argv[2]) != 0);
    for (int i = 0; i < kKeysPerProcess; ++i)
        file.writeInt(argv[1], "K" + std::to_string(i), i);
    return 0;
}

// Child: rewrites a big value over and over until it is killed.
int rewriteForeverRole(int argc, char** argv) {
    if (argc < 1)
        return 2;
    SettingsFile file(argv[0], systemProfileApi());
    file.setOwnIniFormat(true);
    for (unsigned n = 0;; ++n)
        file.writeString("Big", "Value", std::string(kBigValue, static_cast<char>('a' + n % 26)));
}

const bool registered = rubo::test::registerChildRole("write-keys", writeKeysRole) &&
                        rubo::test::registerChildRole("rewrite-forever", rewriteForeverRole);

} // namespace

TEST_CASE("two processes writing thousands of distinct keys lose none") {
    REQUIRE(registered);
    ScratchDir dir;
    const std::string path = dir.file("RUBO.ini");
    for (const char* mode : {"1", "0"}) {
        CAPTURE(mode);
        std::filesystem::remove(path);
        ChildProcess a("write-keys", {path, "ProcessA", mode});
        ChildProcess b("write-keys", {path, "ProcessB", mode});
        REQUIRE_MESSAGE(a.started(), a.startError());
        REQUIRE_MESSAGE(b.started(), b.startError());
        CHECK(a.wait() == 0);
        CHECK(b.wait() == 0);
        SettingsFile file(path, systemProfileApi());
        file.setOwnIniFormat(true);
        int missing = 0;
        for (const char* section : {"ProcessA", "ProcessB"}) {
            for (int i = 0; i < kKeysPerProcess; ++i) {
                if (file.getInt(section, "K" + std::to_string(i), -1) != i)
                    ++missing;
            }
        }
        CHECK(missing == 0);
    }
}

TEST_CASE("a writer killed half-way leaves a whole file") {
    REQUIRE(registered);
    ScratchDir dir;
    const std::string path = dir.file("RUBO.ini");
    const std::string discs =
        rubo::test::iniSections(kDiscSections, 100000, "DTITLE=Artist / Title");
    writeBytes(path, discs);
    for (int round = 0; round < 3; ++round) {
        ChildProcess child("rewrite-forever", {path});
        REQUIRE_MESSAGE(child.started(), child.startError());
        // Let it rewrite a few times, then end it wherever it is.
        rubo::test::eventually([&] { return readBytes(path).size() >= discs.size() + kBigValue; },
                               std::chrono::seconds(20), std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(30 + 47 * round));
        child.kill();
        child.wait();

        std::string contents = readBytes(path);
        std::size_t titles = 0;
        for (std::size_t pos = 0;
             (pos = contents.find("DTITLE=Artist / Title", pos)) != std::string::npos; ++pos)
            ++titles;
        CHECK(titles == static_cast<std::size_t>(kDiscSections));
        std::string value;
        REQUIRE(ini::findValue(contents, "Big", "Value", value));
        CHECK(value.size() == kBigValue);
        CHECK(value.find_first_not_of(value[0]) == std::string::npos);
    }
    // A later writer finds the lock free and the file usable.
    SettingsFile file(path, systemProfileApi());
    file.setOwnIniFormat(true);
    file.writeString("Options", "After", "1");
    CHECK(file.getString("Options", "After", "") == "1");
    CHECK(file.getString("100000", "DTITLE", "") == "Artist / Title");
}
