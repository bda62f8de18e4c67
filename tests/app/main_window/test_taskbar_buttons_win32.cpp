// The thumbnail buttons over a fake taskbar list, and over the shell's.
#include <doctest.h>

#include "app/main_window/taskbar_buttons_win32.h"
#include "res/resource.h"

#include <shobjidl.h>

#include <string>
#include <vector>

using namespace rubo;

namespace {

std::vector<std::string> calls;
std::vector<HICON> middleIcons;
int listsMade = 0;

class FakeTaskbarList final : public TaskbarApi {
public:
    bool addButtons(HWND, const TaskbarButtonSet& b) override { return record("add", b); }
    bool updateButtons(HWND, const TaskbarButtonSet& b) override { return record("update", b); }
    void setProgressState(HWND, TaskbarProgress state) override {
        calls.push_back("state " + std::to_string(static_cast<int>(state)));
    }
    void setProgressValue(HWND, int value, int total) override {
        calls.push_back("value " + std::to_string(value) + "/" + std::to_string(total));
    }

private:
    bool record(const char* call, const TaskbarButtonSet& b) {
        middleIcons.push_back(b[1].icon);
        calls.push_back(std::string(call) + " " + std::to_string(b[0].enabled) + b[1].tip +
                        std::to_string(b[1].enabled) + std::to_string(b[2].enabled));
        return true;
    }
};

std::unique_ptr<TaskbarApi> fakeList() {
    ++listsMade;
    return std::make_unique<FakeTaskbarList>();
}
std::unique_ptr<TaskbarApi> noList() {
    ++listsMade;
    return nullptr;
}

TaskbarState stateIn(std::uint32_t mode, int seconds = 65) {
    DiscInfo disc;
    disc.trackList.store(1, TrackEntry{1, "A", "", makeMsf(3, 30, 0), makeMsf(0, 2, 0), 1});
    disc.firstAudioTrack = 1;
    return taskbarStateFor(mode, controlStatesForMode(mode, true), disc,
                           makeTmsf(1, seconds / 60, seconds % 60, 0));
}

std::vector<std::string> takeCalls() {
    return std::move(calls);
}

const UINT kCreated = RegisterWindowMessageA("TaskbarButtonCreated");

} // namespace

TEST_CASE("taskbar buttons: added once the button exists, then changes only") {
    listsMade = 0;
    takeCalls();
    HWND window =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    TaskbarButtons buttons(fakeList);
    buttons.attach(window);
    buttons.show(stateIn(kMciModePlay));
    CHECK((!buttons.onMessage(WM_COMMAND) && listsMade == 0 && calls.empty()));
    CHECK(buttons.onMessage(kCreated));
    CHECK(takeCalls() == std::vector<std::string>{"add 1Pause11", "state 1", "value 65/210"});
    buttons.show(stateIn(kMciModePlay));
    CHECK(calls.empty());
    buttons.show(stateIn(kMciModePlay, 66));
    CHECK(takeCalls() == std::vector<std::string>{"value 66/210"});
    buttons.show(stateIn(kMciModePause, 66));
    CHECK(takeCalls() == std::vector<std::string>{"update 0Play10", "state 2", "value 66/210"});
    CHECK(buttons.buttonCommand(ID_TASKBAR_PLAY_PAUSE, THBN_CLICKED) == IDC_PAUSE);
    buttons.show(stateIn(kMciModeStop));
    CHECK(takeCalls() == std::vector<std::string>{"update 1Play11", "state 0"});
    CHECK(buttons.buttonCommand(ID_TASKBAR_PLAY_PAUSE, THBN_CLICKED) == IDC_PLAY);
    CHECK(buttons.buttonCommand(ID_TASKBAR_NEXT, BN_CLICKED) == 0);
    CHECK((middleIcons.size() == 3 && middleIcons[1] && middleIcons[0] != middleIcons[1] &&
           middleIcons[1] == middleIcons[2]));
    CHECK(listsMade == 1);
    DestroyWindow(window);
}

TEST_CASE("taskbar buttons: the shell's list is asked for; without one all runs on") {
    HWND window =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    TaskbarButtons shell;
    shell.attach(window);
    CHECK(shell.onMessage(kCreated));
    CHECK(shell.connected()); // Wine's list answers, showing nothing
    shell.show(stateIn(kMciModePlay));
    shell.show(stateIn(kMciModeStop));
    listsMade = 0;
    TaskbarButtons none(noList);
    none.attach(window);
    CHECK((none.onMessage(kCreated) && none.onMessage(kCreated) && listsMade == 2));
    none.show(stateIn(kMciModePlay));
    CHECK(!none.connected());
    DestroyWindow(window);
}
