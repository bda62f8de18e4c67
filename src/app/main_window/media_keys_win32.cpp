#include "app/main_window/media_keys_win32.h"

#include "app/main_window/media_keys.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace rubo {

namespace {

static_assert(kAppCommandPlayPause == APPCOMMAND_MEDIA_PLAY_PAUSE &&
              kAppCommandStop == APPCOMMAND_MEDIA_STOP &&
              kAppCommandNextTrack == APPCOMMAND_MEDIA_NEXTTRACK &&
              kAppCommandPreviousTrack == APPCOMMAND_MEDIA_PREVIOUSTRACK &&
              kAppCommandPlay == APPCOMMAND_MEDIA_PLAY &&
              kAppCommandPause == APPCOMMAND_MEDIA_PAUSE);
static_assert(kVirtualKeyPlayPause == VK_MEDIA_PLAY_PAUSE && kVirtualKeyStop == VK_MEDIA_STOP &&
              kVirtualKeyNextTrack == VK_MEDIA_NEXT_TRACK &&
              kVirtualKeyPreviousTrack == VK_MEDIA_PREV_TRACK);

struct HotKey {
    int virtualKey; // also the hot key's id
    const char* name;
};
constexpr HotKey kHotKeys[4] = {{kVirtualKeyPlayPause, "Play/Pause"},
                                {kVirtualKeyStop, "Stop"},
                                {kVirtualKeyNextTrack, "Next"},
                                {kVirtualKeyPreviousTrack, "Previous"}};

constexpr const char kHeldKeysLog[] = "M : Media keys held by another program: ";

int appCommandOf(UINT message, LPARAM lParam) {
    if (message == WM_APPCOMMAND)
        return GET_APPCOMMAND_LPARAM(lParam);
    if (message == WM_HOTKEY)
        return appCommandOfKey(HIWORD(lParam));
    return 0;
}

} // namespace

bool handleMediaKey(TinyOwner& owner, UINT message, LPARAM lParam) {
    const int id = mediaCommandId(appCommandOf(message, lParam), owner.playerMode());
    if (id == 0)
        return false;
    // As a click: a disabled button (a busy transport among them) does nothing.
    if (IsWindowEnabled(GetDlgItem(owner.ownerWindow(), id)))
        owner.transportCommand(id);
    return true;
}

void MediaHotKeys::apply(HWND window, bool on) {
    if (!on) {
        release();
        return;
    }
    if (on_)
        return;
    on_ = true;
    window_ = window;
    std::string held;
    for (std::size_t i = 0; i < std::size(kHotKeys); ++i) {
        // No MOD_NOREPEAT: Windows XP lacks it.
        registered_[i] = RegisterHotKey(window, kHotKeys[i].virtualKey, 0,
                                        static_cast<UINT>(kHotKeys[i].virtualKey)) != 0;
        if (!registered_[i])
            held += (held.empty() ? "" : ", ") + std::string(kHotKeys[i].name);
    }
    if (!held.empty())
        log_.logEvent(2340, "%s%s", kHeldKeysLog, held.c_str());
}

void MediaHotKeys::release() {
    for (std::size_t i = 0; i < std::size(kHotKeys); ++i)
        if (registered_[i])
            UnregisterHotKey(window_, kHotKeys[i].virtualKey);
    std::fill(std::begin(registered_), std::end(registered_), false);
    on_ = false;
}

} // namespace rubo
