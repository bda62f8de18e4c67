#pragma once

// rubo.exe started in a directory of its own, and the ways a test reaches
// its windows: texts by WM_GETTEXT, clicks by BM_CLICK, waits on conditions.

#include "support/test_support.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace rubo::test {

// Pumps this thread's messages while waiting; true once `condition` holds.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

class RuboProcess {
public:
    // Copies rubo.exe into `directory` and starts it there with `args`; with
    // `exe` empty, starts the rubo.exe that lies in `directory`.
    RuboProcess(const std::string& exe, const std::string& directory, const std::string& args);
    ~RuboProcess();
    RuboProcess(const RuboProcess&) = delete;
    RuboProcess& operator=(const RuboProcess&) = delete;

    bool started() const { return process_ && process_->started(); }
    // Why it could not be started ("" when it was).
    std::string startError() const;
    DWORD startTick() const { return startTick_; }
    DWORD processId() const { return started() ? static_cast<DWORD>(process_->id()) : 0; }
    // The visible main window (the dialog with the display), null until then.
    HWND mainWindow() const;
    // A visible top-level window of the process other than the main one.
    HWND otherWindow() const;
    // A control of the main window, also while that window is hidden.
    HWND control(int id) const;
    std::string displayText() const;
    static std::string windowText(HWND window);
    // Waits until the control is enabled, then BM_CLICK (posted when `post`).
    bool click(int id, bool post = false);
    // Whether the process ends within the time; its exit code once it has.
    bool exited(DWORD timeoutMs);
    int exitCode();

    std::string file(const std::string& name) const { return directory_ + "\\" + name; }
    std::string readFile(const std::string& name) const;

private:
    HWND findWindow(bool wantMain, bool hiddenToo) const;

    std::string directory_;
    std::string copyError_;
    std::optional<ChildProcess> process_;
    DWORD startTick_ = 0;
};

// Saves the window's screen area (with `alsoShown`'s, such as a menu's) as a
// 24-bit BMP in RUBO_E2E_SHOTS (if set).
void screenshot(HWND window, const std::string& name, HWND alsoShown = nullptr);

} // namespace rubo::test
