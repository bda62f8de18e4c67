#include <doctest.h>

#include "../drive/fake_scsi.h"
#include "app/startup.h"
#include "settings/event_log.h"
#include "test_support.h"

#include <string>

using namespace rubo;
using namespace rubo::test;

namespace {

struct LogDir {
    explicit LogDir(bool logging) {
        processLog().setDirectory(dir.path().string() + "/");
        processLog().setSwitches(logging, false);
    }
    ~LogDir() {
        processLog().flush();
        processLog().setSwitches(false, false);
    }
    std::string file(const char* name) {
        processLog().flush();
        return readBytes(dir.path() / name);
    }
    ScratchDir dir;
};

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_CASE("the drive list holds the CD-ROM letters in order") {
    CHECK(cdromDriveList([](char l) { return l == 'E' || l == 'D' || l == 'Z'; }) == "DEZ");
    CHECK(cdromDriveList([](char) { return false; }).empty());
}

TEST_CASE("the log header names the program, the system and the user") {
    FakeSystemInfo system;
    system.admin = true;
    SUBCASE("with logging: the event log and a fresh system log") {
        LogDir log(true);
        writeBytes(log.dir.path() / kSystemLogName, "from the last run\n");
        writeLogHeader(system, false);
        logDriveList("DE", true);
        const std::string events = log.file(kEventLogName);
        CHECK(has(events, std::string(104, '-')));
        CHECK(has(events, "RUBO version 1.20"));
        CHECK(has(events, "OS = " + system.osName() + "  User = tester (admin)"));
        CHECK(has(events, "CDROM drives: DE  (ASPI)"));
        const std::string systemLog = log.file(kSystemLogName);
        CHECK_FALSE(has(systemLog, "from the last run"));
        CHECK(has(systemLog, "OS version:    " + system.osName()));
        CHECK(has(systemLog, "User:          tester"));
        CHECK(has(systemLog, "Administrator: Yes"));
        CHECK(has(systemLog, "ASPI Present:  No"));
        CHECK(has(systemLog, "CDROM drives:  DE"));
    }
    SUBCASE("without logging nothing is written") {
        LogDir log(false);
        writeLogHeader(system, true);
        CHECK(log.file(kEventLogName).empty());
        CHECK(log.file(kSystemLogName).empty());
    }
}
