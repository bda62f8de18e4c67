#pragma once

// The steps the end-to-end tests share: rubo.exe in a scratch directory with
// its own RUBO.ini, the virtual drive's disc, and checks of the display,
// rubo.log and a clean close.

#include "app/startup.h"
#include "base/system_info.h"
#include "discinfo/disc_model.h"
#include "drive/scsi_access.h"
#include "rubo_process_win32.h"
#include "support/test_support.h"
#include "support/virtual_drive_client.h"

#include "res/resource.h"

#include <doctest.h>

#include <windows.h>

#include <string>

namespace rubo::test {

inline constexpr DWORD kDiscTimeoutMs = 20000;
inline constexpr DWORD kStepTimeoutMs = 10000;
inline constexpr const char kFirstDiscLine[] = "The Virtual Players - Virtual Sessions";
inline constexpr const char kSecondDiscLine[] = "The Hybrids - Enhanced Example";

inline std::string ruboExe() {
    return environmentText("RUBO_E2E_EXE");
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A scratch directory with RUBO.ini holding these options (plus logging).
// No disc is looked up on MusicBrainz unless the test asks, and then never
// on the real service: the server is a closed local port unless it names one.
struct Scratch {
    explicit Scratch(const std::string& options) {
        // The first of two equal keys counts: the test's options come first.
        const std::string ini = "[Options]\r\n" + options +
                                "CddbSite=1\r\nCdromDrive=D\r\nLogging=1\r\n"
                                "DevelopMode=1\r\nShowTinyHelp=0\r\n"
                                "LookupNewDiscs=0\r\nMusicBrainzFirst=0\r\n"
                                "MusicBrainzServer=http://127.0.0.1:9\r\n";
        writeBytes(dir.path() / "RUBO.ini", ini);
    }
    std::string path() const { return dir.path().string(); }
    ScratchDir dir;
};

// The disc in the drive, its tray closed, and the drive's usual timing.
inline void freshDisc(const char* variable) {
    REQUIRE(driveControl("latency 0") == 0);
    REQUIRE(driveControl("spinup 1000") == 0);
    REQUIRE(driveControl("speed 1") == 0);
    REQUIRE(driveControl("insert " + environmentText(variable)) == 0);
}

inline bool displayShows(RuboProcess& rubo, const std::string& part) {
    return contains(rubo.displayText(), part);
}

inline void expectDisplay(RuboProcess& rubo, const std::string& part,
                          DWORD timeoutMs = kStepTimeoutMs) {
    const bool shown = waitUntil([&] { return displayShows(rubo, part); }, timeoutMs);
    INFO("display: " << rubo.displayText());
    CHECK_MESSAGE(shown, "waiting for \"" << part << "\"");
}

inline void expectLog(RuboProcess& rubo, const std::string& line) {
    const bool logged =
        waitUntil([&] { return contains(rubo.readFile("rubo.log"), line); }, kStepTimeoutMs);
    CHECK_MESSAGE(logged, "rubo.log lacks \"" << line << "\"");
}

inline HWND waitMainWindow(RuboProcess& rubo) {
    HWND main = nullptr;
    waitUntil([&] { return (main = rubo.mainWindow()) != nullptr; }, kDiscTimeoutMs);
    return main;
}

// The head of a fresh rubo.log: the run header as bare lines, as this
// machine gives its parts.
inline std::string expectedLogHeader() {
    SystemInfo& system = systemInfo();
    EventLog log;
    const ScsiAccess scsi(log);
    return crlf("\n" + std::string(104, '-') + "\nRUBO version 1.20\nOS = " + system.osName() +
                "  User = " + system.userName() + (system.isAdministrator() ? " (admin)" : "") +
                "\nCDROM drives: " + systemCdromDriveList() +
                (scsi.aspiAvailable() ? "  (ASPI)" : "") + "\n");
}

inline void closeAndCheck(RuboProcess& rubo) {
    HWND main = rubo.mainWindow();
    REQUIRE(main != nullptr);
    const DWORD start = GetTickCount();
    PostMessageA(main, WM_CLOSE, 0, 0);
    REQUIRE(rubo.exited(kStepTimeoutMs));
    const DWORD took = GetTickCount() - start;
    MESSAGE("close took " << took << " ms");
    CHECK(took < 1000);
    const std::string log = rubo.readFile("rubo.log");
    const std::string header = expectedLogHeader();
    CHECK(log.substr(0, header.size()) == header);
    CHECK(contains(log, "M : Stopping Thread"));
    CHECK(contains(log, "M : Thread stopped OK"));
    CHECK_FALSE(contains(log, "M : Thread timed out"));
}

inline constexpr int kMessageTextId = 0xFFFF; // the text of a message box

struct BoxSearch {
    DWORD process;
    const std::string* text;
    HWND found;
};

inline BOOL CALLBACK findBox(HWND window, LPARAM data) {
    BoxSearch& search = *reinterpret_cast<BoxSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (owner != search.process || std::string(className) != "#32770" || !IsWindowVisible(window))
        return TRUE;
    if (RuboProcess::windowText(GetDlgItem(window, kMessageTextId)).find(*search.text) ==
        std::string::npos)
        return TRUE;
    search.found = window;
    return FALSE;
}

// Waits for the process's message box that says `text`.
inline HWND waitMessageBox(RuboProcess& rubo, const std::string& text, DWORD timeoutMs) {
    BoxSearch search{rubo.processId(), &text, nullptr};
    waitUntil(
        [&] {
            EnumWindows(findBox, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

// What the player shows besides its main window, and its log: for a failure.
inline std::string sideWindows(RuboProcess& rubo) {
    HWND other = rubo.otherWindow();
    return "other window: \"" + RuboProcess::windowText(other) + "\" \"" +
           RuboProcess::windowText(GetDlgItem(other, kMessageTextId)) + "\"\nrubo.log:\n" +
           rubo.readFile("rubo.log");
}

// The player's popup menu (matches, releases), once it is open.
inline HWND waitMatchMenu(RuboProcess& rubo) {
    HWND menu = nullptr;
    const bool shown = waitUntil([&] { return (menu = FindWindowA("#32768", nullptr)) != nullptr; },
                                 kDiscTimeoutMs);
    INFO(sideWindows(rubo));
    REQUIRE(shown);
    return menu;
}

inline std::string sectionOf(const std::string& ini, DiscId id) {
    const std::string head = "[" + discIdText(id) + "]\r\n";
    const std::size_t at = ini.find(head);
    if (at == std::string::npos)
        return std::string();
    const std::size_t end = ini.find("\r\n[", at + head.size());
    return ini.substr(at, end == std::string::npos ? std::string::npos : end + 2 - at);
}

struct ControlSearch {
    int id;
    HWND found;
};

inline BOOL CALLBACK findControlById(HWND window, LPARAM data) {
    ControlSearch& search = *reinterpret_cast<ControlSearch*>(data);
    if (GetDlgCtrlID(window) != search.id)
        return TRUE;
    search.found = window;
    return FALSE;
}

// The window with the keyboard focus in the thread of `window`.
inline HWND focusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// A control anywhere below `window` (pages of a tab control included).
inline HWND findControl(HWND window, int id) {
    ControlSearch search{id, nullptr};
    EnumChildWindows(window, findControlById, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct DialogSearch {
    DWORD process;
    const char* caption;
    HWND found;
};

inline BOOL CALLBACK findDialog(HWND window, LPARAM data) {
    DialogSearch& search = *reinterpret_cast<DialogSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.process || !IsWindowVisible(window) ||
        RuboProcess::windowText(window) != search.caption)
        return TRUE;
    search.found = window;
    return FALSE;
}

// Waits for the process's visible top-level window with this caption.
inline HWND waitDialog(RuboProcess& rubo, const char* caption, DWORD timeoutMs = kStepTimeoutMs) {
    DialogSearch search{rubo.processId(), caption, nullptr};
    waitUntil(
        [&] {
            EnumWindows(findDialog, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

inline constexpr const char kEditCaption[] = "Edit CD info";

// The dialog of the Edit button, set up by its first paint.
inline HWND openEditDialog(RuboProcess& rubo) {
    REQUIRE(rubo.click(IDC_EDIT_INFO, true));
    HWND dialog = waitDialog(rubo, kEditCaption);
    REQUIRE(dialog != nullptr);
    REQUIRE(waitUntil([&] { return findControl(dialog, IDC_EI_TRACK_TITLE) != nullptr; },
                      kStepTimeoutMs));
    // The pages exist while the first paint still sets the dialog up (the
    // enable rules come last); rubo's thread answers a message only after.
    REQUIRE(SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, kStepTimeoutMs, nullptr));
    return dialog;
}

// The options that point rubo.exe at the local freedb server.
inline std::string serverOptions() {
    const std::string freedb = environmentText("RUBO_FREEDB_SERVER");
    const std::size_t colon = freedb.rfind(':');
    return "CddbSite=2\r\nCddbCustomSite=" + freedb.substr(0, colon) +
           "\r\nCddbCustomPort=" + freedb.substr(colon + 1) +
           "\r\nCddbProtocol=5\r\nCddbEmailAddress=tester@example.org\r\n";
}

// Whether scripts/with-freedb-server started the local servers.
inline bool freedbServersGiven() {
    if (!environmentText("RUBO_FREEDB_SERVER").empty() &&
        !environmentText("RUBO_CDDB_SERVER").empty())
        return true;
    MESSAGE("skipped: no local freedb servers (run through scripts/with-freedb-server)");
    return false;
}

} // namespace rubo::test
