#include "app/main_window/display_model.h"

#include "app/main_window/play_mode_choice.h"
#include "app/tiny/tiny_status.h"
#include "base/event_log.h"
#include "base/text_format.h"

namespace rubo {

namespace {

constexpr const char kTimeFormat[] = "(%d:%02d)";
constexpr const char kTimePairFormat[] = "(%d:%02d / %d:%02d)";
constexpr const char kDiscLineFormat[] = "%s - %s   %s";
constexpr const char kSeekLineFormat[] = "%s - %s";
constexpr const char kLookingUpLineFormat[] = "%s   %s";
constexpr const char kStopTrackFormat[] = "[%d]  %s";
constexpr const char kPlayTrackFormat[] = "[%d]  %s   %s";
constexpr const char kPausedTrackFormat[] = "[%d]  %s   (paused)";

std::string timeText(PackedMsf time) {
    return formatText(kTimeFormat, msfMinutes(time), msfSeconds(time));
}

std::string timePairText(PackedMsf first, PackedMsf second) {
    return formatText(kTimePairFormat, msfMinutes(first), msfSeconds(first), msfMinutes(second),
                      msfSeconds(second));
}

std::string wholeTip(const std::string& body, int modeInForce) {
    if (body.empty())
        return body;
    if (modeInForce == kPlayModeNormal)
        return formatText(kTrayTipFormat, body.c_str());
    return formatText(kTrayTipModeFormat, playModeName(modeInForce), body.c_str());
}

const TrackEntry* currentEntry(const DiscInfo& disc) {
    return disc.trackList.entry(disc.firstAudioTrack);
}

std::string currentTitle(const DiscInfo& disc) {
    const TrackEntry* entry = currentEntry(disc);
    return entry ? entry->title : std::string();
}

// A state shown by one word on the first line and in the tip.
DisplayTexts wordTexts(const char* word) {
    return {word, std::string(), word, 0}; // the tip: refresh() puts "RUBO: " in front
}

} // namespace

std::string discTimeText(int timeMode, std::uint32_t uiMode, PackedMsf total, PackedMsf position) {
    const bool stopped = uiMode == kMciModeStop;
    const bool playing = uiMode == kMciModePlay;
    const bool running = playing || uiMode == kMciModePause;
    const PackedMsf remaining = framesToMsf(msfToFrames(total) - msfToFrames(position));
    switch (timeMode) {
    case kTimeModeElapsed:
        return playing ? timeText(position) : std::string();
    case kTimeModeRemaining:
        return playing ? timeText(remaining) : std::string();
    case kTimeModeElapsedTotal:
        if (stopped)
            return timeText(total);
        return running ? timePairText(position, total) : std::string();
    case kTimeModeRemainingTotal:
        if (stopped)
            return timeText(total);
        return running ? timePairText(remaining, total) : std::string();
    default:
        return std::string();
    }
}

std::string trackTimeText(int timeMode, PackedMsf length, PackedTmsf position) {
    const PackedMsf elapsed = makeMsf(tmsfMinutes(position), tmsfSeconds(position), 0);
    const PackedMsf remaining = framesToMsf(msfToFrames(length) - tmsfToFrames(position));
    switch (timeMode) {
    case kTimeModeElapsed:
        return timeText(elapsed);
    case kTimeModeElapsedTotal:
        return timePairText(elapsed, length);
    case kTimeModeRemaining:
        return timeText(remaining);
    case kTimeModeRemainingTotal:
        return timePairText(remaining, length);
    default:
        return std::string();
    }
}

std::string DisplayTexts::text() const {
    return firstLine + "\r\n" + secondLine;
}

DisplayTexts MainDisplay::refresh(const Options& options) {
    Snapshot s = takeSnapshot();
    reportStatus(s);
    followCurrentTrack();
    if (s.clearRequest)
        clearDisc();
    if (s.discInfoReady)
        takeOverDisc(s);
    if (view_.uiMode != kMciModeOpen && !view_.disc.valid)
        view_.uiMode = kMciModeNotReady;

    DisplayTexts texts = buildTexts(s, options);
    texts.trayTip = wholeTip(texts.trayTip, playModeInForce(options.playMode, view_.disc));
    progress_ = texts.progress;
    if (options.showStatus && texts.secondLine.empty())
        texts.secondLine = statusBits_;
    return texts;
}

MainDisplay::Snapshot MainDisplay::takeSnapshot() {
    if (haveSnapshot_ && lock_.releases() == snapshotReleases_) {
        view_.uiMode = snapshot_.mode;
        return snapshot_;
    }
    Snapshot s;
    SharedScope scope(lock_);
    s.mode = shared_.mode;
    if (s.mode == kMciModePlay) {
        absolute_ = shared_.absolutePosition;
        trackPosition_ = shared_.trackPosition;
    }
    s.discInfoReady = shared_.discInfoReady;
    s.scanning = shared_.scanning;
    s.doorOpen = shared_.doorOpen;
    s.ready = shared_.ready;
    s.clearRequest = shared_.clearRequest;
    s.mediaPresent = shared_.mediaPresent;
    view_.uiMode = s.mode;
    snapshot_ = s;
    haveSnapshot_ = true;
    snapshotReleases_ = lock_.releases() + 1; // after this scope's unlock
    return s;
}

void MainDisplay::reportStatus(const Snapshot& s) {
    std::string line =
        formatText(kStatusLineFormat, s.doorOpen ? 'O' : 'o', s.mediaPresent ? 'M' : 'm',
                   s.ready ? 'R' : 'r', s.scanning ? 'S' : 's', modeName(s.mode));
    if (line != lastStatusLine_) {
        log_.logEvent(2001, "%s", line.c_str());
        lastStatusLine_ = std::move(line);
    }
    statusBits_ = formatText(kStatusBitsFormat, s.doorOpen, s.mediaPresent, s.ready, s.scanning);
}

void MainDisplay::followCurrentTrack() {
    DiscInfo& disc = view_.disc;
    if (view_.uiMode == kMciModePlay)
        disc.firstAudioTrack = static_cast<std::uint8_t>(tmsfTrack(trackPosition_));
    if (disc.firstAudioTrack > disc.trackList.trackCount)
        disc.firstAudioTrack = static_cast<std::uint8_t>(disc.trackList.trackCount);
}

void MainDisplay::clearDisc() {
    log_.logEvent(2002, "%s", kClearInfoLog);
    resetDiscInfo(view_.disc);
    resetDiscInfo(view_.cdText);
    controls_.setHasAudio(view_.disc.hasAudio);
    SharedScope scope(lock_);
    shared_.clearRequest = 0;
}

void MainDisplay::takeOverDisc(Snapshot& s) {
    resetDiscInfo(view_.disc);
    resetDiscInfo(view_.cdText);
    // The information waits until the drive has settled.
    if (!s.doorOpen && s.mediaPresent && s.ready) {
        SharedScope scope(lock_);
        view_.disc = shared_.discInfo;
        view_.cdText = shared_.cdTextInfo;
        shared_.scanning = 0;
        shared_.discInfoReady = 0;
        s.scanning = 0;
    }
    controls_.setHasAudio(view_.disc.hasAudio);
}

DisplayTexts MainDisplay::buildTexts(const Snapshot& s, const Options& options) const {
    if (s.scanning)
        return wordTexts(kDisplayScanning);
    const DiscInfo& disc = view_.disc;
    const std::string discTime = discTimeText(options.showModeDisc, view_.uiMode,
                                              framesToMsf(disc.trackList.leadOut), absolute_);
    const std::string discLine =
        lookingUp_ && disc.artist == kUnknownText
            ? formatText(kLookingUpLineFormat, kDisplayLookingUp, discTime.c_str())
            : formatText(kDiscLineFormat, disc.artist.c_str(), disc.title.c_str(),
                         discTime.c_str());
    const std::string title = currentTitle(disc);
    const std::string& artistTip = disc.artist;
    switch (view_.uiMode) {
    case kMciModeNotReady:
        return wordTexts(kStateNotReady);
    case kMciModeStop:
        if (!disc.hasAudio)
            return {disc.trackList.trackCount > 0 ? kStateNoAudio : kStateEmptyDisc, std::string(),
                    kStateNoAudio, 0};
        return {discLine, formatText(kStopTrackFormat, disc.firstAudioTrack, title.c_str()),
                artistTip, 0};
    case kMciModePlay:
        return playTexts(discLine, options.showModeTrack);
    case kMciModeRecord:
        return wordTexts(kStateRecord);
    case kMciModeSeek:
        return {formatText(kSeekLineFormat, disc.artist.c_str(), disc.title.c_str()), kStateSeek,
                artistTip, 0};
    case kMciModePause:
        return {discLine, formatText(kPausedTrackFormat, disc.firstAudioTrack, title.c_str()),
                artistTip, progress_};
    case kMciModeOpen:
        return wordTexts(kStateNoDisc);
    default:
        return DisplayTexts();
    }
}

DisplayTexts MainDisplay::playTexts(const std::string& discLine, int trackTimeMode) const {
    const DiscInfo& disc = view_.disc;
    const TrackEntry* entry = currentEntry(disc);
    const PackedMsf length = entry ? entry->length : 0;
    const int a = msfToFrames(absolute_);
    const int s = entry ? msfToFrames(entry->start) : 0;
    const int total = msfToFrames(length);
    const int e = tmsfToFrames(trackPosition_);
    // Before the track's start the drive plays its gap.
    const bool leadIn = a < s;

    const std::string title = currentTitle(disc);
    const std::string trackPart =
        leadIn ? std::string(kDisplayLeadIn) : trackTimeText(trackTimeMode, length, trackPosition_);
    DisplayTexts texts;
    texts.firstLine = discLine;
    texts.secondLine =
        formatText(kPlayTrackFormat, disc.firstAudioTrack, title.c_str(), trackPart.c_str());
    texts.trayTip = formatText(kTrayTipPairFormat, disc.artist.c_str(), title.c_str());
    texts.progress = (total == 0 || total < e || leadIn) ? 0 : e * kProgressMax / total;
    return texts;
}

} // namespace rubo
