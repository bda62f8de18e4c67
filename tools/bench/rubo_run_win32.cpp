#include "rubo_run_win32.h"

#include "res/resource.h"

#include <algorithm>
#include <cstdio>

namespace rubo::bench {

namespace {

constexpr DWORD kCloseTimeoutMs = 10000;
constexpr DWORD kPollMs = 5;
constexpr UINT kReadTimeoutMs = 1000;

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK findMain(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid && GetDlgItem(window, IDC_DISPLAY) != nullptr) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> times) {
    if (times.empty())
        return -1;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

RuboRun::RuboRun(const std::string& dir) {
    const std::string exe = dir + "\\rubo.exe";
    std::string command = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    start_ = Clock::now();
    if (!CreateProcessA(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                        &startup, &process)) {
        std::printf("cannot start %s: error %lu\n", exe.c_str(), GetLastError());
        return;
    }
    CloseHandle(process.hThread);
    process_.reset(process.hProcess);
    processId_ = process.dwProcessId;
}

RuboRun::~RuboRun() {
    if (!started())
        return;
    if (HWND window = mainWindow())
        PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.get(), kCloseTimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), kCloseTimeoutMs);
    }
}

HWND RuboRun::mainWindow() const {
    Search search{processId_, nullptr};
    EnumWindows(findMain, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string RuboRun::displayText() const {
    HWND window = mainWindow();
    if (!window)
        return std::string();
    char buffer[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(GetDlgItem(window, IDC_DISPLAY), WM_GETTEXT, sizeof buffer,
                             reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, kReadTimeoutMs,
                             &copied))
        return std::string();
    return std::string(buffer);
}

double RuboRun::waitForText(const std::string& text, Clock::time_point since,
                            DWORD timeoutMs) const {
    if (!started())
        return -1;
    for (;;) {
        if (displayText().find(text) != std::string::npos)
            return millisecondsSince(since);
        if (WaitForSingleObject(process_.get(), kPollMs) == WAIT_OBJECT_0)
            return -1;
        if (millisecondsSince(since) > timeoutMs)
            return -1;
    }
}

} // namespace rubo::bench
