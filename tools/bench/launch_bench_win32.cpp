// Times the real rubo.exe from its start to the disc's text on its display,
// under Windows or Wine with a CD drive holding a CD-TEXT disc (see
// tools/bench/launch-bench): RUBO.ini with 0, 1,000 and 10,000 generated
// discs, in both INI modes, the disc absent from the database (lookup miss,
// CD-TEXT read, save) or present as its last section (lookup hit).
//   launch_bench RUBO_EXE SCRATCH_DIR [RUNS] [DISC_TEXT]
#include "base/file_io.h"
#include "bench_database.h"
#include "rubo_run_win32.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace rubo;
using bench::median;

namespace {

constexpr int kDefaultRuns = 5;
constexpr DWORD kTextTimeoutMs = 60000;
constexpr double kLimit = 1.25;
constexpr const char kDefaultDiscText[] = "The Virtual Players - Virtual Sessions";
const int kDatabaseSizes[] = {0, 1000, 10000};

// Milliseconds from the start of rubo.exe in `dir` to `discText` on its
// display; negative when it did not come.
double launchOnce(const std::string& dir, const std::string& discText) {
    bench::RuboRun rubo(dir);
    return rubo.waitForText(discText, rubo.startTime(), kTextTimeoutMs);
}

std::string optionsText(int iniCompatibility) {
    return formatText("[Options]\r\nCddbSite=1\r\nCdromDrive=D\r\nShowTinyHelp=0\r\n"
                      "IniCompatibility=%d\r\n",
                      iniCompatibility);
}

// The disc's section as rubo.exe saves it: a launch with an empty database,
// then every section of RUBO.ini but the options.
std::string savedDiscSection(const std::string& dir, const std::string& discText) {
    writeWholeFile(dir + "\\RUBO.ini", optionsText(0));
    if (launchOnce(dir, discText) < 0)
        return std::string();
    std::string ini;
    readWholeFile(dir + "\\RUBO.ini", ini);
    std::size_t at = 0;
    while ((at = ini.find("\n[", at)) != std::string::npos) {
        ++at;
        if (ini.compare(at, 9, "[Options]") != 0)
            return ini.substr(at);
    }
    return std::string();
}

struct Case {
    int discs;
    int mode;
    bool present;
    std::string dir;
    std::string ini;
    std::vector<double> times;
};

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc < 3) {
        std::printf("usage: launch_bench RUBO_EXE SCRATCH_DIR [RUNS] [DISC_TEXT]\n");
        return 2;
    }
    const std::string exe = argv[1];
    const fs::path scratch = argv[2];
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : kDefaultRuns;
    const std::string discText = argc > 4 ? argv[4] : kDefaultDiscText;
    std::error_code ec;
    fs::remove_all(scratch, ec);
    fs::create_directories(scratch);

    const std::string probe = (scratch / "probe").string();
    fs::create_directories(probe);
    if (!CopyFileA(exe.c_str(), (probe + "\\rubo.exe").c_str(), FALSE)) {
        std::printf("cannot copy %s\n", exe.c_str());
        return 1;
    }
    const std::string section = savedDiscSection(probe, discText);
    if (section.empty()) {
        std::printf("rubo.exe did not show \"%s\" and save the disc\n", discText.c_str());
        return 1;
    }

    std::vector<Case> cases;
    for (int present = 0; present < 2; ++present)
        for (int mode = 0; mode < 2; ++mode)
            for (int discs : kDatabaseSizes) {
                Case c{discs, mode, present != 0, std::string(), std::string(), {}};
                c.dir = (scratch / formatText("d%d-m%d-p%d", discs, mode, present)).string();
                fs::create_directories(c.dir);
                CopyFileA(exe.c_str(), (c.dir + "\\rubo.exe").c_str(), FALSE);
                // The form each mode's writer leaves (see bench_database.h).
                const bool blank = mode == 1;
                c.ini = bench::buildDatabase(discs, blank, optionsText(mode));
                if (c.present)
                    c.ini += (blank ? "\r\n" : "") + section;
                cases.push_back(std::move(c));
            }

    std::printf("rubo.exe %s, %d runs per case\n", exe.c_str(), runs);
    bool failed = false;
    for (int run = 0; run < runs; ++run) {
        for (Case& c : cases) {
            const std::string ini = c.dir + "\\RUBO.ini";
            writeWholeFile(ini, c.ini);
            // A database written long before the launch.
            fs::last_write_time(ini, fs::file_time_type::clock::now() - std::chrono::hours(1), ec);
            const double ms = launchOnce(c.dir, discText);
            if (ms < 0)
                failed = true;
            else
                c.times.push_back(ms);
        }
    }

    std::printf("%-28s %8s %12s %8s\n", "case", "discs", "median ms", "ratio");
    bool met = true;
    for (const Case& c : cases) {
        double base = 0;
        for (const Case& b : cases)
            if (b.discs == 0 && b.mode == c.mode && b.present == c.present)
                base = median(b.times);
        const double ms = median(c.times);
        const double ratio = base > 0 ? ms / base : 0;
        if (c.discs == 10000 && ratio > kLimit)
            met = false;
        std::printf("IniCompatibility=%d %-8s %8d %12.0f %8.2f\n", c.mode,
                    c.present ? "hit" : "miss", c.discs, ms, ratio);
    }
    std::printf("10,000 discs within %.2f x the empty database: %s%s\n", kLimit,
                met ? "met" : "NOT met", failed ? " (some launches failed)" : "");
    fs::remove_all(scratch, ec);
    return met && !failed ? 0 : 1;
}
