#pragma once

// Previous, Play/Pause and Next in the thumbnail of the main window's
// taskbar button, and the track's progress in the button (Windows 7 on;
// nothing where the shell lacks them).

#include "app/main_window/taskbar_state.h"
#include "base/unique_handle_win32.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <memory>

namespace rubo {

inline constexpr std::size_t kTaskbarButtonCount = 3;

struct TaskbarButton {
    UINT id = 0;
    HICON icon = nullptr;
    const char* tip = "";
    bool enabled = false;
};
using TaskbarButtonSet = std::array<TaskbarButton, kTaskbarButtonCount>;

// The shell's taskbar list as the buttons use it; tests put a fake in its place.
class TaskbarApi {
public:
    virtual ~TaskbarApi() = default;
    virtual bool addButtons(HWND window, const TaskbarButtonSet& buttons) = 0;
    virtual bool updateButtons(HWND window, const TaskbarButtonSet& buttons) = 0;
    virtual void setProgressState(HWND window, TaskbarProgress state) = 0;
    virtual void setProgressValue(HWND window, int value, int total) = 0;
};
using TaskbarApiFactory = std::unique_ptr<TaskbarApi> (*)();

// ITaskbarList3 in the thread's COM apartment; nullptr where it is missing.
std::unique_ptr<TaskbarApi> shellTaskbarList();

class TaskbarButtons {
public:
    explicit TaskbarButtons(TaskbarApiFactory factory = shellTaskbarList) : factory_(factory) {}
    TaskbarButtons(const TaskbarButtons&) = delete;
    TaskbarButtons& operator=(const TaskbarButtons&) = delete;

    // The window whose taskbar button it is; the shell's message is let
    // through to an elevated process.
    void attach(HWND window);
    // True for the shell's "button created" message, on which the taskbar
    // list is opened and the buttons added with the state last shown.
    bool onMessage(UINT message);
    // The display tick's state; the taskbar is called only for a change.
    void show(const TaskbarState& state);
    // The main window's button for a thumbnail button's click (WM_COMMAND's
    // id and code); 0 for any other command.
    int buttonCommand(int id, int code) const;
    bool connected() const { return list_ != nullptr; }

private:
    void push(const TaskbarChanges& changes);
    TaskbarButtonSet buttonSet() const;

    TaskbarApiFactory factory_;
    HWND window_ = nullptr;
    UINT createdMessage_ = 0;
    UniqueIcon prevIcon_, playIcon_, pauseIcon_, nextIcon_;
    std::unique_ptr<TaskbarApi> list_;
    bool buttonsAdded_ = false;
    TaskbarState wanted_;
    TaskbarState sent_;
};

} // namespace rubo
