#include <doctest.h>

#include "app/startup.h"
#include "base/event_log.h"
#include "drive/fake_scsi.h"
#include "support/test_support.h"

#include <ctime>
#include <string>

using namespace rubo;
using namespace rubo::test;

namespace {

struct LogDir {
    explicit LogDir(bool logging) {
        log.setDirectory(dir.path().string() + "/");
        log.setSwitches(logging, false);
    }
    std::string file(const char* name) {
        log.flush();
        return readBytes(dir.path() / name);
    }
    ScratchDir dir;
    EventLog log;
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
        // Plain message lines: no time, number or drive, and no blank line
        // between them although every line falls in a new second.
        std::time_t now = 1000000000;
        log.log.setClock([&now] { return now++; });
        log.log.setActiveDrive('D');
        writeLogHeader(log.log, system, false);
        logDriveList(log.log, "DE", true);
        CHECK(log.file(kEventLogName) ==
              crlf("\n" + std::string(104, '-') + "\nRUBO version 1.20\nOS = " + system.osName() +
                   "  User = tester (admin)\nCDROM drives: DE  (ASPI)\n"));
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
        writeLogHeader(log.log, system, true);
        CHECK(log.file(kEventLogName).empty());
        CHECK(log.file(kSystemLogName).empty());
    }
}
