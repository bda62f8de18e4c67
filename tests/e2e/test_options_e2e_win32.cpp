// The Options button of the real rubo.exe against the virtual drive: the
// time formats and the font changed on the sheet and taken over on OK, and
// the desktop shortcut. Each page is photographed on the way.
#include <doctest.h>

#include "e2e_steps_win32.h"

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
}
