#include "support/test_support.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace rubo::test {

struct ChildProcess::Impl {
    pid_t pid = -1;
    int status = -1;
    std::string startError;

    // Forks; the child changes to `directory` (unless empty) and runs `argv`.
    void start(std::vector<std::string> all, const std::string& directory) {
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid = ::fork();
        if (pid == 0) {
            if (!directory.empty() && ::chdir(directory.c_str()) != 0)
                ::_exit(127);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        if (pid < 0)
            startError = std::string("fork failed: ") + std::strerror(errno);
    }

    // Collects the exit status; `block` waits for it. Whether it is known.
    bool reap(bool block) {
        if (status != -1)
            return true;
        int raw = 0;
        const pid_t got = ::waitpid(pid, &raw, block ? 0 : WNOHANG);
        if (got != pid)
            return false;
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return true;
    }
};

ChildProcess::ChildProcess(const std::string& role, const std::vector<std::string>& args)
    : impl_(std::make_unique<Impl>()) {
    std::vector<std::string> all = {"/proc/self/exe", "--child-role", role};
    all.insert(all.end(), args.begin(), args.end());
    impl_->start(all, "");
}

ChildProcess::ChildProcess(const Command& command) : impl_(std::make_unique<Impl>()) {
    impl_->start({"/bin/sh", "-c", command.line}, command.directory);
}

ChildProcess::~ChildProcess() {
    if (impl_->pid > 0 && impl_->status == -1) {
        kill();
        wait();
    }
}

bool ChildProcess::started() const {
    return impl_->pid > 0;
}

const std::string& ChildProcess::startError() const {
    return impl_->startError;
}

unsigned long ChildProcess::id() const {
    return impl_->pid > 0 ? static_cast<unsigned long>(impl_->pid) : 0;
}

int ChildProcess::wait() {
    if (impl_->pid <= 0 || !impl_->reap(true))
        return -1;
    return impl_->status;
}

bool ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    if (impl_->pid <= 0)
        return false;
    return eventually([this] { return impl_->reap(false); }, timeout);
}

void ChildProcess::kill() {
    if (impl_->pid > 0 && impl_->status == -1)
        ::kill(impl_->pid, SIGKILL);
}

} // namespace rubo::test
