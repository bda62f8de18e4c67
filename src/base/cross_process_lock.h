#pragma once

#include <memory>
#include <string>

namespace rubo {

// A lock shared by every process that uses the same file: a named mutex on
// Windows, an advisory lock on the file's directory elsewhere. Not recursive.
class CrossProcessLock {
public:
    explicit CrossProcessLock(const std::string& filePath);
    ~CrossProcessLock();
    CrossProcessLock(const CrossProcessLock&) = delete;
    CrossProcessLock& operator=(const CrossProcessLock&) = delete;

    void lock();
    void unlock();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace rubo
