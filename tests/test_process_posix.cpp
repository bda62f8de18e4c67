#include "test_support.h"

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
};

ChildProcess::ChildProcess(const std::string& role, const std::vector<std::string>& args)
    : impl_(std::make_unique<Impl>()) {
    std::vector<std::string> all = {"/proc/self/exe", "--child-role", role};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    impl_->pid = ::fork();
    if (impl_->pid == 0) {
        ::execv("/proc/self/exe", argv.data());
        ::_exit(127);
    }
    if (impl_->pid < 0)
        impl_->startError = std::string("fork failed: ") + std::strerror(errno);
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

int ChildProcess::wait() {
    if (impl_->pid <= 0)
        return -1;
    if (impl_->status == -1) {
        int status = 0;
        if (::waitpid(impl_->pid, &status, 0) != impl_->pid)
            return -1;
        impl_->status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return impl_->status;
}

void ChildProcess::kill() {
    if (impl_->pid > 0 && impl_->status == -1)
        ::kill(impl_->pid, SIGKILL);
}

} // namespace rubo::test
