#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rubo::test {

// Path of a file below the shared test data, or empty when that folder is
// absent (a plain clone); callers skip visibly then.
std::string sharedTestData(const std::string& relative);

// Reads a whole file as bytes; empty when it cannot be read.
std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);
// "\n" as the program's text files store it ("\r\n").
std::string crlf(const std::string& text);

// A fresh, empty directory that is removed again when the object ends.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Child roles: a test registers a named role; the test program started with
// "--child-role NAME ARGS..." runs it instead of the tests.
using ChildRole = std::function<int(int argc, char** argv)>;
bool registerChildRole(const char* name, ChildRole role);
bool runChildRole(int argc, char** argv, int& result);

} // namespace rubo::test

namespace rubo::test {

// This test program run again as a child process in one of its roles.
class ChildProcess {
public:
    ChildProcess(const std::string& role, const std::vector<std::string>& args);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const;
    // Why the process could not be started ("" when it was).
    const std::string& startError() const;
    // The exit code, or -1 when the process could not be waited for.
    int wait();
    // Ends the process at once, as a crash would.
    void kill();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace rubo::test
