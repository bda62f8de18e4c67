// Measures the settings file on a large disc database: each figure is a
// ratio against reading the whole file once into memory in the same run.
#include "base/file_io.h"
#include "base/text_format.h"
#include "settings/settings_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace rubo;

namespace {

constexpr int kSections = 5000;
constexpr int kTracks = 15;
constexpr int kRuns = 21;

std::string buildDatabase(std::vector<std::string>& sectionNames) {
    std::string file = "[Options]\r\nCddbSite=1\r\nIniCompatibility=1\r\n";
    for (int d = 0; d < kSections; ++d) {
        std::string id = formatText("%X", 0x02003C01u + static_cast<unsigned>(d) * 7919u);
        sectionNames.push_back(id);
        file += "\r\n[" + id + "]\r\n";
        file += formatText("Artist=Artist number %d\r\nTitle=Album title number %d\r\n", d, d);
        file += "Year=1997\r\nGenre=Alternative Rock\r\nCategory=rock\r\n";
        for (int t = 1; t <= kTracks; ++t)
            file += formatText("%d=A realistic track title %d of disc %d\r\n", t, t, d);
        file += "Extd=YEAR: 1997\\nID3G: 17\r\n";
    }
    return file;
}

double medianMicros(const std::function<void()>& op) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        auto start = std::chrono::steady_clock::now();
        op();
        auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void plainWrite(const std::string& path, const std::string& contents) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(contents.data(), 1, contents.size(), f);
        std::fclose(f);
    }
}

} // namespace

int main() {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / "rubo-ini-bench";
    fs::create_directories(dir);
    const std::string path = (dir / "RUBO.ini").string();
    const std::string copyPath = (dir / "copy.ini").string();

    std::vector<std::string> sections;
    const std::string database = buildDatabase(sections);
    plainWrite(path, database);
    std::printf("database: %d sections, %d tracks each, %zu bytes\n", kSections, kTracks,
                database.size());

    std::string sink;
    const double read = medianMicros([&] { readWholeFile(path, sink); });
    const double readWrite = medianMicros([&] {
        readWholeFile(path, sink);
        plainWrite(copyPath, sink);
    });

    SettingsFile file(path, systemProfileApi());
    int found = 0;
    std::printf("%-40s %12s %8s\n", "operation (median of 21)", "microseconds", "ratio");
    std::printf("%-40s %12.0f %8.2f\n", "baseline: read whole file", read, 1.0);
    std::printf("%-40s %12.0f %8.2f\n", "baseline: read + write whole file", readWrite,
                readWrite / read);
    for (bool lineMode : {true, false}) {
        file.setOwnIniFormat(lineMode);
        const char* mode = lineMode ? "line mode" : "profile mode";
        const std::string& last = sections.back();
        const std::string& middle = sections[sections.size() / 2];
        double getLast = medianMicros([&] { found += file.getString(last, "15", "") != ""; });
        double getMissing =
            medianMicros([&] { found += file.getString(last, "Missing", "") != ""; });
        int n = 0;
        double write = medianMicros(
            [&] { file.writeString(middle, "Genre", n++ % 2 ? "Alternative" : "Rock"); });
        std::printf("%-40s %12.0f %8.2f\n", formatText("%s: get key, last section", mode).c_str(),
                    getLast, getLast / read);
        std::printf("%-40s %12.0f %8.2f\n", formatText("%s: get missing key", mode).c_str(),
                    getMissing, getMissing / read);
        std::printf("%-40s %12.0f %8.2f  (%.2f of read + write)\n",
                    formatText("%s: write key, middle section", mode).c_str(), write, write / read,
                    write / readWrite);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return found == 2 * kRuns ? 0 : 1;
}
