// Measures the disc store on a 10,000-disc RUBO.ini, natively or under Wine,
// in both INI modes: reading the last disc's section and saving a 12-track
// disc, each against one read (and one read plus replace) of the whole file
// in the same run.
#include "base/file_io.h"
#include "bench_database.h"
#include "discinfo/disc_store.h"
#include "settings/profile_api.h"
#include "settings/settings_file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace rubo;

namespace {

constexpr int kDefaultDiscs = 10000;
constexpr int kRuns = 11;
constexpr double kReadLimit = 3.0;
constexpr double kSaveLimit = 3.0;

// Files a while ago, as at a launch: the file is not fresh.
void ageFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1), ec);
}

DiscInfo newDisc(std::uint32_t id) {
    DiscInfo info;
    info.discId = id;
    info.artist = "Bench Artist";
    info.title = "Bench Album";
    info.year = 2001;
    info.genre = "Rock";
    info.category = "rock";
    for (int n = 1; n <= bench::kTracks; ++n) {
        TrackEntry* entry = info.trackList.entryForStore(n);
        entry->title = formatText("Bench track %d", n);
    }
    return info;
}

bool report(const char* what, double ms, double base, double limit) {
    const double ratio = ms / base;
    const bool met = ratio <= limit;
    std::printf("%-52s %10.2f %7.2f  (limit %.1f: %s)\n", what, ms, ratio, limit,
                met ? "met" : "MISSED");
    return met;
}

bool runMode(const std::string& path, int discs, bool ownFormat) {
    // The form each mode's writer leaves: the profile functions of Windows
    // keep no blank lines, the line rules put one before every section.
#ifdef _WIN32
    const bool blankLines = ownFormat;
#else
    const bool blankLines = true;
#endif
    const std::string database = bench::buildDatabase(discs, blankLines);
    auto restore = [&] {
        writeWholeFile(path, database);
        ageFile(path);
    };
    restore();
    SettingsFile settings(path, systemProfileApi());
    settings.setOwnIniFormat(ownFormat);
    std::printf("\n%s mode (IniCompatibility=%d), %d discs, %zu bytes\n",
                ownFormat ? "line" : "profile", ownFormat ? 1 : 0, discs, database.size());
    std::printf("%-52s %10s %7s\n", "operation (median)", "ms", "ratio");

    // Into new memory each time, as a program that reads the file once.
    const double read = bench::medianMillis(kRuns, [&] {
        std::string contents;
        readWholeFile(path, contents);
    });
    const double readWrite = bench::medianMillis(kRuns, [&] {
        std::string contents;
        readWholeFile(path, contents);
        replaceFileContents(path, contents);
    });
    std::printf("%-52s %10.2f %7.2f\n", "baseline: read the whole file", read, 1.0);
    std::printf("%-52s %10.2f %7.2f\n", "baseline: read + replace the whole file", readWrite,
                readWrite / read);
    restore();

    bool ok = true;
    const std::uint32_t lastId = static_cast<std::uint32_t>(
        std::strtoul(bench::discSection(discs > 0 ? discs - 1 : 0).c_str(), nullptr, 16));
    int found = 0;
    // Each lookup by a settings file of its own, as at a launch.
    const double lookup = bench::medianMillis(kRuns, [&] {
        SettingsFile fresh(path, systemProfileApi());
        fresh.setOwnIniFormat(ownFormat);
        DiscInfo info;
        info.discId = lastId;
        found = readRuboIniEntry(fresh, info);
    });
    ok = report("readRuboIniEntry, last section (vs read)", lookup, read, kReadLimit) && ok;
    const double miss = bench::medianMillis(kRuns, [&] {
        SettingsFile fresh(path, systemProfileApi());
        fresh.setOwnIniFormat(ownFormat);
        DiscInfo info;
        info.discId = 0x0A0B0C0Du;
        readRuboIniEntry(fresh, info);
    });
    report("readRuboIniEntry, disc absent (vs read)", miss, read, kReadLimit);
    const DiscInfo disc = newDisc(0x0A0B0C0Du);
    const double save = bench::medianMillis(
        kRuns, [&] { saveDiscInfo(settings, disc); }, restore);
    ok = report("saveDiscInfo, new 12-track disc (vs read+replace)", save, readWrite, kSaveLimit) &&
         ok;
    DiscInfo changed = newDisc(lastId);
    changed.title = "Changed title";
    const double resave = bench::medianMillis(
        kRuns, [&] { saveDiscInfo(settings, changed); }, restore);
    ok = report("saveDiscInfo, last disc changed (vs read+replace)", resave, readWrite,
                kSaveLimit) &&
         ok;
    if (discs > 0 && found != 1) {
        std::printf("the last disc was not found\n");
        ok = false;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const int discs = argc > 1 ? std::atoi(argv[1]) : kDefaultDiscs;
    const fs::path dir = fs::temp_directory_path() / "rubo-store-bench";
    fs::create_directories(dir);
    const std::string path = (dir / "RUBO.ini").string();
    bool ok = runMode(path, discs, false);
    ok = runMode(path, discs, true) && ok;
    std::error_code ec;
    fs::remove_all(dir, ec);
    std::printf("\nall limits %s\n", ok ? "met" : "NOT met");
    return ok ? 0 : 1;
}
