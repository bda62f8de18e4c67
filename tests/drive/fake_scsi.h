#pragma once

// Fake back ends, system information and response builders for the drive tests.

#include "base/system_info.h"
#include "drive/scsi_access.h"
#include "drive/scsi_ports.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace rubo::test {

class FakeSystemInfo : public SystemInfo {
public:
    OsKind kind = kOsWindowsXp;
    bool admin = true;
    std::string errorText = "fake error";

    std::string modulePath() const override { return ""; }
    OsKind osKind() const override { return kind; }
    std::string userName() const override { return "tester"; }
    bool isAdministrator() const override { return admin; }
    std::string lastErrorText() const override { return errorText; }
};

// Answers a command by filling the buffer; false fails it.
using FakeResponder =
    std::function<bool(const Cdb& cdb, std::uint8_t* buffer, std::uint32_t length)>;

struct SptiCall {
    std::string path;
    bool readWrite = false;
    Cdb cdb{};
    std::uint32_t length = 0;
};

class FakeSptiPort : public SptiPort {
public:
    explicit FakeSptiPort(std::vector<SptiCall>& calls, FakeResponder responder)
        : calls_(calls), responder_(std::move(responder)) {}
    bool execute(const std::string& devicePath, bool readWrite, const Cdb& cdb, void* buffer,
                 std::uint32_t length) override {
        calls_.push_back(SptiCall{devicePath, readWrite, cdb, length});
        return responder_ && responder_(cdb, static_cast<std::uint8_t*>(buffer), length);
    }

private:
    std::vector<SptiCall>& calls_;
    FakeResponder responder_;
};

struct AspiCall {
    int hostAdapter = 0;
    int target = 0;
    int lun = 0;
    Cdb cdb{};
    std::uint32_t length = 0;
};

// An ASPI library with adapters, devices by (adapter, target, lun) and a
// responder per device address.
class FakeAspiPort : public AspiPort {
public:
    struct State {
        bool loaded = true;
        std::uint32_t supportInfo = 0x0101; // SS_COMP, one adapter
        std::map<int, std::uint8_t> adapterUnique3;
        std::map<std::tuple<int, int, int>, std::uint8_t> deviceTypes;
        std::map<std::tuple<int, int, int>, FakeResponder> responders;
        std::vector<std::tuple<int, int, int>> typeQueries;
        std::vector<AspiCall> calls;
    };

    explicit FakeAspiPort(State& state) : s_(state) {}

    bool loaded() const override { return s_.loaded; }
    std::uint32_t supportInfo() override { return s_.supportInfo; }
    int inquireHostAdapter(int adapter, std::uint8_t& uniqueByte3) override {
        auto it = s_.adapterUnique3.find(adapter);
        if (it == s_.adapterUnique3.end())
            return 0x81; // SS_INVALID_HA
        uniqueByte3 = it->second;
        return 1;
    }
    int deviceType(int adapter, int target, int lun, std::uint8_t& type) override {
        s_.typeQueries.emplace_back(adapter, target, lun);
        auto it = s_.deviceTypes.find({adapter, target, lun});
        if (it == s_.deviceTypes.end())
            return 0x82; // SS_NO_DEVICE
        type = it->second;
        return 1;
    }
    int execute(const AspiDrive& drive, const Cdb& cdb, void* buffer,
                std::uint32_t length) override {
        s_.calls.push_back(AspiCall{drive.hostAdapter, drive.target, drive.lun, cdb, length});
        auto it = s_.responders.find({drive.hostAdapter, drive.target, drive.lun});
        if (it == s_.responders.end() || !it->second)
            return 4; // SS_ERR
        return it->second(cdb, static_cast<std::uint8_t*>(buffer), length) ? 1 : 4;
    }

private:
    State& s_;
};

// A format-0 TOC response: tracks as (minute, second, frame, control), then
// the lead-out.
struct TocTrack {
    int minute;
    int second;
    int frame;
    int control = 0;
};
inline std::vector<std::uint8_t> buildToc(int first, const std::vector<TocTrack>& tracks,
                                          TocTrack leadOut, std::size_t size = 804) {
    std::vector<std::uint8_t> toc(size, 0);
    const int last = first + static_cast<int>(tracks.size()) - 1;
    const std::size_t dataLength = 2 + 8 * (tracks.size() + 1);
    toc[0] = static_cast<std::uint8_t>(dataLength >> 8);
    toc[1] = static_cast<std::uint8_t>(dataLength & 0xFF);
    toc[2] = static_cast<std::uint8_t>(first);
    toc[3] = static_cast<std::uint8_t>(last);
    for (std::size_t i = 0; i <= tracks.size(); ++i) {
        const TocTrack& t = i < tracks.size() ? tracks[i] : leadOut;
        std::uint8_t* d = toc.data() + 4 + 8 * i;
        d[1] = static_cast<std::uint8_t>(0x10 | t.control);
        d[2] = static_cast<std::uint8_t>(i < tracks.size() ? first + static_cast<int>(i) : 0xAA);
        d[5] = static_cast<std::uint8_t>(t.minute);
        d[6] = static_cast<std::uint8_t>(t.second);
        d[7] = static_cast<std::uint8_t>(t.frame);
    }
    return toc;
}

// One 11-byte full-TOC descriptor.
struct FullTocEntry {
    int session;
    int adrControl;
    int point;
    int pmin;
    int psec;
    int pframe;
    int min = 0;
    int sec = 0;
    int frame = 0;
};
inline std::vector<std::uint8_t> buildFullToc(int firstSession, int lastSession,
                                              const std::vector<FullTocEntry>& entries,
                                              std::size_t size = 1104) {
    std::vector<std::uint8_t> toc(size, 0);
    const std::size_t dataLength = 2 + 11 * entries.size();
    toc[0] = static_cast<std::uint8_t>(dataLength >> 8);
    toc[1] = static_cast<std::uint8_t>(dataLength & 0xFF);
    toc[2] = static_cast<std::uint8_t>(firstSession);
    toc[3] = static_cast<std::uint8_t>(lastSession);
    for (std::size_t i = 0; i < entries.size() && 4 + 11 * (i + 1) <= size; ++i) {
        const FullTocEntry& e = entries[i];
        std::uint8_t* d = toc.data() + 4 + 11 * i;
        d[0] = static_cast<std::uint8_t>(e.session);
        d[1] = static_cast<std::uint8_t>(e.adrControl);
        d[3] = static_cast<std::uint8_t>(e.point);
        d[4] = static_cast<std::uint8_t>(e.min);
        d[5] = static_cast<std::uint8_t>(e.sec);
        d[6] = static_cast<std::uint8_t>(e.frame);
        d[8] = static_cast<std::uint8_t>(e.pmin);
        d[9] = static_cast<std::uint8_t>(e.psec);
        d[10] = static_cast<std::uint8_t>(e.pframe);
    }
    return toc;
}

// Enhanced CD: audio session with tracks 1-3 (lead-out 30:00:00), data
// session with track 4 at 32:00:00 (lead-out 40:00:00).
inline std::vector<FullTocEntry> enhancedSessionOne() {
    return {
        {1, 0x10, 0xA0, 1, 0x20, 0},
        {1, 0x10, 0xA1, 3, 0, 0},
        {1, 0x10, 0xA2, 30, 0, 0},
        {1, 0x10, 1, 0, 2, 0},
        {1, 0x10, 2, 10, 0, 0},
        {1, 0x10, 3, 20, 30, 15},
        {1, 0x50, 0xB0, 79, 59, 74, 31, 30, 0},
        {1, 0x50, 0xC0, 95, 0, 0},
    };
}
inline std::vector<FullTocEntry> enhancedSessionTwo() {
    return {
        {2, 0x10, 0xA0, 4, 0x20, 0},
        {2, 0x10, 0xA1, 4, 0, 0},
        {2, 0x10, 0xA2, 40, 0, 0},
        {2, 0x14, 4, 32, 0, 0},
    };
}
inline std::vector<FullTocEntry> enhancedCdEntries() {
    std::vector<FullTocEntry> both = enhancedSessionOne();
    for (const FullTocEntry& e : enhancedSessionTwo())
        both.push_back(e);
    return both;
}

// One CD-TEXT pack (CRC left zero); `text` is cut or zero-padded to 12 bytes.
inline std::vector<std::uint8_t> cdTextPack(int type, int track, int sequence, int blockAndPos,
                                            const std::string& text) {
    std::vector<std::uint8_t> pack(18, 0);
    pack[0] = static_cast<std::uint8_t>(type);
    pack[1] = static_cast<std::uint8_t>(track);
    pack[2] = static_cast<std::uint8_t>(sequence);
    pack[3] = static_cast<std::uint8_t>(blockAndPos);
    for (std::size_t i = 0; i < 12 && i < text.size(); ++i)
        pack[4 + i] = static_cast<std::uint8_t>(text[i]);
    return pack;
}

// A 5000-byte format-5 response holding the packs after a 4-byte header.
inline std::vector<std::uint8_t> cdTextResponse(const std::vector<std::vector<std::uint8_t>>& packs,
                                                std::size_t size = 5000) {
    std::vector<std::uint8_t> out(size, 0);
    std::size_t at = 4;
    for (const auto& pack : packs) {
        for (std::uint8_t b : pack)
            if (at < out.size())
                out[at++] = b;
    }
    const std::size_t dataLength = 2 + 18 * packs.size();
    out[0] = static_cast<std::uint8_t>(dataLength >> 8);
    out[1] = static_cast<std::uint8_t>(dataLength & 0xFF);
    return out;
}

// A responder that copies `bytes` into the buffer for READ TOC of `format`
// (and `session` in byte 6 when not negative).
inline bool answerToc(const Cdb& cdb, std::uint8_t* buffer, std::uint32_t length, int format,
                      const std::vector<std::uint8_t>& bytes, int session = -1) {
    if (cdb[0] != 0x43 || cdb[2] != format || (session >= 0 && cdb[6] != session))
        return false;
    for (std::uint32_t i = 0; i < length && i < bytes.size(); ++i)
        buffer[i] = bytes[i];
    return true;
}

} // namespace rubo::test
