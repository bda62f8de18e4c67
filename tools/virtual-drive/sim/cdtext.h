#pragma once

// CD-TEXT packs: building block 0 from text fields, reading raw .cdt files.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rubo::vdrive {

constexpr std::uint8_t kPackTitle = 0x80;
constexpr std::uint8_t kPackPerformer = 0x81;
constexpr std::uint8_t kPackMessage = 0x85;
constexpr std::uint8_t kPackSizeInfo = 0x8F;
// Longest single text (bytes, without terminator).
constexpr std::size_t kMaxCdTextChars = 160;

struct CdTextStrings {
    std::string title;
    std::string performer;
    std::string message;
};

struct CdTextFields {
    CdTextStrings disc;
    // Index 0 is the first track (firstTrack), one entry per track up to lastTrack.
    std::vector<CdTextStrings> tracks;
    int firstTrack = 1;
    int lastTrack = 0;
    std::uint8_t characterCode = 0x00; // ISO-8859-1
    std::uint8_t language = 0x09;      // English
};

// CRC of a pack: CRC-16 (polynomial 0x1021, initial 0) over bytes 0-15, inverted.
std::uint16_t cdTextCrc(const std::uint8_t* pack);

// Builds block-0 packs 0x80, 0x81, 0x85 (each type only when some text of it is
// non-empty) and the three 0x8F size packs. Fails when a text is too long or holds
// a control character, or the packs do not fit into one block (256 packs).
bool buildCdTextPacks(const CdTextFields& fields, std::vector<std::uint8_t>& packs,
                      std::string& error);

// Takes raw packs from the bytes of a .cdt file: either bare 18-byte packs or the same
// behind a 4-byte READ TOC header; a short all-zero tail is ignored. Pack types must
// be 0x80-0x8F. CRCs are kept as they are (not checked). Errors name the file and the
// byte offset.
bool parseCdtBytes(const std::vector<std::uint8_t>& bytes, const std::string& fileName,
                   std::vector<std::uint8_t>& packs, std::string& error);
bool loadCdtFile(const std::string& path, std::vector<std::uint8_t>& packs, std::string& error);

} // namespace rubo::vdrive
