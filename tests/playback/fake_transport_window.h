#pragma once

// Recording fakes for the transport commands: the window, the events, the
// shared lock and the control-enabling calls, all writing one journal.

#include "base/text_format.h"
#include "playback/player_state.h"
#include "playback/transport_window.h"

#include <memory>
#include <string>
#include <vector>

namespace rubo::test {

// Calls in order: "lock", "unlock request=XXXXXXXX", "set N", "busy", "mode N".
inline std::vector<std::string>& transportJournal() {
    static std::vector<std::string> journal;
    return journal;
}
// The state whose playRequest each unlock records.
inline SharedPlayerState*& journalState() {
    static SharedPlayerState* state = nullptr;
    return state;
}

class JournalLock : public PlayerLock {
public:
    void acquire() override { transportJournal().push_back("lock"); }
    void release() override {
        const unsigned request = journalState() ? journalState()->playRequest : 0;
        transportJournal().push_back(formatText("unlock request=%08X", request));
    }
    static std::unique_ptr<PlayerLock> create() { return std::make_unique<JournalLock>(); }
};

class JournalEvents : public PlayerEvents {
public:
    bool set(int event) override {
        transportJournal().push_back(formatText("set %d", event));
        return true;
    }
    int wait(std::uint32_t) override { return kPlayerWaitTimeout; }
};

class JournalControls : public PlayerControls {
public:
    void setControlsBusy() override { transportJournal().push_back("busy"); }
    void enableControlsForMode(std::uint32_t mode) override {
        transportJournal().push_back(formatText("mode %u", mode));
    }
};

// The name a control's calls are recorded under.
inline const char* controlName(TransportControl control) {
    switch (control) {
    case TransportControl::Prev:
        return "prev";
    case TransportControl::Next:
        return "next";
    case TransportControl::Play:
        return "play";
    case TransportControl::Stop:
        return "stop";
    case TransportControl::Pause:
        return "pause";
    case TransportControl::Eject:
        return "eject";
    case TransportControl::Freedb:
        return "freedb";
    case TransportControl::Tracks:
        return "tracks";
    case TransportControl::Edit:
        return "edit";
    }
    return "?";
}

class FakeTransportWindow : public TransportWindow {
public:
    // Every call as "name=0/1".
    std::vector<std::string> enableCalls;
    // Clipboard: whether it opens, and what was put on it.
    bool clipboardOpens = true;
    std::vector<std::string> clipboard;
    // Menus shown, and the command id the next menu returns.
    std::vector<TrackMenu> menus;
    int menuAnswer = 0;

    void enableControl(TransportControl control, bool on) override {
        enableCalls.push_back(formatText("%s=%d", controlName(control), on ? 1 : 0));
    }
    bool setClipboardText(const std::string& text) override {
        if (!clipboardOpens)
            return false;
        clipboard.push_back(text);
        return true;
    }
    int showTrackMenu(const TrackMenu& menu) override {
        menus.push_back(menu);
        return menuAnswer;
    }
};

} // namespace rubo::test
