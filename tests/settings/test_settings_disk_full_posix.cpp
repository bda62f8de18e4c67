#include <doctest.h>

#include "settings/settings_file.h"
#include "support/test_support.h"

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>

using namespace rubo;
using rubo::test::ChildProcess;
using rubo::test::readBytes;
using rubo::test::ScratchDir;
using rubo::test::writeBytes;

namespace {

// Child: a file-size limit makes every write past it fail, as a full disk
// would. Arguments: file path, limit in bytes, line mode (1) or not (0).
int writeOnFullDiskRole(int argc, char** argv) {
    if (argc < 3)
        return 2;
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = std::strtoul(argv[1], nullptr, 10);
    std::signal(SIGXFSZ, SIG_IGN);
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 3;
    SettingsFile file(argv[0], systemProfileApi());
    file.setOwnIniFormat(std::atoi(argv[2]) != 0);
    file.writeString("Options", "Big", std::string(100000, 'x'));
    file.clearSection("5A038407");
    return 0;
}

const bool registered = rubo::test::registerChildRole("write-on-full-disk", writeOnFullDiskRole);

} // namespace

TEST_CASE("a write that fails for lack of space leaves the old file untouched") {
    REQUIRE(registered);
    ScratchDir dir;
    const std::string path = dir.file("RUBO.ini");
    const std::string discs = rubo::test::iniSections(200, 1000, "DTITLE=Artist / Title") +
                              "[5A038407]\r\nDTITLE=Kept\r\n";
    writeBytes(path, discs);
    for (const char* mode : {"1", "0"}) {
        CAPTURE(mode);
        ChildProcess child("write-on-full-disk", {path, std::to_string(discs.size() / 2), mode});
        REQUIRE_MESSAGE(child.started(), child.startError());
        CHECK(child.wait() == 0);
        CHECK(readBytes(path) == discs);
        CHECK_FALSE(std::filesystem::exists(path + ".new"));
    }
}
