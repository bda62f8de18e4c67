#include "app/main_window/taskbar_buttons_win32.h"

#include "base/com_win32.h"
#include "res/resource.h"

#include <shobjidl.h> // after <windows.h>

#include <iterator>

namespace rubo {

namespace {

constexpr const char kButtonCreatedMessage[] = "TaskbarButtonCreated";
constexpr const char kPrevTip[] = "Previous";
constexpr const char kPlayTip[] = "Play";
constexpr const char kPauseTip[] = "Pause";
constexpr const char kNextTip[] = "Next";

// CLSID_TaskbarList, kept here so that no import library has to carry it.
constexpr CLSID kTaskbarListClass = {
    0x56fdf344, 0xfd6d, 0x11d0, {0x95, 0x8a, 0x00, 0x60, 0x97, 0xc9, 0xa0, 0x90}};

// Neither is on XP; the second, Vista's, is for the whole process.
using FilterExFunction = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
using FilterFunction = BOOL(WINAPI*)(UINT, DWORD);
constexpr DWORD kFilterAllow = 1; // MSGFLT_ALLOW and MSGFLT_ADD

void allowFromLowerIntegrity(HWND window, UINT message) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (!user32)
        return;
    if (auto filterEx = reinterpret_cast<FilterExFunction>(
            reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilterEx")))) {
        filterEx(window, message, kFilterAllow, nullptr);
        // The buttons' clicks come from the shell too.
        filterEx(window, WM_COMMAND, kFilterAllow, nullptr);
    } else if (auto filter = reinterpret_cast<FilterFunction>(
                   reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter")))) {
        filter(message, kFilterAllow);
    }
}

HICON loadSmallIcon(int id) {
    const int size = GetSystemMetrics(SM_CXSMICON);
    return static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
}

TBPFLAG progressFlag(TaskbarProgress state) {
    switch (state) {
    case TaskbarProgress::Normal:
        return TBPF_NORMAL;
    case TaskbarProgress::Paused:
        return TBPF_PAUSED;
    case TaskbarProgress::None:
        break;
    }
    return TBPF_NOPROGRESS;
}

class ShellTaskbarList final : public TaskbarApi {
public:
    bool open() {
        return apartment_.usable() &&
               SUCCEEDED(CoCreateInstance(kTaskbarListClass, nullptr, CLSCTX_INPROC_SERVER,
                                          __uuidof(ITaskbarList3), list_.putVoid())) &&
               SUCCEEDED(list_->HrInit());
    }

    bool addButtons(HWND window, const TaskbarButtonSet& buttons) override {
        std::array<THUMBBUTTON, kTaskbarButtonCount> shell = shellButtons(buttons);
        return SUCCEEDED(list_->ThumbBarAddButtons(window, kTaskbarButtonCount, shell.data()));
    }
    bool updateButtons(HWND window, const TaskbarButtonSet& buttons) override {
        std::array<THUMBBUTTON, kTaskbarButtonCount> shell = shellButtons(buttons);
        return SUCCEEDED(list_->ThumbBarUpdateButtons(window, kTaskbarButtonCount, shell.data()));
    }
    void setProgressState(HWND window, TaskbarProgress state) override {
        list_->SetProgressState(window, progressFlag(state));
    }
    void setProgressValue(HWND window, int value, int total) override {
        list_->SetProgressValue(window, static_cast<ULONGLONG>(value),
                                static_cast<ULONGLONG>(total));
    }

private:
    static std::array<THUMBBUTTON, kTaskbarButtonCount> shellButtons(const TaskbarButtonSet& set) {
        std::array<THUMBBUTTON, kTaskbarButtonCount> shell{};
        for (std::size_t i = 0; i < set.size(); ++i) {
            THUMBBUTTON& button = shell[i];
            button.dwMask = THB_ICON | THB_TOOLTIP | THB_FLAGS;
            button.iId = set[i].id;
            button.hIcon = set[i].icon;
            MultiByteToWideChar(CP_ACP, 0, set[i].tip, -1, button.szTip,
                                static_cast<int>(std::size(button.szTip)));
            button.dwFlags = set[i].enabled ? THBF_ENABLED : THBF_DISABLED;
        }
        return shell;
    }

    ComApartment apartment_; // outlives list_
    ComPtr<ITaskbarList3> list_;
};

} // namespace

std::unique_ptr<TaskbarApi> shellTaskbarList() {
    auto list = std::make_unique<ShellTaskbarList>();
    if (!list->open())
        return nullptr;
    return list;
}

void TaskbarButtons::attach(HWND window) {
    window_ = window;
    createdMessage_ = RegisterWindowMessageA(kButtonCreatedMessage);
    if (createdMessage_)
        allowFromLowerIntegrity(window, createdMessage_);
}

bool TaskbarButtons::onMessage(UINT message) {
    if (!window_ || message != createdMessage_ || createdMessage_ == 0)
        return false;
    // Sent again for a new button after the shell restarts.
    if (!list_)
        list_ = factory_();
    if (!list_)
        return true;
    if (!prevIcon_) { // only where the shell has the buttons
        prevIcon_.reset(loadSmallIcon(IDI_TASKBAR_PREV));
        playIcon_.reset(loadSmallIcon(IDI_TASKBAR_PLAY));
        pauseIcon_.reset(loadSmallIcon(IDI_TASKBAR_PAUSE));
        nextIcon_.reset(loadSmallIcon(IDI_TASKBAR_NEXT));
    }
    buttonsAdded_ = list_->addButtons(window_, buttonSet());
    sent_ = wanted_;
    push({false, true, true});
    return true;
}

void TaskbarButtons::show(const TaskbarState& state) {
    wanted_ = state;
    if (!list_ || state == sent_)
        return;
    push(taskbarChanges(sent_, state));
    sent_ = state;
}

void TaskbarButtons::push(const TaskbarChanges& changes) {
    if (changes.buttons && buttonsAdded_)
        list_->updateButtons(window_, buttonSet());
    if (changes.progressState)
        list_->setProgressState(window_, wanted_.progress);
    if (changes.progressValue && wanted_.progress != TaskbarProgress::None)
        list_->setProgressValue(window_, wanted_.seconds, wanted_.totalSeconds);
}

TaskbarButtonSet TaskbarButtons::buttonSet() const {
    const TaskbarState& s = wanted_;
    return {{{ID_TASKBAR_PREV, prevIcon_.get(), kPrevTip, s.prev},
             {ID_TASKBAR_PLAY_PAUSE, s.showsPause ? pauseIcon_.get() : playIcon_.get(),
              s.showsPause ? kPauseTip : kPlayTip, s.playPause},
             {ID_TASKBAR_NEXT, nextIcon_.get(), kNextTip, s.next}}};
}

int TaskbarButtons::buttonCommand(int id, int code) const {
    if (code != THBN_CLICKED)
        return 0;
    switch (id) {
    case ID_TASKBAR_PREV:
        return IDC_PREV;
    case ID_TASKBAR_PLAY_PAUSE:
        // What the picture the user saw offered.
        return sent_.pauses ? IDC_PAUSE : IDC_PLAY;
    case ID_TASKBAR_NEXT:
        return IDC_NEXT;
    default:
        return 0;
    }
}

} // namespace rubo
