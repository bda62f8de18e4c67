#include "app/startup.h"

#include "base/event_log.h"
#include "base/system_info.h"

#include <string>

namespace rubo {

namespace {

constexpr std::size_t kHeaderRuleLength = 104;

const char* yesNo(bool value) {
    return value ? "Yes" : "No";
}

} // namespace

std::string cdromDriveList(const std::function<bool(char letter)>& isCdrom) {
    std::string list;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (isCdrom(letter))
            list += letter;
    }
    return list;
}

void writeLogHeader(EventLog& log, const SystemInfo& system, bool aspiPresent) {
    const std::string os = system.osName();
    const std::string user = system.userName();
    const bool admin = system.isAdministrator();
    // Site 0: the bare message, without time, number or drive.
    log.logEvent(0, "%s", "");
    log.logEvent(0, "%s", std::string(kHeaderRuleLength, '-').c_str());
    log.logEvent(0, "%s version %s", kProgramName, kProgramVersion);
    log.logEvent(0, "OS = %s  User = %s%s", os.c_str(), user.c_str(), admin ? " (admin)" : "");
    if (!log.loggingOn())
        return;
    log.truncate(kSystemLogName);
    log.logSystem("OS version:    %s", os.c_str());
    log.logSystem("User:          %s", user.c_str());
    log.logSystem("Administrator: %s", yesNo(admin));
    log.logSystem("ASPI Present:  %s", yesNo(aspiPresent));
}

void logDriveList(EventLog& log, const std::string& driveList, bool aspiPresent) {
    log.logSystem("CDROM drives:  %s", driveList.c_str());
    log.logEvent(0, "CDROM drives: %s%s", driveList.c_str(), aspiPresent ? "  (ASPI)" : "");
}

} // namespace rubo
