#include "base/file_io.h"

#include <cstdio>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace rubo::platform {

bool replaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

namespace {

FileStamp stampOf(const struct stat& info) {
    FileStamp stamp;
    stamp.volume = static_cast<std::uint64_t>(info.st_dev);
    stamp.index = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modified = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
                     static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    stamp.settled = now.tv_sec - info.st_mtim.tv_sec > kSettledSeconds;
    return stamp;
}

// Closes a file descriptor when it goes.
struct Descriptor {
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd;
};

} // namespace

bool fileStamp(const std::string& path, FileStamp& stamp) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    stamp = stampOf(info);
    return true;
}

bool readFileStamped(const std::string& path, std::string& contents, FileStamp& stamp,
                     bool& steady) {
    contents.clear();
    steady = false;
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat before {};
    if (file.fd < 0 || ::fstat(file.fd, &before) != 0)
        return false;
    std::size_t have = 0;
    std::size_t want = before.st_size > 0 ? static_cast<std::size_t>(before.st_size) + 1 : 65536;
    for (;;) {
        contents.resize(have + want);
        const ssize_t n = ::read(file.fd, &contents[have], want);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            contents.clear();
            return false;
        }
        have += static_cast<std::size_t>(n);
        if (n == 0)
            break;
        want = static_cast<std::size_t>(n) < want ? want - static_cast<std::size_t>(n) : 65536;
    }
    contents.resize(have);
    struct stat after {};
    stamp = stampOf(before);
    steady = ::fstat(file.fd, &after) == 0 && stampOf(after) == stamp;
    return true;
}

} // namespace rubo::platform
