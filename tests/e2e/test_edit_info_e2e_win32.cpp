// The Edit button of the real rubo.exe against the virtual drive: a disc
// with CD-TEXT edited and saved, imports and a tab click before a Cancel,
// and a disc ejected while the dialog is open.
#include <doctest.h>

#include "base/unique_handle_win32.h"
#include "e2e_steps_win32.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <string>

using namespace rubo;
using namespace rubo::test;

namespace {

void setField(HWND dialog, int id, const char* text) {
    HWND field = findControl(dialog, id);
    REQUIRE(field != nullptr);
    REQUIRE(SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

void press(HWND dialog, int id) {
    HWND button = findControl(dialog, id);
    REQUIRE(button != nullptr);
    SendMessageA(button, BM_CLICK, 0, 0);
}

// A tab's rectangle, read through memory lent in rubo's process (the
// message carries a pointer).
RECT tabItemRect(RuboProcess& rubo, HWND tabs, int index) {
    RECT rect{};
    UniqueHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, rubo.processId()));
    REQUIRE(process);
    void* lent = VirtualAllocEx(process.get(), nullptr, sizeof rect, MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
    REQUIRE(lent != nullptr);
    const bool read = SendMessageA(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(lent)) &&
                      ReadProcessMemory(process.get(), lent, &rect, sizeof rect, nullptr);
    VirtualFreeEx(process.get(), lent, 0, MEM_RELEASE);
    REQUIRE(read);
    return rect;
}

DiscId shownDiscId(HWND dialog) {
    unsigned id = 0;
    const std::string line = RuboProcess::windowText(GetDlgItem(dialog, IDC_EI_DISC_ID));
    REQUIRE(std::sscanf(line.c_str(), "Disc ID: %X", &id) == 1);
    return id;
}

// rubo.exe with no options of its own, showing the CD-TEXT disc.
struct OnTextDisc {
    OnTextDisc() {
        REQUIRE_FALSE(ruboExe().empty());
        freshDisc("VDRIVE_TEST_DISC");
        REQUIRE(driveControl("spinup 0") == 0);
        process = std::make_unique<RuboProcess>(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(process->started(), process->startError());
        REQUIRE(waitMainWindow(*process) != nullptr);
        expectDisplay(*process, kFirstDiscLine, kDiscTimeoutMs);
    }
    Scratch scratch{""};
    std::unique_ptr<RuboProcess> process;
};

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("rubo.exe: Edit on a CD-TEXT disc: two titles and the year saved") {
        OnTextDisc player;
        RuboProcess& rubo = *player.process;

        HWND dialog = openEditDialog(rubo);
        CHECK(IsWindowEnabled(GetDlgItem(dialog, IDC_EI_IMPORT_CDTEXT)));
        CHECK_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_EI_SAVE_SUBMIT)));
        const DiscId id = shownDiscId(dialog);
        setField(dialog, IDC_EI_TRACK_TITLE, "Edited = [One]");
        press(dialog, IDC_EI_UPDATE_TITLE);
        setField(dialog, IDC_EI_TRACK_TITLE, "Edited \\ Two");
        press(dialog, IDC_EI_UPDATE_TITLE);
        setField(dialog, IDC_EI_YEAR, "1987");
        screenshot(dialog, "edit-info-typed");
        REQUIRE(PostMessageA(GetDlgItem(dialog, IDC_EI_SAVE), BM_CLICK, 0, 0));

        expectDisplay(rubo, "[1]  Edited = [One]");
        expectLog(rubo, "M : Track Edit menu exit: OK");
        const std::string log = rubo.readFile("rubo.log");
        CHECK(contains(log, ") M : Track Edit menu\r\n"));
        CHECK_FALSE(contains(log, "M : Track Edit menu exit: Cancel"));
        const std::string section = sectionOf(rubo.readFile("RUBO.ini"), id);
        INFO("RUBO.ini section: " << section);
        CHECK(contains(section, "1=Edited = [One]\r\n"));
        CHECK(contains(section, "2=Edited \\ Two\r\n"));
        CHECK(contains(section, "Year=1987\r\n"));
        screenshot(rubo.mainWindow(), "edit-info-saved");

        // The saved text is what the next Edit shows.
        dialog = openEditDialog(rubo);
        CHECK(RuboProcess::windowText(findControl(dialog, IDC_EI_TRACK_TITLE)) == "Edited = [One]");
        CHECK(RuboProcess::windowText(findControl(dialog, IDC_EI_YEAR)) == "1987");
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        expectLog(rubo, "M : Track Edit menu exit: Cancel");
        closeAndCheck(rubo);
    }

    TEST_CASE("rubo.exe: Edit: imports keep the Extended track field, a tab click focuses its "
              "page, Cancel writes nothing") {
        OnTextDisc player;
        RuboProcess& rubo = *player.process;
        const std::string before = rubo.readFile("RUBO.ini");

        HWND dialog = openEditDialog(rubo);
        setField(dialog, IDC_EI_ARTIST, "Nobody");
        setField(dialog, IDC_EI_TRACK_TITLE, "Never Saved");
        press(dialog, IDC_EI_UPDATE_TITLE);

        // Typed but not stored with Update.
        setField(dialog, IDC_EI_TRACK_EXTENDED, "typed only");
        press(dialog, IDC_EI_IMPORT_CDTEXT);
        press(dialog, IDC_EI_IMPORT_RUBO_INI);
        HWND typed = findControl(dialog, IDC_EI_TRACK_EXTENDED);
        CHECK(RuboProcess::windowText(typed) == "typed only");

        HWND tabs = GetDlgItem(dialog, IDC_EI_TABS);
        const RECT second = tabItemRect(rubo, tabs, 1);
        const LPARAM at =
            MAKELPARAM((second.left + second.right) / 2, (second.top + second.bottom) / 2);
        SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(tabs, WM_LBUTTONUP, 0, at);
        HWND page = GetParent(typed);
        CHECK(IsWindowVisible(page));
        HWND focus = focusOf(dialog);
        CHECK((focus == page || IsChild(page, focus)));
        REQUIRE(PostMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0));
        expectLog(rubo, "M : Track Edit menu exit: Cancel");
        CHECK(rubo.readFile("RUBO.ini") == before);
        expectDisplay(rubo, kFirstDiscLine);
        closeAndCheck(rubo);
    }

    TEST_CASE("rubo.exe: a disc ejected while Edit is open is not saved") {
        OnTextDisc player;
        RuboProcess& rubo = *player.process;
        const std::string before = rubo.readFile("RUBO.ini");

        HWND dialog = openEditDialog(rubo);
        setField(dialog, IDC_EI_ARTIST, "Too Late");
        REQUIRE(driveControl("eject") == 0);
        // The display tick, which runs inside the dialog's loop, has taken
        // the emptied record over.
        REQUIRE(waitUntil([&] { return !displayShows(rubo, kFirstDiscLine); }, kDiscTimeoutMs));
        REQUIRE(PostMessageA(GetDlgItem(dialog, IDC_EI_SAVE), BM_CLICK, 0, 0));
        HWND box = waitMessageBox(rubo, "Error: The CD was not found anymore", kStepTimeoutMs);
        REQUIRE(box != nullptr);
        screenshot(box, "edit-info-disc-gone");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        expectLog(rubo, "M : Track Edit menu exit: Cancel");
        CHECK(rubo.readFile("RUBO.ini") == before);
        CHECK_FALSE(IsWindow(dialog));
        closeAndCheck(rubo);
    }

} // TEST_SUITE
