// Times the real rubo.exe from a disc's insertion to its names on the display,
// under Wine with the virtual drive (see tools/bench/name-bench): rubo.exe
// waits with the tray open, then `vdrivectl insert` puts the disc in. Two
// cases in turn: the disc unknown, so rubo.exe looks it up on the MusicBrainz
// server given (the local stand-in), and the disc already in RUBO.ini as the
// first case saved it.
//   name_bench RUBO_EXE SCRATCH_DIR DISC_FILE SERVER [RUNS] [DISC_TEXT]
#include "base/file_io.h"
#include "base/text_format.h"
#include "base/unique_handle_win32.h"
#include "rubo_run_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace rubo;
using bench::Clock;
using bench::median;

namespace {

constexpr int kDefaultRuns = 5;
constexpr DWORD kTextTimeoutMs = 60000;
constexpr DWORD kControlTimeoutMs = 30000;
constexpr const char kNoDiscText[] = "no disc";
constexpr const char kDefaultDiscText[] = "Odile Brankov & Marrow Street Band - Night Ferry";

// Runs the virtual drive's control program; its exit code, -1 when it could
// not start or did not end in time.
int driveControl(const std::string& args) {
    std::string command = "vdrivectl.exe " + args;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        std::printf("cannot start %s: error %lu\n", command.c_str(), GetLastError());
        return -1;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    DWORD code = 0;
    if (WaitForSingleObject(process.get(), kControlTimeoutMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.get(), &code))
        return -1;
    return static_cast<int>(code);
}

struct Timing {
    double insertMs = -1; // the control program's own run
    double namesMs = -1;  // from its start to the names on the display
};

// rubo.exe in `dir` with `ini` as RUBO.ini, started with the tray open; once
// it shows that there is no disc, the disc goes in.
Timing insertOnce(const std::string& dir, const std::string& ini, const std::string& disc,
                  const std::string& discText) {
    Timing timing;
    if (driveControl("eject") != 0)
        return timing;
    writeWholeFile(dir + "\\RUBO.ini", ini);
    bench::RuboRun rubo(dir);
    if (rubo.waitForText(kNoDiscText, rubo.startTime(), kTextTimeoutMs) < 0) {
        std::printf("rubo.exe did not show \"%s\"; it shows \"%s\"\n", kNoDiscText,
                    rubo.displayText().c_str());
        return timing;
    }
    const Clock::time_point start = Clock::now();
    if (driveControl("insert \"" + disc + "\"") != 0)
        return timing;
    timing.insertMs = bench::millisecondsSince(start);
    timing.namesMs = rubo.waitForText(discText, start, kTextTimeoutMs);
    if (timing.namesMs < 0)
        std::printf("rubo.exe did not show \"%s\"; it shows \"%s\"\n", discText.c_str(),
                    rubo.displayText().c_str());
    return timing;
}

struct Case {
    const char* name;
    std::string ini;
    std::vector<double> names;
    std::vector<double> inserts;
};

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    if (argc < 5) {
        std::printf("usage: name_bench RUBO_EXE SCRATCH_DIR DISC_FILE SERVER [RUNS] [DISC_TEXT]\n");
        return 2;
    }
    const std::string exe = argv[1];
    const fs::path scratch = argv[2];
    const std::string disc = argv[3];
    const std::string server = argv[4];
    const int runs = argc > 5 ? std::max(1, std::atoi(argv[5])) : kDefaultRuns;
    const std::string discText = argc > 6 ? argv[6] : kDefaultDiscText;
    std::error_code ec;
    fs::remove_all(scratch, ec);
    fs::create_directories(scratch);
    const std::string dir = scratch.string();
    if (!CopyFileA(exe.c_str(), (dir + "\\rubo.exe").c_str(), FALSE)) {
        std::printf("cannot copy %s\n", exe.c_str());
        return 1;
    }

    const std::string options = formatText("[Options]\r\nCddbSite=1\r\nCdromDrive=D\r\n"
                                           "ShowTinyHelp=0\r\nLookupNewDiscs=1\r\n"
                                           "MusicBrainzServer=%s\r\n",
                                           server.c_str());
    // An untimed first lookup: the disc's section as rubo.exe saves it.
    std::string saved;
    if (insertOnce(dir, options, disc, discText).namesMs < 0 ||
        !readWholeFile(dir + "\\RUBO.ini", saved) || saved.find("\n[", 1) == std::string::npos) {
        std::printf("rubo.exe did not name the disc from %s and save it\n", server.c_str());
        return 1;
    }

    Case cases[] = {{"MusicBrainz", options, {}, {}}, {"RUBO.ini", saved, {}, {}}};
    std::printf("rubo.exe %s, %d runs, MusicBrainz at %s\n", exe.c_str(), runs, server.c_str());
    std::printf("%-4s %-12s %10s %10s\n", "run", "case", "names ms", "insert ms");
    bool failed = false;
    for (int run = 1; run <= runs; ++run)
        for (Case& c : cases) {
            const Timing timing = insertOnce(dir, c.ini, disc, discText);
            std::printf("%-4d %-12s %10.0f %10.0f\n", run, c.name, timing.namesMs, timing.insertMs);
            if (timing.namesMs < 0) {
                failed = true;
                continue;
            }
            c.names.push_back(timing.namesMs);
            c.inserts.push_back(timing.insertMs);
        }

    std::printf("\n%-17s %10s %10s\n", "median", "names ms", "insert ms");
    for (const Case& c : cases)
        std::printf("%-17s %10.0f %10.0f\n", c.name, median(c.names), median(c.inserts));
    const double known = median(cases[1].names);
    std::printf("MusicBrainz / RUBO.ini: %.2f%s\n",
                known > 0 ? median(cases[0].names) / known : 0.0,
                failed ? " (some runs failed)" : "");
    driveControl("eject");
    fs::remove_all(scratch, ec);
    return failed ? 1 : 0;
}
