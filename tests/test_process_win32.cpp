#include "test_support.h"

#include <windows.h>

namespace rubo::test {

struct ChildProcess::Impl {
    HANDLE process = nullptr;
    int status = -1;
    std::string startError;
};

namespace {

std::string windowsError(const char* call, DWORD code) {
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

} // namespace

ChildProcess::ChildProcess(const std::string& role, const std::vector<std::string>& args)
    : impl_(std::make_unique<Impl>()) {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self) {
        impl_->startError = windowsError("GetModuleFileNameA", GetLastError());
        return;
    }
    std::string commandLine = "\"" + std::string(self) + "\" --child-role " + role;
    for (const std::string& a : args)
        commandLine += " \"" + a + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi)) {
        CloseHandle(pi.hThread);
        impl_->process = pi.hProcess;
    } else {
        impl_->startError = windowsError("CreateProcessA", GetLastError());
    }
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

int ChildProcess::wait() {
    if (!impl_->process)
        return -1;
    if (impl_->status == -1) {
        DWORD code = 0;
        if (WaitForSingleObject(impl_->process, INFINITE) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(impl_->process, &code))
            return -1;
        impl_->status = static_cast<int>(code);
    }
    return impl_->status;
}

void ChildProcess::kill() {
    if (impl_->process && impl_->status == -1)
        TerminateProcess(impl_->process, 137);
}

} // namespace rubo::test
