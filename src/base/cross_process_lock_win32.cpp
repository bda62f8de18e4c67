#include "base/cross_process_lock.h"

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <cctype>
#include <cstdio>

namespace rubo {

struct CrossProcessLock::Impl {
    UniqueHandle mutex;
};

namespace {

// Mutex names cannot hold backslashes: the name carries a hash of the path.
std::string mutexNameFor(const std::string& filePath) {
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(filePath.c_str(), sizeof full, full, nullptr);
    std::string path = (n > 0 && n < sizeof full) ? std::string(full, n) : filePath;
    unsigned long hash = 2166136261ul;
    for (unsigned char c : path) {
        hash ^= static_cast<unsigned char>(std::toupper(c));
        hash = (hash * 16777619ul) & 0xFFFFFFFFul;
    }
    char name[64];
    std::snprintf(name, sizeof name, "RUBO Settings %08lX", hash);
    return name;
}

} // namespace

CrossProcessLock::CrossProcessLock(const std::string& filePath) : impl_(std::make_unique<Impl>()) {
    impl_->mutex.reset(CreateMutexA(nullptr, FALSE, mutexNameFor(filePath).c_str()));
}

CrossProcessLock::~CrossProcessLock() = default;

void CrossProcessLock::lock() {
    // WAIT_ABANDONED: a writer died holding the mutex; the file itself is
    // whole, since every rewrite replaces it in one step.
    if (impl_->mutex)
        WaitForSingleObject(impl_->mutex.get(), INFINITE);
}

void CrossProcessLock::unlock() {
    if (impl_->mutex)
        ReleaseMutex(impl_->mutex.get());
}

} // namespace rubo
