// Measures building the Database page's tree from a large disc database: the
// time against reading the whole file once into memory in the same run.
#include "app/options/database_tree.h"
#include "base/file_io.h"
#include "bench_database.h"

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
constexpr int kRuns = 21;

} // namespace

int main() {
    const std::string path = bench::writeDatabaseFile("rubo-database-tree-bench", kDiscs);
    if (path.empty())
        return 1;

    std::string sink;
    std::size_t items = 0;
    const double read = bench::medianMillis(kRuns, [&] { readWholeFile(path, sink); });
    const double tree =
        bench::medianMillis(kRuns, [&] { items = readDatabaseTree(path).items.size(); });
    std::printf("%-40s %12s %8s\n", "operation (median of 21)", "milliseconds", "ratio");
    std::printf("%-40s %12.2f %8.2f\n", "baseline: read whole file", read, 1.0);
    std::printf("%-40s %12.2f %8.2f\n", "read file and build the tree", tree, tree / read);
    std::printf("tree items: %zu\n", items);

    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(path).parent_path(), ec);
    const std::size_t expected = kDiscs / bench::kDiscsPerArtist +
                                 (kDiscs % bench::kDiscsPerArtist != 0) +
                                 static_cast<std::size_t>(kDiscs) * (1 + bench::kTracks);
    return items == expected ? 0 : 1;
}
