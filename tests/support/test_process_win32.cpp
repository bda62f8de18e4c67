#include "support/test_support.h"

#include <windows.h>

namespace rubo::test {

struct ChildProcess::Impl {
    HANDLE process = nullptr;
    DWORD id = 0;
    int status = -1;
    std::string startError;

    void start(const char* program, std::string commandLine, const std::string& directory) {
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           directory.empty() ? nullptr : directory.c_str(), &si, &pi)) {
            CloseHandle(pi.hThread);
            process = pi.hProcess;
            id = pi.dwProcessId;
        } else {
            startError = windowsError("CreateProcessA", GetLastError());
        }
    }

    static std::string windowsError(const char* call, DWORD code) {
        char text[256] = "";
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       text, sizeof text, nullptr);
        std::string message = std::string(call) + " failed: error " + std::to_string(code);
        if (text[0] != '\0')
            message += " (" + std::string(text) + ")";
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
            message.pop_back();
        return message;
    }
};

ChildProcess::ChildProcess(const std::string& role, const std::vector<std::string>& args)
    : impl_(std::make_unique<Impl>()) {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self) {
        impl_->startError = Impl::windowsError("GetModuleFileNameA", GetLastError());
        return;
    }
    std::string commandLine = "\"" + std::string(self) + "\" --child-role " + role;
    for (const std::string& a : args)
        commandLine += " \"" + a + "\"";
    impl_->start(self, commandLine, "");
}

ChildProcess::ChildProcess(const Command& command) : impl_(std::make_unique<Impl>()) {
    impl_->start(nullptr, command.line, command.directory);
}

ChildProcess::~ChildProcess() {
    if (impl_->process) {
        if (impl_->status == -1) {
            kill();
            wait();
        }
        CloseHandle(impl_->process);
    }
}

bool ChildProcess::started() const {
    return impl_->process != nullptr;
}

const std::string& ChildProcess::startError() const {
    return impl_->startError;
}

unsigned long ChildProcess::id() const {
    return impl_->id;
}

int ChildProcess::wait() {
    waitFor(std::chrono::milliseconds(INFINITE));
    return impl_->status;
}

bool ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    if (!impl_->process)
        return false;
    if (impl_->status == -1) {
        const DWORD ms =
            timeout.count() >= INFINITE ? INFINITE : static_cast<DWORD>(timeout.count());
        DWORD code = 0;
        if (WaitForSingleObject(impl_->process, ms) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(impl_->process, &code))
            return false;
        impl_->status = static_cast<int>(code);
    }
    return true;
}

void ChildProcess::kill() {
    if (impl_->process && impl_->status == -1)
        TerminateProcess(impl_->process, 137);
}

} // namespace rubo::test
