#include "sim/drive_state.h"

#include "base/text_format.h"
#include "sim/disc.h"

#include <cstdlib>
#include <cstring>

namespace rubo::vdrive {

void resetDriveState(DriveState& state) {
    std::memset(&state, 0, sizeof state);
    state.magic = kDriveStateMagic;
    state.version = kDriveStateVersion;
    state.spinUpMs = kDefaultSpinUpMs;
    state.readLatencyMs = kDefaultReadLatencyMs;
    state.speedFactor = 1;
    state.restFrame = kLeadInFrames;
    state.driveLetter = 'D';
}

bool isValidDriveState(const DriveState& state) {
    return state.magic == kDriveStateMagic && state.version == kDriveStateVersion;
}

namespace {

void endPlay(DriveState& state, PlayEnd how, std::int32_t position) {
    state.audioState = static_cast<std::int32_t>(how == PlayEnd::Completed ? AudioState::Completed
                                                                           : AudioState::Stopped);
    state.playEnd = static_cast<std::int32_t>(how);
    state.restFrame = position;
}

std::int32_t playPosition(const DriveState& state, std::int64_t now) {
    std::int64_t elapsed = now - state.playStartedAt;
    if (elapsed < 0)
        elapsed = 0;
    std::int64_t frames = elapsed * state.speedFactor * kFramesPerSecond / 1000;
    std::int64_t position = state.playStartFrame + frames;
    return position >= state.playEndFrame ? state.playEndFrame
                                          : static_cast<std::int32_t>(position);
}

} // namespace

bool insertDisc(DriveState& state, const std::string& path, bool hasMedia, std::int64_t now) {
    if (path.empty() || path.size() >= kDiscPathSize)
        return false;
    if (static_cast<AudioState>(state.audioState) == AudioState::Playing ||
        static_cast<AudioState>(state.audioState) == AudioState::Paused)
        endPlay(state, PlayEnd::Aborted, kLeadInFrames);
    std::memset(state.discPath, 0, sizeof state.discPath);
    std::memcpy(state.discPath, path.data(), path.size());
    state.mediaPresent = hasMedia ? 1 : 0;
    state.audioState = static_cast<std::int32_t>(AudioState::Stopped);
    state.restFrame = kLeadInFrames;
    ++state.discGeneration;
    state.trayOpen = 0;
    state.trayClosedAt = now;
    return true;
}

void removeDisc(DriveState& state, std::int64_t now) {
    openTray(state, now);
    std::memset(state.discPath, 0, sizeof state.discPath);
    state.mediaPresent = 0;
    ++state.discGeneration;
}

void openTray(DriveState& state, std::int64_t now) {
    advance(state, now);
    AudioState audio = static_cast<AudioState>(state.audioState);
    if (audio == AudioState::Playing || audio == AudioState::Paused)
        endPlay(state, PlayEnd::Aborted, kLeadInFrames);
    state.audioState = static_cast<std::int32_t>(AudioState::Stopped);
    state.restFrame = kLeadInFrames;
    state.trayOpen = 1;
}

void closeTray(DriveState& state, std::int64_t now) {
    if (!state.trayOpen)
        return;
    state.trayOpen = 0;
    state.trayClosedAt = now;
}

bool isTrayOpen(const DriveState& state) {
    return state.trayOpen != 0;
}

bool isMediaPresent(const DriveState& state) {
    return !state.trayOpen && state.mediaPresent;
}

bool isSpinningUp(const DriveState& state, std::int64_t now) {
    return isMediaPresent(state) && now - state.trayClosedAt < state.spinUpMs;
}

bool isReady(const DriveState& state, std::int64_t now) {
    return isMediaPresent(state) && !isSpinningUp(state, now);
}

void setSpeedFactor(DriveState& state, std::int32_t factor, std::int64_t now) {
    if (factor < 1)
        factor = 1;
    if (factor > kMaxSpeedFactor)
        factor = kMaxSpeedFactor;
    advance(state, now);
    if (static_cast<AudioState>(state.audioState) == AudioState::Playing) {
        // Keep the position continuous across the change.
        state.playStartFrame = playPosition(state, now);
        state.playStartedAt = now;
    }
    state.speedFactor = factor;
}

void setSpinUpMs(DriveState& state, std::int32_t ms) {
    state.spinUpMs = ms < 0 ? 0 : ms;
}

bool setReadLatencyMs(DriveState& state, std::int32_t ms) {
    if (ms < 0 || ms > kMaxReadLatencyMs)
        return false;
    state.readLatencyMs = ms;
    return true;
}

bool parseReadLatencyMs(const std::string& text, std::int32_t& ms, std::string& error) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        error = formatText("latency must be a whole number of milliseconds 0-%d, not '%s'",
                           static_cast<int>(kMaxReadLatencyMs), text.c_str());
        return false;
    }
    std::size_t first = text.find_first_not_of('0');
    std::string digits = first == std::string::npos ? std::string("0") : text.substr(first);
    long value =
        digits.size() > 9 ? kMaxReadLatencyMs + 1L : std::strtol(digits.c_str(), nullptr, 10);
    if (value > kMaxReadLatencyMs) {
        error = formatText("latency %s ms is out of range 0-%d", text.c_str(),
                           static_cast<int>(kMaxReadLatencyMs));
        return false;
    }
    ms = static_cast<std::int32_t>(value);
    return true;
}

std::int32_t tocReadDelayMs(const DriveState& state, const Disc* disc, std::int64_t now) {
    if (!isReady(state, now) || disc == nullptr || !disc->hasMedia || disc->tracks.empty())
        return 0;
    std::int32_t ms = state.readLatencyMs;
    return ms < 0 ? 0 : (ms > kMaxReadLatencyMs ? kMaxReadLatencyMs : ms);
}

void advance(DriveState& state, std::int64_t now) {
    if (static_cast<AudioState>(state.audioState) != AudioState::Playing)
        return;
    std::int32_t position = playPosition(state, now);
    if (position >= state.playEndFrame)
        endPlay(state, PlayEnd::Completed, state.playEndFrame);
}

AudioState audioState(DriveState& state, std::int64_t now) {
    advance(state, now);
    return static_cast<AudioState>(state.audioState);
}

std::int64_t msUntilPlayEnd(DriveState& state, std::int64_t now) {
    advance(state, now);
    if (static_cast<AudioState>(state.audioState) != AudioState::Playing)
        return -1;
    const std::int64_t frames = state.playEndFrame - playPosition(state, now);
    const std::int64_t perSecond = std::int64_t{kFramesPerSecond} * state.speedFactor;
    if (perSecond <= 0)
        return 0;
    return (frames * 1000 + perSecond - 1) / perSecond;
}

std::int32_t currentFrame(DriveState& state, std::int64_t now) {
    advance(state, now);
    if (static_cast<AudioState>(state.audioState) == AudioState::Playing)
        return playPosition(state, now);
    return state.restFrame;
}

void startPlay(DriveState& state, std::int32_t startFrame, std::int32_t endFrame,
               std::int64_t now) {
    advance(state, now);
    ++state.playSerial;
    if (endFrame <= startFrame) {
        state.audioState = static_cast<std::int32_t>(AudioState::Stopped);
        state.playEnd = static_cast<std::int32_t>(PlayEnd::Completed);
        state.restFrame = startFrame;
        return;
    }
    state.audioState = static_cast<std::int32_t>(AudioState::Playing);
    state.playEnd = static_cast<std::int32_t>(PlayEnd::None);
    state.playStartFrame = startFrame;
    state.playEndFrame = endFrame;
    state.playStartedAt = now;
}

bool pausePlay(DriveState& state, std::int64_t now) {
    advance(state, now);
    if (static_cast<AudioState>(state.audioState) != AudioState::Playing)
        return false;
    state.restFrame = playPosition(state, now);
    state.audioState = static_cast<std::int32_t>(AudioState::Paused);
    return true;
}

bool resumePlay(DriveState& state, std::int64_t now) {
    if (static_cast<AudioState>(state.audioState) != AudioState::Paused)
        return false;
    state.playStartFrame = state.restFrame;
    state.playStartedAt = now;
    state.audioState = static_cast<std::int32_t>(AudioState::Playing);
    return true;
}

void stopPlay(DriveState& state, std::int64_t now) {
    std::int32_t position = currentFrame(state, now);
    AudioState audio = static_cast<AudioState>(state.audioState);
    if (audio == AudioState::Playing || audio == AudioState::Paused)
        endPlay(state, PlayEnd::Aborted, position);
    else
        state.audioState = static_cast<std::int32_t>(AudioState::Stopped);
}

const char* audioStateName(AudioState state) {
    switch (state) {
    case AudioState::Stopped:
        return "stopped";
    case AudioState::Playing:
        return "playing";
    case AudioState::Paused:
        return "paused";
    case AudioState::Completed:
        return "completed";
    }
    return "?";
}

std::string describeDriveState(DriveState& state, const Disc* disc, std::int64_t now) {
    std::size_t pathLength = 0;
    while (pathLength < kDiscPathSize && state.discPath[pathLength] != 0)
        ++pathLength;
    std::string path(state.discPath, pathLength);
    std::int32_t frame = currentFrame(state, now);
    Msf msf = framesToMsf(frame);
    int track = disc != nullptr ? disc->trackAt(frame) : 0;
    const char* ready =
        isReady(state, now) ? "yes" : (isSpinningUp(state, now) ? "spinning up" : "no");
    return formatText("tray %s, media %s, ready %s, audio %s, position %02d:%02d:%02d "
                      "(track %d), speed x%d, disc %s",
                      state.trayOpen ? "open" : "closed", state.mediaPresent ? "yes" : "no", ready,
                      audioStateName(static_cast<AudioState>(state.audioState)), msf.minute,
                      msf.second, msf.frame, track, static_cast<int>(state.speedFactor),
                      path.empty() ? "(none)" : path.c_str());
}

} // namespace rubo::vdrive
