#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace rubo {

// Line end of every text file the program writes ("\n" in text mode).
inline constexpr const char kLineEnd[] = "\r\n";

// Reads a whole file into `contents`; false (and `contents` empty) when the
// file cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& contents);

// A further change made to the temporary file before it replaces the file;
// false cancels the replace.
using TempFileEdit = std::function<bool(const std::string& tempPath)>;

// Replaces a file's contents as one step: the new contents go to a temporary
// file in the same directory, `edit` (when given) changes that file, and it
// then replaces the file. On any failure the old file is left untouched and
// false is returned.
bool replaceFileContents(const std::string& path, const std::string& contents,
                         const TempFileEdit& edit = nullptr);

bool fileExists(const std::string& path);

// Writes a file anew in place (not atomic).
bool writeWholeFile(const std::string& path, const std::string& contents);

// Appends bytes at the end of a file, creating it when missing.
bool appendToFile(const std::string& path, const std::string& bytes);

// Creates the file empty, or empties it.
bool truncateFile(const std::string& path);

inline constexpr int kSettledSeconds = 2;

// What tells two versions of a file apart: its identity (volume and file
// number), size and modification time.
struct FileStamp {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::uint64_t modified = 0;
    // Last changed long enough ago that a change now gives another time.
    bool settled = false;
    bool operator==(const FileStamp& o) const {
        return volume == o.volume && index == o.index && size == o.size && modified == o.modified;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

// Platform steps, one per platform file.
namespace platform {
// The stamp of an existing file; false when there is none. A file is
// settled when it was last changed over two seconds ago.
bool fileStamp(const std::string& path, FileStamp& stamp);
// readWholeFile() with the file's stamp; `steady` when the stamp after the
// read was the one before it.
bool readFileStamped(const std::string& path, std::string& contents, FileStamp& stamp,
                     bool& steady);

// Moves `from` over `to`, replacing it atomically.
bool replaceFile(const std::string& from, const std::string& to);
} // namespace platform

} // namespace rubo
