#include <doctest.h>

#include "../e2e/rubo_process_win32.h"
#include "app/startup.h"
#include "base/system_info.h"
#include "settings/settings_file.h"
#include "support/test_support.h"

#include "res/resource.h"

#include <windows.h>

#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kStepTimeoutMs = 10000;
constexpr int kMessageTextId = 0xFFFF; // the text of a message box
constexpr const char kFirstDiscLine[] = "The Virtual Players - Virtual Sessions";

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool clickIn(HWND window, int id) {
    HWND button = GetDlgItem(window, id);
    return button && PostMessageA(button, BM_CLICK, 0, 0);
}

// The version resource of a program: the fixed file version and the string
// FileVersion of the US English table.
struct VersionResource {
    DWORD major = 0, minor = 0;
    std::string text;
};

VersionResource versionResourceOf(const std::string& path) {
    VersionResource result;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return result;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data()))
        return result;
    void* value = nullptr;
    UINT length = 0;
    char root[] = "\\";
    if (VerQueryValueA(data.data(), root, &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        result.major = HIWORD(fixed->dwFileVersionMS);
        result.minor = LOWORD(fixed->dwFileVersionMS);
    }
    char fileVersion[] = "\\StringFileInfo\\040904b0\\FileVersion";
    if (VerQueryValueA(data.data(), fileVersion, &value, &length) && length > 0)
        result.text.assign(static_cast<const char*>(value), length - 1);
    return result;
}

std::string dottedVersion(DWORD major, DWORD minor) {
    return std::to_string(major) + "." + std::to_string(minor);
}

} // namespace

TEST_CASE("the program folder check") {
    ScratchDir dir;
    const std::string folder = dir.path().string() + "\\";
    const std::string ini = "RUBO.ini";

    SUBCASE("a folder RUBO can write to, with or without its settings file") {
        CHECK(folderWritable(folder, ini));
        writeBytes(dir.path() / ini, "[Options]\r\n");
        CHECK(folderWritable(folder, ini));
        // The probe is gone again.
        CHECK(GetFileAttributesA(dir.file(kWriteCheckFileName).c_str()) == INVALID_FILE_ATTRIBUTES);
    }
    SUBCASE("a settings file that cannot be written") {
        writeBytes(dir.path() / ini, "[Options]\r\n");
        // Held open without sharing the right to write, as another program may.
        HANDLE held = CreateFileA(dir.file(ini).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        REQUIRE(held != INVALID_HANDLE_VALUE);
        CHECK_FALSE(folderWritable(folder, ini));
        CloseHandle(held);
        CHECK(folderWritable(folder, ini));
    }
    SUBCASE("a folder that does not exist") {
        CHECK_FALSE(folderWritable(folder + "missing\\", ini));
    }
}

// Run by tests/package/run-package-tests on the unpacked download, in a
// clean prefix with the virtual drive.
TEST_SUITE("package" * doctest::skip()) {

    TEST_CASE("the download: version resource, log header and zip name agree") {
        const std::string folder = environmentText("RUBO_PACKAGE_DIR");
        REQUIRE_FALSE(folder.empty());
        const VersionResource version = versionResourceOf(folder + "\\rubo.exe");
        CHECK(dottedVersion(version.major, version.minor) == kProgramVersion);
        CHECK(version.text == kProgramVersion);
        CHECK(environmentText("RUBO_PACKAGE_ZIP") ==
              std::string("rubo-") + kProgramVersion + "-win32.zip");
    }

    TEST_CASE("the unpacked rubo.exe starts in a clean prefix, plays and keeps its settings") {
        const std::string folder = environmentText("RUBO_PACKAGE_DIR");
        REQUIRE_FALSE(folder.empty());
        // The prefix reports Windows 10, where the disc's CD-TEXT comes through
        // ASPI only after pass-through has failed.
        REQUIRE(systemInfo().osKind() == kOsWindows10);
        RuboProcess rubo(std::string(), folder, ""); // as a user starts it
        INFO(rubo.startError());
        REQUIRE(rubo.started());
        REQUIRE(waitUntil([&] { return rubo.mainWindow() != nullptr; }, kWindowTimeoutMs));
        CHECK(rubo.otherWindow() == nullptr);
        CHECK(waitUntil([&] { return contains(rubo.displayText(), kFirstDiscLine); },
                        kWindowTimeoutMs));
        // The first start writes the settings beside the program.
        CHECK(waitUntil([&] { return fileExists(rubo.file("RUBO.ini")); }, kStepTimeoutMs));

        // The About box shows the version of the version resource.
        REQUIRE(clickIn(rubo.mainWindow(), IDC_ABOUT));
        HWND about = nullptr;
        REQUIRE(waitUntil([&] { return (about = rubo.otherWindow()) != nullptr; }, kStepTimeoutMs));
        const VersionResource version = versionResourceOf(folder + "\\rubo.exe");
        CHECK(RuboProcess::windowText(GetDlgItem(about, IDC_ABOUT_VERSION)) ==
              "Version " + version.text + "   (" + kBuildDate + ")");
        REQUIRE(clickIn(about, IDOK));
        CHECK(waitUntil([&] { return rubo.otherWindow() == nullptr; }, kStepTimeoutMs));

        PostMessageA(rubo.mainWindow(), WM_CLOSE, 0, 0);
        REQUIRE(rubo.exited(kStepTimeoutMs));
        CHECK(rubo.exitCode() == 0);
        CHECK(contains(readBytes(folder + "\\RUBO.ini"), "[Options]"));
    }

    TEST_CASE("a folder RUBO cannot write to: said once, and RUBO plays on") {
        const std::string skip = environmentText("RUBO_READONLY_SKIP");
        if (!skip.empty()) {
            MESSAGE("skipped: " << skip);
            return;
        }
        const std::string folder = environmentText("RUBO_READONLY_DIR");
        REQUIRE_FALSE(folder.empty());
        RuboProcess rubo(std::string(), folder, ""); // as a user starts it
        INFO(rubo.startError());
        REQUIRE(rubo.started());

        HWND box = nullptr;
        REQUIRE(waitUntil([&] { return (box = rubo.otherWindow()) != nullptr; }, kWindowTimeoutMs));
        const std::string said = RuboProcess::windowText(GetDlgItem(box, kMessageTextId));
        INFO("message: " << said);
        CHECK(contains(said, "RUBO keeps its settings beside rubo.exe; move it to a folder you "
                             "can write to"));
        CHECK(contains(said, folder));
        CHECK(rubo.mainWindow() == nullptr);
        REQUIRE(clickIn(box, IDOK));

        REQUIRE(waitUntil([&] { return rubo.mainWindow() != nullptr; }, kWindowTimeoutMs));
        CHECK(waitUntil([&] { return contains(rubo.displayText(), kFirstDiscLine); },
                        kWindowTimeoutMs));
        const std::string stopped = rubo.displayText();
        REQUIRE(clickIn(rubo.mainWindow(), IDC_PLAY));
        // Playing: the track's line gains its running time.
        CHECK(waitUntil(
            [&] {
                const std::string shown = rubo.displayText();
                return shown != stopped && contains(shown, "[1]") && !contains(shown, "paused");
            },
            kWindowTimeoutMs));
        // Said once: nothing more while it plays.
        CHECK_FALSE(waitUntil([&] { return rubo.otherWindow() != nullptr; }, 2000));

        // A disc text saved from Edit CD info is not reported as kept.
        REQUIRE(clickIn(rubo.mainWindow(), IDC_EDIT_INFO));
        HWND edit = nullptr;
        REQUIRE(waitUntil([&] { return (edit = rubo.otherWindow()) != nullptr; }, kStepTimeoutMs));
        REQUIRE(
            waitUntil([&] { return GetDlgItem(edit, IDC_EI_SAVE) != nullptr; }, kStepTimeoutMs));
        REQUIRE(clickIn(edit, IDC_EI_SAVE));
        HWND failed = nullptr;
        REQUIRE(waitUntil(
            [&] {
                failed = rubo.otherWindow();
                return failed &&
                       contains(RuboProcess::windowText(GetDlgItem(failed, kMessageTextId)),
                                "RUBO could not save to");
            },
            kStepTimeoutMs));
        CHECK(contains(RuboProcess::windowText(GetDlgItem(failed, kMessageTextId)), folder));
        REQUIRE(clickIn(failed, IDOK));
        CHECK(waitUntil([&] { return rubo.otherWindow() == nullptr; }, kStepTimeoutMs));

        PostMessageA(rubo.mainWindow(), WM_CLOSE, 0, 0);
        REQUIRE(rubo.exited(kStepTimeoutMs));
        CHECK(rubo.exitCode() == 0);
        CHECK_FALSE(fileExists(rubo.file("RUBO.ini")));
        CHECK_FALSE(fileExists(rubo.file(kWriteCheckFileName)));
    }
}
