// The Options button of the real rubo.exe against the virtual drive: the
// time formats and the font changed on the sheet and taken over on OK, the
// desktop shortcut, the freedb page's buttons against the local freedb
// server and the fans' page. Each page is photographed on the way.
#include <doctest.h>

#include "app/options/options_pages_win32.h"
#include "base/text_format.h"
#include "e2e_steps_win32.h"
#include "freedb/local_server.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <cctype>
#include <filesystem>
#include <string>

using namespace rubo;
using namespace rubo::test;

namespace {

constexpr const char kSheetCaption[] = "Options";
constexpr int kDevelopPages = 6;
constexpr int kFreedbPage = 3;
constexpr int kFansPage = 6;

// A disc of the fans' band with CD-TEXT.
constexpr const char kFanDisc[] = "track 1 audio 00:02:00\n"
                                  "track 2 audio 03:10:00\n"
                                  "track 3 audio 07:00:00\n"
                                  "leadout 10:30:00\n"
                                  "text disc performer Lantern Parade\n"
                                  "text disc title Night Market\n"
                                  "text 1 title Paper Moons\n"
                                  "text 2 title Slow Procession\n"
                                  "text 3 title Last Light\n";

HWND openSheet(RuboProcess& rubo) {
    REQUIRE(rubo.click(IDC_OPTIONS, true));
    HWND sheet = waitDialog(rubo, kSheetCaption);
    REQUIRE(sheet != nullptr);
    REQUIRE(waitUntil([&] { return findControl(sheet, IDC_OPT_INSTALL_STATE) != nullptr; },
                      kStepTimeoutMs));
    return sheet;
}

void chooseInList(HWND sheet, int id, int index) {
    HWND list = findControl(sheet, id);
    REQUIRE(list != nullptr);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

// Shows the page and waits until its control is there.
void showPage(HWND sheet, int index, int controlId) {
    SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    HWND tabs = PropSheet_GetTabControl(sheet);
    REQUIRE(waitUntil(
        [&] {
            return findControl(sheet, controlId) != nullptr &&
                   SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == index;
        },
        kStepTimeoutMs));
    RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// Presses a button of the page; what it opens runs in the player's own loop.
void press(HWND sheet, int id) {
    HWND button = findControl(sheet, id);
    REQUIRE(button != nullptr);
    PostMessageA(button, BM_CLICK, 0, 0);
}

// Waits for the window of a site text, returns its text and closes it.
std::string takeSiteText(RuboProcess& rubo, const std::string& title, const char* shot) {
    HWND window = waitDialog(rubo, title.c_str(), kDiscTimeoutMs);
    REQUIRE_MESSAGE(window != nullptr, title);
    const std::string text = RuboProcess::windowText(findControl(window, IDC_SITE_TEXT));
    screenshot(window, shot);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    REQUIRE(waitUntil([&] { return !IsWindow(window); }, kStepTimeoutMs));
    return text;
}

std::string desktopFolder() {
    char path[MAX_PATH] = {};
    DWORD size = sizeof path;
    if (RegGetValueA(HKEY_CURRENT_USER,
                     "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                     "Desktop", RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS)
        return std::string();
    return path;
}

// The target of a shell link, read through the shell's own object.
std::string linkTarget(const std::string& link) {
    std::string target;
    CoInitialize(nullptr);
    IShellLinkA* shell = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shell)))) {
        IPersistFile* file = nullptr;
        wchar_t wide[MAX_PATH];
        if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
            MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH) > 0 &&
            SUCCEEDED(file->Load(wide, STGM_READ))) {
            char path[MAX_PATH] = {};
            if (SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, 0)))
                target = path;
        }
        if (file)
            file->Release();
        shell->Release();
    }
    CoUninitialize();
    return target;
}

// A path compared without letter case and with either slash.
std::string comparable(std::string path) {
    for (char& c : path)
        c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return path;
}

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("rubo.exe: Options: time formats and font taken over on OK, a desktop shortcut") {
        REQUIRE_FALSE(ruboExe().empty());
        freshDisc("VDRIVE_TEST_DISC");
        REQUIRE(driveControl("spinup 0") == 0);
        Scratch scratch("FontName=Courier New\r\nFontSize=12\r\nShowModeDisc=2\r\n"
                        "ShowModeTrack=1\r\n");
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(rubo.started(), rubo.startError());
        REQUIRE(waitMainWindow(rubo) != nullptr);
        expectDisplay(rubo, kFirstDiscLine, kDiscTimeoutMs);
        const std::string before = rubo.displayText();
        CHECK(contains(before, "("));

        const std::string desktop = desktopFolder();
        REQUIRE_FALSE(desktop.empty());
        const std::string link = desktop + "\\RUBO.lnk";
        DeleteFileA(link.c_str());

        HWND sheet = openSheet(rubo);
        CHECK(SendMessageA(PropSheet_GetTabControl(sheet), TCM_GETITEMCOUNT, 0, 0) ==
              kDevelopPages);
        screenshot(sheet, "options-1-options");
        SendMessageA(findControl(sheet, IDC_OPT_SHORTCUT), BM_CLICK, 0, 0);
        chooseInList(sheet, IDC_OPT_TIME_DISC, 0);
        chooseInList(sheet, IDC_OPT_TIME_TRACK, 3);
        showPage(sheet, 1, IDC_OPT_SHOW_TOOLTIPS);
        screenshot(sheet, "options-2-more-options");
        showPage(sheet, 2, IDC_OPT_DEFAULTS);
        SendMessageA(findControl(sheet, IDC_OPT_DEFAULTS), BM_CLICK, 0, 0);
        screenshot(sheet, "options-3-font-color");
        showPage(sheet, 3, IDC_OPT_GET_MIRRORS);
        screenshot(sheet, "options-4-freedb");
        showPage(sheet, 4, IDC_OPT_DATABASE);
        HWND tree = findControl(sheet, IDC_OPT_DATABASE);
        CHECK(
            waitUntil([&] { return SendMessageA(tree, TVM_GETCOUNT, 0, 0) > 0; }, kStepTimeoutMs));
        HTREEITEM artist = TreeView_GetRoot(tree);
        TreeView_Expand(tree, artist, TVE_EXPAND);
        TreeView_Expand(tree, TreeView_GetChild(tree, artist), TVE_EXPAND);
        CHECK(SendMessageA(tree, TVM_GETCOUNT, 0, 0) > 2);
        screenshot(sheet, "options-5-database");
        showPage(sheet, 5, IDC_OPT_EDIT_INI);
        screenshot(sheet, "options-6-develop");
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);

        expectLog(rubo, "M : Options menu exit: OK");
        const bool changed = waitUntil(
            [&] {
                const std::string now = rubo.displayText();
                return contains(now, kFirstDiscLine) && !contains(now, "(");
            },
            kStepTimeoutMs);
        INFO("display: " << rubo.displayText());
        CHECK(changed);
        screenshot(rubo.mainWindow(), "options-after-ok");
        const std::string ini = rubo.readFile("RUBO.ini");
        CHECK(contains(ini, "ShowModeDisc=0\r\n"));
        CHECK(contains(ini, "ShowModeTrack=3\r\n"));
        CHECK(contains(ini, "FontName=MS Sans Serif\r\n"));
        CHECK(contains(ini, "FontSize=8\r\n"));
        CHECK_FALSE(contains(rubo.readFile("rubo.log"), "Re-open"));

        REQUIRE(std::filesystem::exists(link));
        // The process runs a copy of rubo.exe in its scratch directory.
        CHECK(comparable(linkTarget(link)) == comparable(rubo.file("rubo.exe")));
        DeleteFileA(link.c_str());
        closeAndCheck(rubo);
    }

    TEST_CASE("rubo.exe: Options: the freedb page asks the local server; a fan's disc adds "
              "the greeting page") {
        REQUIRE_FALSE(ruboExe().empty());
        if (!freedbServersGiven())
            return;
        ScratchDir discs;
        writeBytes(discs.path() / "lantern-parade.disc", kFanDisc);
        REQUIRE(driveControl("spinup 0") == 0);
        REQUIRE(driveControl("insert " + (discs.path() / "lantern-parade.disc").string()) == 0);
        Scratch scratch(serverOptions());
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(rubo.started(), rubo.startError());
        REQUIRE(waitMainWindow(rubo) != nullptr);
        expectDisplay(rubo, "Lantern Parade - Night Market", kDiscTimeoutMs);

        HWND sheet = openSheet(rubo);
        CHECK(SendMessageA(PropSheet_GetTabControl(sheet), TCM_GETITEMCOUNT, 0, 0) ==
              kDevelopPages + 1);
        showPage(sheet, kFansPage, IDC_OPT_EGG_TEXT);
        CHECK(RuboProcess::windowText(findControl(sheet, IDC_OPT_EGG_TEXT)) == kFanGreeting);
        screenshot(sheet, "options-7-fans");

        showPage(sheet, kFreedbPage, IDC_OPT_GET_MIRRORS);
        HWND mirrors = findControl(sheet, IDC_OPT_MIRRORS);
        REQUIRE(mirrors != nullptr);
        // The local server lists five sites: one on port 0, one not over HTTP.
        REQUIRE_LOCAL_SERVER(address);
        FaultSwitch portZero(address, "port_zero_site=1");
        // Held open without sharing the right to write, as another program may
        // (Wine run as root replaces a read-only file all the same).
        HANDLE held = CreateFileA(rubo.file("RUBO.ini").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        REQUIRE(held != INVALID_HANDLE_VALUE);
        press(sheet, IDC_OPT_GET_MIRRORS);
        HWND unsaved = waitMessageBox(rubo, "RUBO could not save to", kDiscTimeoutMs);
        CloseHandle(held);
        REQUIRE(unsaved != nullptr);
        PostMessageA(unsaved, WM_COMMAND, IDOK, 0);
        CHECK(waitUntil([&] { return SendMessageA(mirrors, CB_GETCOUNT, 0, 0) == 3; },
                        kStepTimeoutMs));
        // The list kept but not saved still gives each row its own site.
        chooseInList(sheet, IDC_OPT_MIRRORS, 1);
        SendMessageA(findControl(sheet, IDC_OPT_SITE_MIRROR), BM_CLICK, 0, 0);
        const std::string host = "localhost";
        press(sheet, IDC_OPT_STATUS);
        const std::string status = takeSiteText(
            rubo, formatText("Status information from site %s", host.c_str()), "options-status");
        CHECK(contains(status, "Server status:"));
        CHECK(contains(status, "Database entries"));

        press(sheet, IDC_OPT_GET_MIRRORS);
        const bool listed = waitUntil(
            [&] { return contains(rubo.readFile("RUBO.ini"), "[Servers]\r\n"); }, kDiscTimeoutMs);
        INFO("rubo.log:\n" << rubo.readFile("rubo.log"));
        CHECK(listed);
        const std::string saved = rubo.readFile("RUBO.ini");
        const std::size_t at = saved.find("[Servers]\r\n");
        REQUIRE(at != std::string::npos);
        const std::string servers = saved.substr(at, saved.find("\r\n[", at) - at);
        INFO("servers: " << servers);
        CHECK(contains(servers, "\r\n0=127.0.0.1 "));
        CHECK(contains(servers, "\r\n1=localhost "));
        CHECK(contains(servers, "\r\n2=127.0.0.1 "));
        CHECK_FALSE(contains(servers, "\r\n3="));

        press(sheet, IDC_OPT_MOTD);
        const std::string motd = takeSiteText(
            rubo, formatText("Message of the day from site %s", host.c_str()), "options-motd");
        CHECK(contains(motd, "Welcome to the RUBO local freedb test server."));

        // Cancel keeps what the buttons did at once.
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        expectLog(rubo, "M : Options menu exit: Cancel");
        CHECK(contains(rubo.readFile("RUBO.ini"), "[Servers]\r\n0=127.0.0.1 "));
        closeAndCheck(rubo);
    }
}
