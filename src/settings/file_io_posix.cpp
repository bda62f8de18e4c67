#include "settings/file_io.h"

#include <cstdio>

#include <sys/stat.h>
#include <time.h>

namespace rubo::platform {

bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool fileStamp(const std::string& path, FileStamp& stamp) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    stamp.volume = static_cast<std::uint64_t>(info.st_dev);
    stamp.index = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modified = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
                     static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    stamp.settled = now.tv_sec - info.st_mtim.tv_sec > kSettledSeconds;
    return true;
}

} // namespace rubo::platform
