#pragma once

// rubo.exe as the Wine benchmarks run it: started in a folder of its own,
// its display read with WM_GETTEXT, closed through its main window; and the
// median they sum their times up with.

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace rubo::bench {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start);
// The middle time (the upper one of an even count); -1 for none.
double median(std::vector<double> times);

class RuboRun {
public:
    // Starts the rubo.exe that lies in `dir`, with `dir` as its folder.
    explicit RuboRun(const std::string& dir);
    // Closes the main window; ends the process when it does not go.
    ~RuboRun();
    RuboRun(const RuboRun&) = delete;
    RuboRun& operator=(const RuboRun&) = delete;

    bool started() const { return process_.valid(); }
    // Just before the process was created.
    Clock::time_point startTime() const { return start_; }
    // The main window's display; "" while there is none.
    std::string displayText() const;
    // Milliseconds from `since` until the display shows `text`; negative when
    // it did not within `timeoutMs` or the process ended first.
    double waitForText(const std::string& text, Clock::time_point since, DWORD timeoutMs) const;

private:
    HWND mainWindow() const;

    UniqueHandle process_;
    DWORD processId_ = 0;
    Clock::time_point start_;
};

} // namespace rubo::bench
