// Measures building the Database page's tree from a large disc database: the
// time against reading the whole file once into memory in the same run.
#include "app/database_tree.h"
#include "settings/file_io.h"
#include "settings/text_format.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace rubo;

namespace {

constexpr int kDiscs = 10000;
constexpr int kTracks = 12;
// Artists with more than one disc, as in a real collection.
constexpr int kDiscsPerArtist = 3;
constexpr int kRuns = 21;

std::string buildDatabase() {
    std::string file = "[Options]\r\nCddbSite=1\r\nIniCompatibility=1\r\n";
    for (int d = 0; d < kDiscs; ++d) {
        file += formatText("\r\n[%X]\r\n", 0x02003C01u + static_cast<unsigned>(d) * 7919u);
        file += formatText("Artist=Artist %d\r\nTitle=Album title %d\r\n", d / kDiscsPerArtist, d);
        file += "Year=1997\r\nGenre=Rock\r\nCategory=rock\r\n";
        for (int t = 1; t <= kTracks; ++t)
            file += formatText("%d=Track title %d, disc %d\r\n", t, t, d);
        file += "Extd=YEAR: 1997 ID3G: 17\r\n";
    }
    return file;
}

double medianMillis(const std::function<void()>& op) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        auto start = std::chrono::steady_clock::now();
        op();
        auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main() {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / "rubo-database-tree-bench";
    fs::create_directories(dir);
    const std::string path = (dir / "RUBO.ini").string();
    const std::string database = buildDatabase();
    if (!writeWholeFile(path, database)) {
        std::printf("cannot write %s\n", path.c_str());
        return 1;
    }
    std::printf("database: %d discs, %d tracks each, %zu bytes\n", kDiscs, kTracks,
                database.size());

    std::string sink;
    std::size_t items = 0;
    const double read = medianMillis([&] { readWholeFile(path, sink); });
    const double tree = medianMillis([&] { items = readDatabaseTree(path).items.size(); });
    std::printf("%-40s %12s %8s\n", "operation (median of 21)", "milliseconds", "ratio");
    std::printf("%-40s %12.2f %8.2f\n", "baseline: read whole file", read, 1.0);
    std::printf("%-40s %12.2f %8.2f\n", "read file and build the tree", tree, tree / read);
    std::printf("tree items: %zu\n", items);

    std::error_code ec;
    fs::remove_all(dir, ec);
    const std::size_t expected = kDiscs / kDiscsPerArtist + (kDiscs % kDiscsPerArtist != 0) +
                                 static_cast<std::size_t>(kDiscs) * (1 + kTracks);
    return items == expected ? 0 : 1;
}
