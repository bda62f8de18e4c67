#pragma once

#include "drive/cd_audio_device.h"

#include "base/text_format.h"

#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace rubo {

// A CD-audio device for tests: answers from a script and records every call
// as a line ("open E: 1", "status 4", "trackStatus 3 2", "playFrom 0x00020100 1").
// Failing commands keep their code in lastError() as the real device does.
class FakeCdAudioDevice : public CdAudioDevice {
public:
    struct Track {
        std::uint32_t start = 0;  // trackStatus(t, kMciStatusPosition)
        std::uint32_t length = 0; // trackStatus(t, kMciStatusLength)
        std::uint32_t type = kMciCdaTrackAudio;
    };

    // Results of the commands (0 = success).
    MciError openResult = 0;
    MciError closeResult = 0;
    MciError infoResult = 0;
    MciError timeFormatResult = 0;
    MciError playResult = 0;
    MciError stopResult = 0;
    MciError pauseResult = 0;
    MciError doorResult = 0;
    MciError sendResult = 0;
    // Device id given by the next successful open (then counts up).
    std::uint32_t nextDeviceId = 1;
    // Tracks 1..n for trackStatus; other numbers answer 0.
    std::vector<Track> tracks;
    // Text that info() copies (cut to the buffer).
    std::string infoText;

    // Every call in order.
    std::vector<std::string> calls;
    // Time format in force (as last set successfully).
    std::uint32_t timeFormat = 0;
    // Positions played and the time format each play was sent in.
    std::vector<std::uint32_t> playedFrom;
    std::vector<std::uint32_t> playFormats;

    // The answer of a status item from now on.
    void setStatus(std::uint32_t item, std::uint32_t value) { fixed_[item] = value; }
    // Answers given once each, in order, before the fixed answer.
    void queueStatus(std::uint32_t item, std::initializer_list<std::uint32_t> values) {
        for (std::uint32_t v : values)
            queued_[item].push_back(v);
    }
    // A status item that fails with `error` (0 clears it).
    void failStatus(std::uint32_t item, MciError error) { failing_[item] = error; }

    std::size_t countCalls(const std::string& line) const {
        std::size_t n = 0;
        for (const std::string& c : calls)
            n += c == line ? 1 : 0;
        return n;
    }

    MciError open(const char* drive, int shareable) override {
        record(formatText("open %s %d", drive ? drive : "(null)", shareable));
        MciError result = noteResult(openResult);
        if (result == 0)
            deviceId_ = nextDeviceId++;
        return result;
    }

    MciError openByType(std::uint32_t typeId, int shareable) override {
        record(formatText("openByType %u %d", static_cast<unsigned>(typeId), shareable));
        MciError result = noteResult(openResult);
        if (result == 0)
            deviceId_ = nextDeviceId++;
        return result;
    }

    MciError close() override {
        record("close");
        return noteResult(closeResult);
    }

    std::uint32_t status(std::uint32_t item) override {
        record(formatText("status %u", static_cast<unsigned>(item)));
        auto failing = failing_.find(item);
        if (failing != failing_.end() && failing->second != 0) {
            noteResult(failing->second);
            return 0;
        }
        auto queued = queued_.find(item);
        if (queued != queued_.end() && !queued->second.empty()) {
            std::uint32_t value = queued->second.front();
            queued->second.pop_front();
            return value;
        }
        auto fixed = fixed_.find(item);
        return fixed != fixed_.end() ? fixed->second : 0;
    }

    MciError info(std::uint32_t flags, char* buffer, std::uint32_t size) override {
        record(
            formatText("info 0x%X %u", static_cast<unsigned>(flags), static_cast<unsigned>(size)));
        if (infoResult == 0 && buffer && size > 0) {
            std::size_t n = infoText.size() < size - 1 ? infoText.size() : size - 1;
            std::memcpy(buffer, infoText.data(), n);
            buffer[n] = '\0';
        }
        return noteResult(infoResult);
    }

    MciError setTimeFormat(std::uint32_t format) override {
        record(formatText("setTimeFormat %u", static_cast<unsigned>(format)));
        if (timeFormatResult == 0)
            timeFormat = format;
        return noteResult(timeFormatResult);
    }

    MciError playFrom(std::uint32_t position, int notify) override {
        record(formatText("playFrom 0x%08X %d", static_cast<unsigned>(position), notify));
        if (playResult == 0) {
            playedFrom.push_back(position);
            playFormats.push_back(timeFormat);
        }
        return noteResult(playResult);
    }

    MciError playRange(std::uint32_t from, std::uint32_t to, int notify) override {
        record(formatText("playRange 0x%08X 0x%08X %d", static_cast<unsigned>(from),
                          static_cast<unsigned>(to), notify));
        if (playResult == 0) {
            playedFrom.push_back(from);
            playFormats.push_back(timeFormat);
        }
        return noteResult(playResult);
    }

    MciError stop() override {
        record("stop");
        return noteResult(stopResult);
    }

    MciError pause() override {
        record("pause");
        return noteResult(pauseResult);
    }

    MciError setDoor(int openTray) override {
        record(formatText("setDoor %d", openTray));
        return noteResult(doorResult);
    }

    std::uint32_t trackStatus(std::uint32_t track, std::uint32_t item) override {
        record(formatText("trackStatus %u %u", static_cast<unsigned>(track),
                          static_cast<unsigned>(item)));
        if (track < 1 || track > tracks.size())
            return 0;
        const Track& t = tracks[track - 1];
        switch (item) {
        case kMciStatusPosition:
            return t.start;
        case kMciStatusLength:
            return t.length;
        case kMciCdaStatusTypeTrack:
            return t.type;
        default:
            return 0;
        }
    }

    MciError sendCommand(std::uint32_t command, std::uint32_t flags, void*) override {
        record(formatText("sendCommand 0x%X 0x%X", static_cast<unsigned>(command),
                          static_cast<unsigned>(flags)));
        return noteResult(sendResult);
    }

private:
    void record(std::string line) { calls.push_back(std::move(line)); }

    std::map<std::uint32_t, std::uint32_t> fixed_;
    std::map<std::uint32_t, std::deque<std::uint32_t>> queued_;
    std::map<std::uint32_t, MciError> failing_;
};

} // namespace rubo
