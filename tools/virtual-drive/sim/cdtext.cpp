#include "sim/cdtext.h"

#include "base/text_format.h"
#include "sim/disc.h"
#include "sim/file_read.h"

#include <array>

namespace rubo::vdrive {

std::uint16_t cdTextCrc(const std::uint8_t* pack) {
    std::uint16_t crc = 0;
    for (int i = 0; i < 16; ++i) {
        crc ^= static_cast<std::uint16_t>(pack[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
    }
    return static_cast<std::uint16_t>(~crc);
}

namespace {

using Pack = std::array<std::uint8_t, kCdTextPackSize>;

const std::string& fieldOf(const CdTextStrings& s, std::uint8_t type) {
    if (type == kPackTitle)
        return s.title;
    if (type == kPackPerformer)
        return s.performer;
    return s.message;
}

const char* typeName(std::uint8_t type) {
    if (type == kPackTitle)
        return "title";
    if (type == kPackPerformer)
        return "performer";
    return "message";
}

bool checkText(const std::string& text, const char* what, int track, std::string& error) {
    std::string owner = track == 0 ? std::string("the disc") : formatText("track %d", track);
    if (text.size() > kMaxCdTextChars) {
        error = formatText("CD-TEXT %s of %s is longer than %u characters", what, owner.c_str(),
                           static_cast<unsigned>(kMaxCdTextChars));
        return false;
    }
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            error = formatText("CD-TEXT %s of %s holds a control character", what, owner.c_str());
            return false;
        }
    }
    return true;
}

// Cuts the texts of one pack type (disc, then each track) into packs.
void appendTypePacks(std::uint8_t type, const CdTextFields& fields, std::vector<Pack>& out) {
    std::vector<std::uint8_t> bytes;
    std::vector<int> trackOf;      // track of each byte
    std::vector<int> offsetInText; // offset of each byte within its text
    auto addText = [&](const std::string& text, int track) {
        for (std::size_t i = 0; i <= text.size(); ++i) {
            bytes.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
            trackOf.push_back(track);
            offsetInText.push_back(static_cast<int>(i));
        }
    };
    addText(fieldOf(fields.disc, type), 0);
    for (std::size_t i = 0; i < fields.tracks.size(); ++i)
        addText(fieldOf(fields.tracks[i], type), fields.firstTrack + static_cast<int>(i));
    for (std::size_t at = 0; at < bytes.size(); at += 12) {
        Pack pack{};
        pack[0] = type;
        pack[1] = static_cast<std::uint8_t>(trackOf[at]);
        int position = offsetInText[at];
        pack[3] = static_cast<std::uint8_t>(position > 15 ? 15 : position);
        for (std::size_t i = 0; i < 12 && at + i < bytes.size(); ++i)
            pack[4 + i] = bytes[at + i];
        out.push_back(pack);
    }
}

} // namespace

bool buildCdTextPacks(const CdTextFields& fields, std::vector<std::uint8_t>& packs,
                      std::string& error) {
    const std::uint8_t types[] = {kPackTitle, kPackPerformer, kPackMessage};
    int expectedTracks =
        fields.lastTrack >= fields.firstTrack ? fields.lastTrack - fields.firstTrack + 1 : 0;
    if (fields.firstTrack < 1 || fields.lastTrack > kMaxTrackNumber ||
        static_cast<int>(fields.tracks.size()) != expectedTracks) {
        error = "CD-TEXT track range does not match the track texts";
        return false;
    }
    std::vector<Pack> built;
    std::array<int, 16> counts{};
    for (std::uint8_t type : types) {
        bool any = !fieldOf(fields.disc, type).empty();
        if (!checkText(fieldOf(fields.disc, type), typeName(type), 0, error))
            return false;
        for (std::size_t i = 0; i < fields.tracks.size(); ++i) {
            const std::string& text = fieldOf(fields.tracks[i], type);
            if (!checkText(text, typeName(type), fields.firstTrack + static_cast<int>(i), error))
                return false;
            any = any || !text.empty();
        }
        if (!any)
            continue;
        std::size_t before = built.size();
        appendTypePacks(type, fields, built);
        counts[type - 0x80] = static_cast<int>(built.size() - before);
    }
    std::vector<std::uint8_t> result;
    if (built.empty()) {
        packs.swap(result);
        return true;
    }
    if (built.size() + 3 > 256) {
        error = formatText("CD-TEXT needs %u packs, one block holds 256",
                           static_cast<unsigned>(built.size() + 3));
        return false;
    }
    counts[0x0F] = 3;
    std::array<std::uint8_t, 36> size{};
    size[0] = fields.characterCode;
    size[1] = static_cast<std::uint8_t>(fields.firstTrack);
    size[2] = static_cast<std::uint8_t>(fields.lastTrack);
    for (int i = 0; i < 16; ++i)
        size[4 + i] = static_cast<std::uint8_t>(counts[i]);
    size[20] = static_cast<std::uint8_t>(built.size() + 2); // last sequence number
    size[28] = fields.language;
    for (int part = 0; part < 3; ++part) {
        Pack pack{};
        pack[0] = kPackSizeInfo;
        pack[1] = static_cast<std::uint8_t>(part);
        for (int i = 0; i < 12; ++i)
            pack[4 + i] = size[part * 12 + i];
        built.push_back(pack);
    }
    for (std::size_t i = 0; i < built.size(); ++i) {
        Pack& pack = built[i];
        pack[2] = static_cast<std::uint8_t>(i);
        std::uint16_t crc = cdTextCrc(pack.data());
        pack[16] = static_cast<std::uint8_t>(crc >> 8);
        pack[17] = static_cast<std::uint8_t>(crc & 0xFF);
        result.insert(result.end(), pack.begin(), pack.end());
    }
    packs.swap(result);
    return true;
}

bool parseCdtBytes(const std::vector<std::uint8_t>& bytes, const std::string& fileName,
                   std::vector<std::uint8_t>& packs, std::string& error) {
    std::size_t start = 0;
    if (bytes.size() >= 4 && (bytes[0] < 0x80 || bytes[0] > 0x8F)) {
        // A READ TOC header: data length counts the two bytes after it.
        std::size_t length = static_cast<std::size_t>(bytes[0]) << 8 | bytes[1];
        if (length < 2 || length - 2 > bytes.size() - 4 || (length - 2) % kCdTextPackSize != 0) {
            error = formatText("%s: offset 0: neither a CD-TEXT pack nor a valid header",
                               fileName.c_str());
            return false;
        }
        start = 4;
    }
    std::size_t count = (bytes.size() - start) / kCdTextPackSize;
    if (start == 4)
        count = ((static_cast<std::size_t>(bytes[0]) << 8 | bytes[1]) - 2) / kCdTextPackSize;
    std::size_t tail = start + count * kCdTextPackSize;
    for (std::size_t i = tail; i < bytes.size(); ++i) {
        if (bytes[i] != 0) {
            error = formatText("%s: offset %u: %u bytes after the last pack are not padding",
                               fileName.c_str(), static_cast<unsigned>(tail),
                               static_cast<unsigned>(bytes.size() - tail));
            return false;
        }
    }
    if (count == 0) {
        error = formatText("%s: offset 0: no CD-TEXT packs", fileName.c_str());
        return false;
    }
    if (count > kMaxCdTextPacks) {
        error = formatText("%s: offset 0: more than %u packs", fileName.c_str(),
                           static_cast<unsigned>(kMaxCdTextPacks));
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t type = bytes[start + i * kCdTextPackSize];
        if (type < 0x80 || type > 0x8F) {
            error = formatText("%s: offset %u: pack %u has type 0x%02X, not 0x80-0x8F",
                               fileName.c_str(), static_cast<unsigned>(start + i * kCdTextPackSize),
                               static_cast<unsigned>(i), type);
            return false;
        }
    }
    packs.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                 bytes.begin() + static_cast<std::ptrdiff_t>(tail));
    return true;
}

bool loadCdtFile(const std::string& path, std::vector<std::uint8_t>& packs, std::string& error) {
    std::vector<unsigned char> bytes;
    ReadStatus status = readFileBounded(path, kMaxCdtFileBytes, bytes);
    if (status == ReadStatus::CannotOpen) {
        error = formatText("%s: cannot be read", path.c_str());
        return false;
    }
    if (status == ReadStatus::TooLarge) {
        error = formatText("%s: larger than %u bytes", path.c_str(),
                           static_cast<unsigned>(kMaxCdtFileBytes));
        return false;
    }
    return parseCdtBytes(bytes, path, packs, error);
}

} // namespace rubo::vdrive
