#include "playback/player_engine.h"

#include "base/event_log.h"
#include "base/text_format.h"
#include "drive/drive_readers.h"

#include <cctype>

namespace rubo {

namespace {

// How far before its end a stopped play still counts as ended by itself.
constexpr int kPlayEndSlackFrames = kFramesPerSecond;

bool tocAllowed(const PlayerFlags& f) {
    return f.wantToc && !f.doorOpen && f.mediaPresent && f.ready && f.mode != kMciModeOpen &&
           f.mode != kMciModeNotReady;
}

} // namespace

bool isFanArtist(const std::string& artist) {
    const std::string band = kFanBandName;
    if (artist.size() != band.size())
        return false;
    for (std::size_t i = 0; i < band.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(artist[i])) !=
            std::tolower(static_cast<unsigned char>(band[i])))
            return false;
    }
    return true;
}

void PlayerEngine::onTimeout() {
    if (tocAllowed(flags_))
        readToc();
    else
        poll();
}

void PlayerEngine::poll() {
    const std::uint32_t lastDeviceMode = flags_.deviceMode;
    flags_.deviceMode = device_.mode();
    flags_.mode = flags_.deviceMode;
    // The mode read just now says whether the door is open; no second query.
    flags_.doorOpen = flags_.mode == kMciModeOpen ? 1 : 0;
    if (askMediaAndReady(lastDeviceMode)) {
        flags_.mediaPresent = device_.isMediaPresent();
        flags_.ready = device_.isReady();
    }
    if (flags_.mode == kMciModeStop && flags_.paused)
        flags_.mode = kMciModePause;
    // The next play of the order starts at once: the window never sees the stop.
    if (ordered_.open && continueOrder())
        return;

    std::string status = formatText(" T:       %c %c %c   %s", flags_.doorOpen ? 'O' : 'o',
                                    flags_.mediaPresent ? 'M' : 'm', flags_.ready ? 'R' : 'r',
                                    modeName(flags_.mode));
    if (status != flags_.lastStatusLine) {
        log_.logEvent(2220, "%s", status.c_str());
        flags_.lastStatusLine = std::move(status);
    }

    // The window takes the positions only while playing; in any other mode
    // the last ones stay.
    PackedMsf absolute = published_.absolute;
    PackedTmsf track = published_.track;
    if (flags_.mode == kMciModePlay)
        drive_.positionsNow(localDisc_, direct(), absolute, track);

    bool doorOpened = false;
    noteModeChange(doorOpened);
    publishPoll(absolute, track, doorOpened);
    controls_.enableControlsForMode(flags_.mode);
}

bool PlayerEngine::continueOrder() {
    if (flags_.mode == kMciModePlay)
        ordered_.started = true;
    if (flags_.mode != kMciModeStop)
        return false;
    // Asked once, when the stop is seen: a play that ended by itself rests
    // at its end, even one shorter than a poll.
    PackedMsf absolute = 0;
    PackedTmsf track = 0;
    drive_.positionsNow(localDisc_, direct(), absolute, track);
    if (msfToFrames(absolute) + kPlayEndSlackFrames < ordered_.endFrames) {
        // Stopped from elsewhere, or not begun yet.
        ordered_.open = !ordered_.started;
        return false;
    }
    ordered_.open = false;
    const int next = order_.afterEnd(localDisc_.trackList, ordered_.track);
    log_.logEvent(2218, " T: Track %d ended, next %d", ordered_.track, next);
    if (next == 0)
        return false;
    playAt(makeTmsf(next, 0, 0, 0));
    return true;
}

bool PlayerEngine::askMediaAndReady(std::uint32_t lastDeviceMode) {
    // A disc that plays, pauses or stops is there and ready: while the
    // drive's mode stays so, the two answers are checked only now and then,
    // and never while it plays (a disc that leaves ends the play).
    const std::uint32_t mode = flags_.deviceMode;
    const bool settled = mode == lastDeviceMode && !flags_.wantToc && flags_.mediaPresent &&
                         flags_.ready &&
                         (mode == kMciModePlay || mode == kMciModePause || mode == kMciModeStop);
    if (settled && mode == kMciModePlay)
        return false;
    if (!settled || ++flags_.settledPolls >= kSettledRecheckPolls) {
        flags_.settledPolls = 0;
        return true;
    }
    return false;
}

void PlayerEngine::noteModeChange(bool& doorOpened) {
    const std::uint32_t mode = flags_.mode;
    if (mode != flags_.previousMode) {
        if (mode == kMciModeOpen) {
            log_.logEvent(2221, " T: Want clear disc");
            flags_.paused = 0;
            doorOpened = true;
        } else if (mode >= kMciModeNotReady && mode <= kMciModePause) {
            flags_.paused = mode == kMciModePause ? 1 : 0;
            if (flags_.previousMode == kMciModeOpen) {
                flags_.wantToc = 1;
                log_.logEvent(2222, " T: Want TOC");
            }
        }
    }
    flags_.previousMode = mode;
}

void PlayerEngine::publishPoll(PackedMsf absolute, PackedTmsf track, bool doorOpened) {
    // Only this thread writes these fields: unchanged, they need no lock.
    const PublishedPoll now{true,         flags_.mode,     absolute,           track,
                            flags_.ready, flags_.doorOpen, flags_.mediaPresent};
    if (!doorOpened && now.sameForWindow(published_))
        return;
    published_ = now;
    SharedScope scope(lock_);
    shared_.mode = flags_.mode;
    shared_.absolutePosition = absolute;
    shared_.trackPosition = track;
    if (doorOpened)
        shared_.clearRequest = 1;
    shared_.ready = flags_.ready;
    shared_.doorOpen = flags_.doorOpen;
    shared_.mediaPresent = flags_.mediaPresent;
}

void PlayerEngine::readToc() {
    flags_.wantToc = 0;
    controls_.setControlsBusy();
    {
        SharedScope scope(lock_);
        shared_.scanning = 1;
    }
    resetDiscInfo(localDisc_);
    log_.logEvent(2223, " T: Getting TOC");
    const std::string knownMap = setup_.aspiMap.get();
    std::string map = knownMap;
    const int direct = readTrackList(setup_.drive, map, device_, scsi_,
                                     setup_.options.detectMultiSession, localDisc_.trackList);
    if (map != knownMap) {
        setup_.aspiMap.set(map);
        if (setup_.saveAspiMap)
            setup_.saveAspiMap(map);
    }
    shared_.directMode.store(direct);
    log_.logEvent(2224, " T: Got TOC %s", direct ? kMultisessionText : "");
    resetDiscInfo(scsi_.cdTextInfo());
    readDiscText();
    getCdInfo();
    newOrder(0);
    if (localDisc_.valid)
        log_.logEvent(2225, " T: Got CD info: origin=%s  %08X %s - %s",
                      originName(localDisc_.origin), static_cast<unsigned>(localDisc_.discId),
                      localDisc_.artist.c_str(), localDisc_.title.c_str());
    else
        log_.logEvent(2226, " T: Got CD info: invalid?!?");
    {
        // A shuffle or program begins where the window's Play begins.
        if (!order_.tracks().empty())
            localDisc_.firstAudioTrack =
                static_cast<std::uint8_t>(order_.first(localDisc_.trackList));
        SharedScope scope(lock_);
        shared_.discInfo = localDisc_;
        shared_.cdTextInfo = scsi_.cdTextInfo();
        shared_.discInfoReady = 1;
    }
    if (flags_.pendingPlay != 0) {
        log_.logEvent(2227, " T: Playing");
        playAt(flags_.pendingPlay);
        log_.logEvent(2228, " T: Play command started");
        flags_.pendingPlay = 0;
    }
}

void PlayerEngine::readDiscText() {
    const std::uint32_t mode = flags_.mode;
    if (mode == kMciModePlay || mode == kMciModeRecord || mode == kMciModeSeek)
        return;
    log_.logEvent(2229, " T: Getting CD TEXT");
    if (!readCdText(setup_.drive, setup_.aspiMap.get(), scsi_)) {
        log_.logEvent(2230, " T: Got NO CD TEXT");
        return;
    }
    const DiscInfo& text = scsi_.cdTextInfo();
    if (text.valid)
        log_.logEvent(2231, " T: Got CD TEXT: %s - %s", text.artist.c_str(), text.title.c_str());
    else
        log_.logEvent(2232, " T: CD TEXT is not present");
}

void PlayerEngine::getCdInfo() {
    log_.logEvent(2233, " T: Getting CD info");
    localDisc_.discId = computeDiscId(localDisc_.trackList);
    if (lookup_)
        lookup_(setup_.drive, setup_.options.cdPlayerIni, scsi_.cdTextInfo(), localDisc_);
    if (setup_.fanMark)
        setup_.fanMark->store(isFanArtist(localDisc_.artist) ? 1 : 0);
}

} // namespace rubo
