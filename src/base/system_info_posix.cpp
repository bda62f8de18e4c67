#include "base/system_info.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace rubo {

namespace {

// Used when the system gives no size for the user-database buffer.
constexpr std::size_t kPasswdBufferBytes = 16384;

class PosixSystemInfo : public SystemInfo {
public:
    std::string modulePath() const override {
        std::error_code ec;
        std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
        return ec ? std::string() : path.string();
    }

    OsKind osKind() const override { return kOsUnknown; }

    std::string userName() const override {
        long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
        std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested)
                                               : kPasswdBufferBytes);
        passwd entry{};
        passwd* found = nullptr;
        if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
            !found->pw_name || !found->pw_name[0])
            return "?";
        return found->pw_name;
    }

    bool isAdministrator() const override { return geteuid() == 0; }

    std::string lastErrorText() const override {
        int code = errno;
        return std::strerror(code);
    }
};

PosixSystemInfo posixSystemInfo;

} // namespace

SystemInfo& systemInfo() {
    return posixSystemInfo;
}

} // namespace rubo
