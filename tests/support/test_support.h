#pragma once

#include <chrono>
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
// `count` settings sections named by the numbers from `first` on, each with
// the one line `entry` and a blank line after it.
std::string iniSections(int count, int first, const std::string& entry);
// The value of an environment variable, empty when it is not set.
std::string environmentText(const char* name);

// Polls `condition` every `interval` until it holds or `timeout` has passed;
// whether it held.
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
                std::chrono::milliseconds interval = std::chrono::milliseconds(1));

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

// A child process: this test program run again in one of its roles, or
// another program. One still running when the object goes is ended at once.
class ChildProcess {
public:
    // Another program: a command line as the system takes it, started in
    // `directory` (the current one when empty).
    struct Command {
        std::string line;
        std::string directory;
    };

    // This program with "--child-role ROLE ARGS...".
    ChildProcess(const std::string& role, const std::vector<std::string>& args);
    explicit ChildProcess(const Command& command);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const;
    // Why the process could not be started ("" when it was).
    const std::string& startError() const;
    // The system's id of the process; 0 when it did not start.
    unsigned long id() const;
    // Waits for the end: the exit code, or -1 when the process could not be
    // waited for.
    int wait();
    // Waits at most `timeout`; whether the process has ended (wait() then
    // gives its exit code at once).
    bool waitFor(std::chrono::milliseconds timeout);
    // Ends the process at once, as a crash would.
    void kill();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace rubo::test
