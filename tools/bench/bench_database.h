#pragma once

// A generated disc database for the benchmarks and the timing helpers they
// share: sections of 12-track discs as RUBO.ini holds them.

#include "base/file_io.h"
#include "base/text_format.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace rubo::bench {

constexpr int kTracks = 12;
// Artists with more than one disc, as in a real collection.
constexpr int kDiscsPerArtist = 3;
constexpr const char kDefaultOptions[] = "[Options]\r\nCddbSite=1\r\nIniCompatibility=1\r\n";

// The section name of generated disc `d` (distinct disc ids).
inline std::string discSection(int d) {
    return formatText("%X", 0x02003C01u + static_cast<std::uint32_t>(d) * 7919u);
}

// One disc's section: header and 12 tracks, each line ending in CR LF.
inline std::string discText(int d, bool blankLineBefore) {
    std::string text = blankLineBefore ? "\r\n[" : "[";
    text += discSection(d) + "]\r\n";
    text += formatText("Artist=Artist %d\r\nTitle=Album title %d\r\n", d / kDiscsPerArtist, d);
    text += "Year=1997\r\nGenre=Rock\r\nCategory=rock\r\n";
    for (int t = 1; t <= kTracks; ++t)
        text += formatText("%d=Track title %d, disc %d\r\n", t, t, d);
    text += "Extd=YEAR: 1997 ID3G: 17\r\n";
    return text;
}

// `options` then `discs` disc sections. The program's line mode keeps a
// blank line before each section; the profile functions of Windows drop
// blank lines when they write (blankLines false).
inline std::string buildDatabase(int discs, bool blankLines = true,
                                 const std::string& options = kDefaultOptions) {
    std::string file = options;
    file.reserve(options.size() + static_cast<std::size_t>(discs) * 460);
    for (int d = 0; d < discs; ++d)
        file += discText(d, blankLines);
    return file;
}

// A database of `discs` discs written as RUBO.ini into the temporary folder
// `folder`, and said on standard output; its path, or "" when it cannot be
// written.
inline std::string writeDatabaseFile(const char* folder, int discs) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / folder;
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "RUBO.ini").string();
    const std::string database = buildDatabase(discs);
    if (!writeWholeFile(path, database)) {
        std::printf("cannot write %s\n", path.c_str());
        return std::string();
    }
    std::printf("database: %d discs, %d tracks each, %zu bytes\n", discs, kTracks, database.size());
    return path;
}

// The median of `runs` timed calls of `op` after one untimed call (caches
// and memory warmed up); `prepare` (untimed) runs before each.
inline double medianMillis(int runs, const std::function<void()>& op,
                           const std::function<void()>& prepare = nullptr) {
    std::vector<double> times;
    for (int i = -1; i < runs; ++i) {
        if (prepare)
            prepare();
        const auto start = std::chrono::steady_clock::now();
        op();
        const auto end = std::chrono::steady_clock::now();
        if (i >= 0)
            times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace rubo::bench
