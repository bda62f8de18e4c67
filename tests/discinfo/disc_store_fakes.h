#pragma once

#include "base/system_info.h"
#include "discinfo/disc_store.h"
#include "settings/profile_api.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace rubo::test {

// A drive whose medium has a fixed serial number, or none.
struct FakeSerials : VolumeSerialSource {
    bool known = true;
    std::uint32_t serial = 0;
    std::vector<std::string> asked;

    bool volumeSerial(const std::string& drive, std::uint32_t& out) override {
        asked.push_back(drive);
        if (!known)
            return false;
        out = serial;
        return true;
    }
};

// Profile reads of a given implementation, counted.
struct CountingProfile : ProfileApi {
    explicit CountingProfile(ProfileApi& inner) : inner(inner) {}
    ProfileApi& inner;
    int reads = 0;

    std::string getString(const std::string& s, const std::string& k, const std::string& d,
                          const std::string& p) override {
        ++reads;
        return inner.getString(s, k, d, p);
    }
    bool writeString(const std::string& s, const std::string& k, const char* v,
                     const std::string& p) override {
        return inner.writeString(s, k, v, p);
    }
};

// A disc of `count` audio tracks two minutes apart, text reset, id set.
inline DiscInfo makeDisc(int count, DiscId id) {
    DiscInfo info;
    resetDiscInfo(info);
    for (int n = 1; n <= count; ++n)
        info.trackList.store(
            n, TrackEntry{n, "", "", makeMsf(2, 0, 0),
                          framesToMsf(kLeadInFrames + (n - 1) * 2 * kFramesPerMinute), 1});
    info.trackList.store(0, TrackEntry{});
    info.trackList.trackCount = count;
    info.trackList.leadOut = kLeadInFrames + count * 2 * kFramesPerMinute;
    info.discId = id;
    return info;
}

// Titles of entries 1.. with their extended text in braces.
inline std::string trackTexts(const DiscInfo& info) {
    std::string out;
    for (int n = 1; n < info.trackList.entryCount(); ++n) {
        const TrackEntry& e = info.trackList.tracks[static_cast<std::size_t>(n)];
        out += e.title;
        if (!e.extended.empty())
            out += "{" + e.extended + "}";
        out += ";";
    }
    return out;
}

// Every text field of a record in one line.
inline std::string discTexts(const DiscInfo& info) {
    return info.artist + "|" + info.title + "|" + std::to_string(info.year) + "|" + info.genre +
           "|" + info.category + "|" + info.extendedDisc + "|" + trackTexts(info);
}

// Texts a user may type (with "=", "[", backslashes, and extended data with
// line breaks and tabs) are saved and read back exactly, in the profile mode
// and in the line mode.
inline void checkTypedTextsReadBack(ProfileApi& profile) {
    for (const bool ownFormat : {false, true}) {
        CAPTURE(ownFormat);
        ScratchDir dir;
        SettingsFile settings(dir.file("RUBO.ini"), profile);
        settings.setOwnIniFormat(ownFormat);
        writeBytes(settings.path(), "[Options]\r\nLogging=1\r\n");
        DiscInfo info = makeDisc(4, 0x2A0B3C04);
        info.artist = "AC=DC [live]";
        info.title = "C:\\Music\\new";
        info.trackList.tracks[1].title = "a=b";
        info.trackList.tracks[2].title = "[Bonus]";
        info.trackList.tracks[3].title = "back\\slash\\";
        info.trackList.tracks[4].title = "=[\\]=";
        std::string extended = "a\r\nb\tc\\d";
        EscapeInfoText(extended);
        CHECK(extended == "a\\nb\\tc\\\\d");
        info.extendedDisc = extended;
        info.trackList.tracks[4].extended = extended;
        saveDiscInfo(settings, info);

        DiscInfo back = makeDisc(4, 0x2A0B3C04);
        REQUIRE(readRuboIniEntry(settings, back) == 1);
        CHECK(discTexts(back) == discTexts(info));
        std::string shown = back.trackList.tracks[4].extended;
        UnescapeInfoText(shown);
        CHECK(shown == "a\r\nb\tc\\d");
    }
}

} // namespace rubo::test
