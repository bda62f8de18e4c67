#pragma once

// rubo.exe started in a directory of its own, and the ways a test reaches
// its windows: texts by WM_GETTEXT, clicks by BM_CLICK, waits on conditions.

#include <windows.h>

#include <functional>
#include <string>

namespace rubo::test {

// Pumps this thread's messages while waiting; true once `condition` holds.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

class RuboProcess {
public:
    // Copies rubo.exe into `directory` and starts it there with `args`.
    RuboProcess(const std::string& exe, const std::string& directory, const std::string& args);
    ~RuboProcess();
    RuboProcess(const RuboProcess&) = delete;
    RuboProcess& operator=(const RuboProcess&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD startTick() const { return startTick_; }
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
    bool exited(DWORD timeoutMs);
    DWORD exitCode() const;
    void kill();

    std::string file(const std::string& name) const { return directory_ + "\\" + name; }
    std::string readFile(const std::string& name) const;

private:
    std::string directory_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD startTick_ = 0;
};

// Saves the window's screen area as a 24-bit BMP in RUBO_E2E_SHOTS (if set).
void screenshot(HWND window, const std::string& name);

} // namespace rubo::test
