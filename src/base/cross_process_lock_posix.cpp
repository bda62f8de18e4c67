#include "base/cross_process_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace rubo {

struct CrossProcessLock::Impl {
    int fd = -1;
};

namespace {

std::string directoryOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

CrossProcessLock::CrossProcessLock(const std::string& filePath) : impl_(std::make_unique<Impl>()) {
    impl_->fd = ::open(directoryOf(filePath).c_str(), O_RDONLY | O_CLOEXEC);
}

CrossProcessLock::~CrossProcessLock() {
    if (impl_->fd >= 0)
        ::close(impl_->fd);
}

void CrossProcessLock::lock() {
    if (impl_->fd >= 0) {
        while (::flock(impl_->fd, LOCK_EX) != 0) {
        }
    }
}

void CrossProcessLock::unlock() {
    if (impl_->fd >= 0)
        ::flock(impl_->fd, LOCK_UN);
}

} // namespace rubo
