#include "app/main_window/disc_text_actions_win32.h"

#include "app/edit_info/edit_info_dialog_win32.h"
#include "app/main_window/progress_window_win32.h"
#include "base/event_log.h"
#include "base/message_box.h"
#include "discinfo/disc_store.h"
#include "freedb/freedb_lookup.h"
#include "musicbrainz/mb_lookup.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "ui/modal_operation_win32.h"

#include <utility>

namespace rubo {

namespace {

constexpr const char kEditMenuLog[] = "M : Track Edit menu";
constexpr const char kEditMenuOkLog[] = "M : Track Edit menu exit: OK";
constexpr const char kEditMenuCancelLog[] = "M : Track Edit menu exit: Cancel";

// Counts an action that works on a copy of the disc's record.
class RunningAction {
public:
    explicit RunningAction(int& count) : count_(count) { ++count_; }
    ~RunningAction() { --count_; }
    RunningAction(const RunningAction&) = delete;
    RunningAction& operator=(const RunningAction&) = delete;

private:
    int& count_;
};

} // namespace

void DiscTextActions::lookUp(HWND window) {
    app::ProgressWindow progress(window);
    // Ends before the progress window, so that the activation comes back here.
    ui::ModalOperation operation(window);
    const RunningAction running(running_);
    FreedbClient client;
    client.setEventLog(log_);
    // The display tick replaces the window's record when the disc changes.
    TransportView& view = session_.view();
    DiscInfo disc = view.disc;
    const FreedbLookupContext context{options_, settings_, log_, progress, view.disc};
    MbLookupOutcome first = MbLookupOutcome::NotFound;
    if (options_.musicBrainzFirst)
        first = runMusicBrainzLookup(context, musicBrainz_, disc);
    const bool kept = first == MbLookupOutcome::NotFound ? runFreedbLookup(context, client, disc)
                                                         : first == MbLookupOutcome::Kept;
    if (kept)
        take(std::move(disc));
    session_.setFanMark(isFanArtist(view.disc.artist));
}

void DiscTextActions::edit(HWND window) {
    log_.logEvent(2125, "%s", kEditMenuLog);
    const EditInfoOwner owner{options_, log_, session_.drive(), &musicBrainz_};
    // The window's record itself is the source: the display tick keeps it
    // current, so a disc changed meanwhile is noticed on Save.
    TransportView& view = session_.view();
    const RunningAction running(running_);
    CEditCdInfoDialog dialog(window, settings_, view.disc,
                             view.cdText.valid ? &view.cdText : nullptr, &owner);
    if (dialog.doModal() != IDOK) {
        log_.logEvent(2150, "%s", kEditMenuCancelLog);
        return;
    }
    take(dialog.result());
    reportSave(saveDiscInfo(settings_, view.disc), settings_.path());
    log_.logEvent(2146, "%s", kEditMenuOkLog);
}

void DiscTextActions::tick() {
    MainDisplay* display = session_.display();
    if (!display || running_ > 0)
        return;
    const DiscInfo& live = session_.view().disc;
    DiscInfo found;
    if (newDisc_.tick(options_, live, found)) {
        // Taken before the save, whose failure box is a modal loop of ticks.
        take(std::move(found));
        const RunningAction running(running_);
        reportSave(saveDiscInfo(settings_, live), settings_.path());
    }
    display->setLookingUp(newDisc_.looking(live));
}

void DiscTextActions::take(DiscInfo disc) {
    TransportView& view = session_.view();
    const std::uint8_t currentTrack = view.disc.firstAudioTrack;
    view.disc = std::move(disc);
    view.disc.firstAudioTrack = currentTrack;
    session_.setFanMark(isFanArtist(view.disc.artist));
}

} // namespace rubo
