// The Edit CD info dialog from the program's own templates: its first
// paint, the pages in the tab control, Update, Clear, the keys that must not
// close it, and its record handed back on Save. (Here because it needs
// windows, and so the X display.)
#include <doctest.h>

#include "app/edit_info/edit_info_dialog_win32.h"
#include "base/event_log.h"
#include "base/message_box.h"
#include "discinfo/disc_store.h"
#include "res/resource.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "support/recording_message_sink.h"
#include "support/test_support.h"
#include "support/ui_test_support_win32.h"

#include <commctrl.h>

#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

DiscInfo freedbDisc() {
    DiscInfo disc;
    resetDiscInfo(disc);
    for (int n = 1; n <= 3; ++n) {
        TrackEntry entry;
        entry.number = n;
        entry.audio = 1;
        entry.start = makeMsf(2 * n, 0, 0);
        disc.trackList.store(n, entry);
    }
    disc.trackList.store(0, TrackEntry{});
    disc.trackList.trackCount = 3;
    disc.trackList.leadOut = 8 * kFramesPerMinute;
    disc.discId = 0x1A00B203;
    disc.valid = true;
    disc.hasAudio = true;
    disc.artist = "Band";
    disc.title = "Album";
    disc.category = "rock";
    disc.genre = "Garage";
    disc.year = 1999;
    disc.extendedDisc = "liner\\nnotes";
    disc.trackList.tracks[1].title = "One";
    disc.trackList.tracks[2].title = "track 7";
    disc.trackList.tracks[3].title = "Three";
    disc.freedbState = kFreedbStateFound;
    disc.freedbRevision = 4;
    disc.modified = 0;
    return disc;
}

std::string text(HWND window) {
    char buffer[1024] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

std::vector<std::string> listLines(HWND list) {
    std::vector<std::string> lines;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char line[512] = {};
        if (SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) < 512)
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line));
        lines.push_back(line);
    }
    return lines;
}

// The dialog shown modeless, painted, its pages found in the tab control.
struct OpenDialog {
    explicit OpenDialog(CEditCdInfoDialog& dialog) : dialog(dialog) {
        REQUIRE(ui::MessageFilter::install());
        window = dialog.createModeless();
        REQUIRE(window != nullptr);
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
        tab = GetDlgItem(window, IDC_EI_TABS);
        REQUIRE(pumpUntil(window, [&] { return findPages(); }));
    }
    ~OpenDialog() {
        if (IsWindow(window))
            DestroyWindow(window);
    }
    bool findPages() {
        for (HWND child = GetWindow(tab, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (GetDlgItem(child, IDC_EI_ARTIST))
                normal = child;
            if (GetDlgItem(child, IDC_EI_YEAR))
                extended = child;
        }
        return normal && extended;
    }
    HWND n(int id) const { return GetDlgItem(normal, id); }
    HWND x(int id) const { return GetDlgItem(extended, id); }
    HWND d(int id) const { return GetDlgItem(window, id); }
    void click(HWND button) const { SendMessageA(button, BM_CLICK, 0, 0); }
    // Posts a key-down to a control and runs it through the loop's filters.
    void press(HWND control, WPARAM key) const {
        SetFocus(control);
        PostMessageA(control, WM_KEYDOWN, key, 0);
        pumpUntil(window, [] { return true; });
    }

    CEditCdInfoDialog& dialog;
    HWND window = nullptr;
    HWND tab = nullptr;
    HWND normal = nullptr;
    HWND extended = nullptr;
};

struct Owner {
    Options options;
    EventLog log;
    EditInfoOwner owner{options, log, "D:"};
    ScratchDir dir;
    SettingsFile settings{dir.file("RUBO.ini"), systemProfileApi()};
};

} // namespace

TEST_CASE("edit dialog: first paint, the pages in the tab control, the enable rules") {
    Owner owner;
    const DiscInfo source = freedbDisc();
    CEditCdInfoDialog dialog(nullptr, owner.settings, source, nullptr, &owner.owner);
    OpenDialog open(dialog);

    CHECK(text(open.d(IDC_EI_DISC_ID)) == "Disc ID: 1A00B203");
    CHECK(text(open.d(IDC_EI_FREEDB_STATE)) == "Disc in freedb database: YES  (revision=4)");
    CHECK(SendMessageA(open.tab, TCM_GETITEMCOUNT, 0, 0) == 2);
    char tabText[32] = {};
    TCITEMA tabItem{};
    tabItem.mask = TCIF_TEXT;
    tabItem.pszText = tabText;
    tabItem.cchTextMax = sizeof tabText;
    SendMessageA(open.tab, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&tabItem));
    CHECK(std::string(tabText) == "Extended");
    CHECK(IsWindowVisible(open.normal));
    CHECK_FALSE(IsWindowVisible(open.extended));

    // Left of the first tab, one pixel below it, one (two) short of the
    // client's right (bottom) edge.
    RECT first{}, client{}, page{};
    REQUIRE(SendMessageA(open.tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)));
    GetClientRect(open.tab, &client);
    for (HWND pageWindow : {open.normal, open.extended}) {
        GetWindowRect(pageWindow, &page);
        MapWindowPoints(nullptr, open.tab, reinterpret_cast<POINT*>(&page), 2);
        CHECK(page.left == first.left);
        CHECK(page.top == first.bottom + 1);
        CHECK(page.right - page.left == client.right - first.left - 1);
        CHECK(page.bottom - page.top == client.bottom - first.bottom - 2);
    }

    CHECK(listLines(open.n(IDC_EI_TITLE_LIST)) ==
          std::vector<std::string>{"1\tOne", "2\ttrack 7", "3\tThree"});
    CHECK(listLines(open.x(IDC_EI_EXTENDED_LIST)) == std::vector<std::string>{"1\t", "2\t", "3\t"});
    CHECK(text(open.n(IDC_EI_TRACK_LABEL)) == "Track 1");
    CHECK(text(open.x(IDC_EI_TRACK_LABEL)) == "Track 1");
    CHECK(text(open.n(IDC_EI_TRACK_TITLE)) == "One");
    CHECK(text(open.n(IDC_EI_ARTIST)) == "Band");
    CHECK(SendMessageA(open.n(IDC_EI_CATEGORY), CB_GETCOUNT, 0, 0) == 11);
    CHECK(text(open.n(IDC_EI_CATEGORY)) == "rock");
    CHECK(SendMessageA(open.x(IDC_EI_YEAR), EM_GETLIMITTEXT, 0, 0) == 4);
    CHECK(text(open.x(IDC_EI_YEAR)) == "1999");
    CHECK(text(open.x(IDC_EI_EXTENDED)) == "liner\r\nnotes");

    // A disc known to freedb keeps its category; no CD-TEXT, no cdplayer.ini.
    CHECK_FALSE(IsWindowEnabled(open.n(IDC_EI_CATEGORY)));
    CHECK(IsWindowEnabled(open.d(IDC_EI_SAVE_SUBMIT)));
    CHECK_FALSE(IsWindowEnabled(open.d(IDC_EI_IMPORT_CDTEXT)));
    CHECK(IsWindowEnabled(open.d(IDC_EI_IMPORT_RUBO_INI)));
    CHECK_FALSE(IsWindowEnabled(open.d(IDC_EI_IMPORT_CDPLAYER_INI)));
    CHECK(IsWindowEnabled(open.d(IDC_EI_IMPORT_FREEDB)));

    // A left press on the second tab shows its page.
    RECT second{};
    REQUIRE(SendMessageA(open.tab, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second)));
    const LPARAM at =
        MAKELPARAM((second.left + second.right) / 2, (second.top + second.bottom) / 2);
    SendMessageA(open.tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(open.tab, WM_LBUTTONUP, 0, at);
    CHECK(IsWindowVisible(open.extended));
    CHECK_FALSE(IsWindowVisible(open.normal));
}

TEST_CASE("edit dialog: typing and Update, the last track, keys that do not close, Save") {
    Owner owner;
    const DiscInfo source = freedbDisc();
    CEditCdInfoDialog dialog(nullptr, owner.settings, source, nullptr, &owner.owner);
    OpenDialog open(dialog);

    SetWindowTextA(open.n(IDC_EI_TRACK_TITLE), "First = [one] \\ a");
    open.click(open.n(IDC_EI_UPDATE_TITLE));
    CHECK(listLines(open.n(IDC_EI_TITLE_LIST))[0] == "1\tFirst = [one] \\ a");
    CHECK(text(open.n(IDC_EI_TRACK_LABEL)) == "Track 2");
    CHECK(text(open.x(IDC_EI_TRACK_LABEL)) == "Track 2");
    // "track 7" is a default title: shown empty.
    CHECK(text(open.n(IDC_EI_TRACK_TITLE)).empty());

    // Enter in the artist field reaches Update (the empty title is stored)
    // and does not close the dialog.
    open.press(open.n(IDC_EI_ARTIST), VK_RETURN);
    REQUIRE(IsWindow(open.window));
    CHECK(dialog.closedWith() == 0);
    CHECK(text(open.n(IDC_EI_TRACK_LABEL)) == "Track 3");
    CHECK(listLines(open.n(IDC_EI_TITLE_LIST))[1] == "2\t");

    // Update on the last track stores it and stays there.
    SetWindowTextA(open.n(IDC_EI_TRACK_TITLE), "Last");
    open.click(open.n(IDC_EI_UPDATE_TITLE));
    CHECK(text(open.n(IDC_EI_TRACK_LABEL)) == "Track 3");
    CHECK(text(open.n(IDC_EI_TRACK_TITLE)) == "Last");

    // The extended data of track 3 typed with a line break, a tab and a
    // backslash; Enter in that field is a line break, not Update.
    SetWindowTextA(open.x(IDC_EI_TRACK_EXTENDED), "a\r\nb\tc\\d");
    open.click(open.x(IDC_EI_UPDATE_EXTENDED));
    CHECK(listLines(open.x(IDC_EI_EXTENDED_LIST))[2] == "3\ta\\nb\\tc\\\\d");
    CHECK(text(open.x(IDC_EI_TRACK_EXTENDED)) == "a\r\nb\tc\\d");

    // Escape anywhere, Enter on the dialog's own buttons: still open.
    for (HWND control : {open.n(IDC_EI_ARTIST), open.n(IDC_EI_TITLE_LIST), open.x(IDC_EI_EXTENDED),
                         open.x(IDC_EI_YEAR), open.d(IDC_EI_SAVE), open.d(IDCANCEL), open.tab}) {
        open.press(control, VK_ESCAPE);
        REQUIRE(IsWindow(open.window));
    }
    open.press(open.d(IDC_EI_CLEAR), VK_RETURN);
    open.press(open.d(IDC_EI_SAVE), VK_RETURN);
    REQUIRE(IsWindow(open.window));
    CHECK(dialog.closedWith() == 0);
    CHECK(IsWindow(open.normal));
    CHECK(IsWindow(open.extended));

    SetWindowTextA(open.x(IDC_EI_YEAR), "2003");
    SetWindowTextA(open.n(IDC_EI_ARTIST), "Band & Friends");
    open.click(open.d(IDC_EI_SAVE));
    CHECK(dialog.closedWith() == IDOK);
    CHECK_FALSE(IsWindow(open.window));
    const DiscInfo& result = dialog.result();
    CHECK(result.artist == "Band & Friends");
    CHECK(result.year == 2003);
    CHECK(result.modified == 1);
    CHECK(result.trackList.tracks[1].title == "First = [one] \\ a");
    CHECK(result.trackList.tracks[2].title.empty());
    CHECK(result.trackList.tracks[3].title == "Last");
    CHECK(result.trackList.tracks[3].extended == "a\\nb\\tc\\\\d");
    CHECK(source.artist == "Band");
}

TEST_CASE("edit dialog: Clear asks first; a wrong year keeps it open; Cancel") {
    Owner owner;
    RecordingMessageSink answers;
    const DiscInfo source = freedbDisc();
    CEditCdInfoDialog dialog(nullptr, owner.settings, source, nullptr, &owner.owner);
    OpenDialog open(dialog);

    answers.answer = false;
    open.click(open.d(IDC_EI_CLEAR));
    CHECK(answers.asked == std::vector<std::string>{"Are you sure to clear all data?"});
    CHECK(text(open.n(IDC_EI_ARTIST)) == "Band");
    CHECK_FALSE(IsWindowEnabled(open.n(IDC_EI_CATEGORY)));

    answers.answer = true;
    open.click(open.d(IDC_EI_CLEAR));
    CHECK(answers.asked.size() == 2);
    CHECK(text(open.n(IDC_EI_ARTIST)) == "?");
    CHECK(text(open.n(IDC_EI_TITLE)) == "?");
    CHECK(text(open.n(IDC_EI_CATEGORY)) == "misc");
    CHECK(IsWindowEnabled(open.n(IDC_EI_CATEGORY)));
    CHECK(text(open.x(IDC_EI_YEAR)) == "0");
    CHECK(text(open.x(IDC_EI_EXTENDED)).empty());
    CHECK(text(open.d(IDC_EI_FREEDB_STATE)) == "Disc in freedb database: NO");
    CHECK(listLines(open.n(IDC_EI_TITLE_LIST)) ==
          std::vector<std::string>{"1\tTrack 1", "2\tTrack 2", "3\tTrack 3"});
    CHECK(text(open.n(IDC_EI_TRACK_TITLE)).empty());

    SetWindowTextA(open.x(IDC_EI_YEAR), "19x9");
    open.click(open.d(IDC_EI_SAVE));
    REQUIRE(answers.shown.size() == 1);
    CHECK(answers.shown[0] == kYearMessage);
    REQUIRE(IsWindow(open.window));
    CHECK(dialog.closedWith() == 0);
    CHECK(IsWindowVisible(open.extended));
    CHECK(dialog.result().artist == "Band");

    open.click(open.d(IDCANCEL));
    CHECK(dialog.closedWith() == IDCANCEL);
    CHECK_FALSE(IsWindow(open.window));
}

TEST_CASE("edit dialog: a record that is not the disc in the drive has no imports") {
    Owner owner;
    owner.options.cdPlayerIni = "C:\\windows\\cdplayer.ini";
    DiscInfo stored = freedbDisc();
    stored.freedbState = kFreedbStateUnknown;
    CEditCdInfoDialog dialog(nullptr, owner.settings, stored, &owner.owner);
    OpenDialog open(dialog);
    for (int id : {IDC_EI_IMPORT_CDTEXT, IDC_EI_IMPORT_RUBO_INI, IDC_EI_IMPORT_CDPLAYER_INI,
                   IDC_EI_IMPORT_FREEDB, IDC_EI_SAVE_SUBMIT}) {
        CAPTURE(id);
        CHECK_FALSE(IsWindowEnabled(open.d(id)));
    }
    CHECK(IsWindowEnabled(open.n(IDC_EI_CATEGORY)));
    CHECK(text(open.d(IDC_EI_FREEDB_STATE)) == "Disc in freedb database: UNKNOWN");
}
