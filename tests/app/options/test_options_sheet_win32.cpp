// The Options sheet from the program's own templates, run modally as the
// main window runs it: its pages, the values copied back on OK, the
// registration, the font defaults and the Database page's right click.
// (Here because it needs windows, and so the X display.)
#include <doctest.h>

#include "app/options/database_page_win32.h"
#include "app/options/general_page_win32.h"
#include "app/options/options_sheet_win32.h"
#include "base/event_log.h"
#include "base/message_box.h"
#include "base/system_info.h"
#include "res/resource.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "support/recording_message_sink.h"
#include "support/test_support.h"
#include "support/ui_test_support_win32.h"

#include <commctrl.h>
#include <richedit.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

std::string text(HWND window) {
    char buffer[1024] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

struct TitleSearch {
    const char* title;
    HWND found;
};

BOOL CALLBACK matchTitle(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TitleSearch*>(data);
    if (IsWindowVisible(window) && text(window) == search->title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND threadWindowTitled(const char* title) {
    TitleSearch search{title, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), matchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Steps run from a thread timer inside the modal loops, each once its
// condition holds; a step that opens a modal window lets the next steps run
// inside that window's loop.
class Script {
public:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    explicit Script(std::vector<Step> steps) : steps_(std::move(steps)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, kTickMs, &Script::tick);
    }
    ~Script() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    bool finished() const { return next_ == steps_.size(); }

private:
    static constexpr UINT kTickMs = 20;
    static constexpr DWORD kDeadlineMs = 20000;
    static BOOL CALLBACK closeWindow(HWND window, LPARAM) {
        if (IsWindowVisible(window))
            PostMessageA(window, WM_CLOSE, 0, 0);
        return TRUE;
    }
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        Script* self = current_;
        if (!self)
            return;
        // A step that never comes: close every window, so the test ends.
        if (GetTickCount() - self->start_ > kDeadlineMs) {
            self->timedOut = true;
            EnumThreadWindows(GetCurrentThreadId(), closeWindow, 0);
            return;
        }
        if (self->finished() || !self->steps_[self->next_].ready())
            return;
        const std::size_t at = self->next_++;
        self->steps_[at].act();
    }
    static Script* current_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    UINT_PTR timer_ = 0;
    DWORD start_ = GetTickCount();

public:
    bool timedOut = false;
};
Script* Script::current_ = nullptr;

struct Fixture {
    ScratchDir dir;
    SettingsFile settings{dir.file("RUBO.ini"), systemProfileApi()};
    EventLog log;
    Options options;
    std::string driveLetters = "DE";
    int driveIndex = 0;
    std::vector<FreedbSite> servers;
    OptionsSheetContext context;
    RecordingMessageSink answers{true}; // questions are answered Yes
    HWND sheet = nullptr;

    Fixture() {
        REQUIRE(ui::MessageFilter::install());
        LoadLibraryA("riched20.dll");
        context.settings = &settings;
        context.log = &log;
        context.saved = &options;
        context.serverList = &servers;
        context.registry = &systemRegistry();
        context.modulePath = "C:\\Program Files\\RUBO\\rubo.exe";
        context.drive = "D:";
    }
    OptionsSheetOwner owner() { return OptionsSheetOwner{options, driveLetters, driveIndex}; }

    // Runs the sheet with the steps; the last one presses OK or Cancel.
    INT_PTR run(OptionsSheetValues& values, std::vector<Script::Step> steps, bool fan = false) {
        steps.insert(steps.begin(),
                     {[this] { return (sheet = threadWindowTitled("Options")); }, [] {}});
        Script script(std::move(steps));
        CPropSheet propSheet(context, values, fan);
        const INT_PTR result = propSheet.doModal();
        CHECK(script.finished());
        CHECK_FALSE(script.timedOut);
        return result;
    }
    Script::Step onSheet(std::function<void()> act) {
        return {[] { return true; }, std::move(act)};
    }
    HWND page() const { return PropSheet_GetCurrentPageHwnd(sheet); }
    HWND control(int id) const { return GetDlgItem(page(), id); }
    void select(int index) { PropSheet_SetCurSel(sheet, nullptr, index); }
    void press(int button) { PropSheet_PressButton(sheet, button); }
    int pageCount() const {
        return static_cast<int>(
            SendMessageA(PropSheet_GetTabControl(sheet), TCM_GETITEMCOUNT, 0, 0));
    }
};

void selectInCombo(HWND page, int id, int index) {
    SendDlgItemMessageA(page, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

void writeRegistration(const std::string& command) {
    Registry& registry = systemRegistry();
    registry.writeString(RegistryRoot::ClassesRoot, kAudioCdPlayKey, "", command, true);
    registry.writeString(RegistryRoot::ClassesRoot, kCdaFilePlayKey, "", command, true);
}

} // namespace

TEST_CASE("options sheet: five pages, six with DevelopMode, seven with the fan mark") {
    Fixture f;
    for (const auto& [develop, fan, pages] :
         {std::tuple{0, false, 5}, std::tuple{1, false, 6}, std::tuple{1, true, 7}}) {
        f.options.developMode = develop;
        OptionsSheetValues values = copyIntoSheet(f.owner());
        int counted = 0;
        std::string caption;
        f.run(values, {f.onSheet([&] {
                  counted = f.pageCount();
                  caption = text(f.sheet);
                  f.press(PSBTN_CANCEL);
              })},
              fan);
        CHECK(counted == pages);
        CHECK(caption == "Options");
    }
}

TEST_CASE("options sheet: OK copies the pages back; another drive changes it, the same does not") {
    Fixture f;
    f.options.showModeDisc = 2;
    f.options.volumeTypes = {{'D', 4101}, {'E', 4101}};

    SUBCASE("the same drive: no drive change, and the file holds the values") {
        OptionsSheetValues values = copyIntoSheet(f.owner());
        const INT_PTR result = f.run(values, {f.onSheet([&] {
                                         selectInCombo(f.page(), IDC_OPT_TIME_DISC, 4);
                                         f.select(1);
                                         CheckDlgButton(f.page(), IDC_OPT_AUTOPLAY, BST_CHECKED);
                                         f.press(PSBTN_OK);
                                     })});
        REQUIRE(result == IDOK);
        CHECK_FALSE(acceptOptionsSheet(values, f.owner()).drive);
        saveOptions(f.settings, f.options, f.driveLetters);
        CHECK(f.driveIndex == 0);
        CHECK(f.settings.getInt("Options", "ShowModeDisc", -1) == 4);
        CHECK(f.settings.getInt("Options", "AutoPlay", -1) == 1);
    }
    SUBCASE("another drive and its volume line: the drive changes") {
        OptionsSheetValues values = copyIntoSheet(f.owner());
        f.run(values, {f.onSheet([&] {
                  selectInCombo(f.page(), IDC_OPT_DRIVE, 1);
                  // The fixed list or the mixer's: the first line, whatever its type.
                  selectInCombo(f.page(), IDC_OPT_VOLUME_LINE, 0);
                  f.press(PSBTN_OK);
              })});
        CHECK(acceptOptionsSheet(values, f.owner()).drive);
        saveOptions(f.settings, f.options, f.driveLetters);
        CHECK(f.driveIndex == 1);
        CHECK(f.options.cdromDrive == "E:");
        CHECK(f.settings.getString("Options", "CdromDrive", "") == "E:");
    }
    SUBCASE("Cancel copies nothing back") {
        OptionsSheetValues values = copyIntoSheet(f.owner());
        const INT_PTR result = f.run(values, {f.onSheet([&] {
                                         selectInCombo(f.page(), IDC_OPT_DRIVE, 1);
                                         f.press(PSBTN_CANCEL);
                                     })});
        CHECK(result == IDCANCEL);
    }
}

TEST_CASE("options sheet: a port in use that is not 1 to 65535 keeps it open on the freedb page") {
    Fixture f;
    f.options.proxyEnabled = 1;
    f.options.proxyPort = 0; // as read without a ProxyPort line
    OptionsSheetValues values = copyIntoSheet(f.owner());
    bool stillOpen = false;
    // PSM_PRESSBUTTON works through the sheet's queue: the next step waits.
    f.run(values, {f.onSheet([&] {
                       f.select(3);
                       f.select(0);
                       f.press(PSBTN_OK);
                   }),
                   {[&] { return !f.answers.shown.empty(); },
                    [&] {
                        stillOpen = IsWindow(f.sheet) && f.page() &&
                                    GetDlgItem(f.page(), IDC_OPT_PROXY_PORT);
                        SetDlgItemTextA(f.page(), IDC_OPT_PROXY_PORT, "3128");
                        f.press(PSBTN_OK);
                    }}});
    CHECK(stillOpen);
    REQUIRE(f.answers.shown.size() == 1);
    CHECK(f.answers.shown[0].find("proxy") != std::string::npos);
    CHECK(values.proxyPortText == "3128");
}

TEST_CASE("options page: the installation state line for the three registrations") {
    Fixture f;
    const std::string here = f.context.modulePath;
    for (const auto& [command, line, installEnabled] :
         {std::tuple{std::string(), "RUBO is NOT installed as the default CD player", true},
          std::tuple{std::string("\"C:\\other\\rubo.exe\" \"%1\""),
                     "RUBO is installed as the default CD player", true},
          std::tuple{defaultPlayerCommand(here), kThisCopyInstalledText, false}}) {
        writeRegistration(command);
        OptionsSheetValues values = copyIntoSheet(f.owner());
        std::string shown;
        bool enabled = true;
        f.run(values, {f.onSheet([&] {
                  shown = text(f.control(IDC_OPT_INSTALL_STATE));
                  enabled = IsWindowEnabled(f.control(IDC_OPT_INSTALL)) != FALSE;
                  f.press(PSBTN_CANCEL);
              })});
        CHECK(shown == line);
        CHECK(enabled == installEnabled);
    }
    writeRegistration("");
}

TEST_CASE("options page: Install asks, registers at once and Cancel keeps it") {
    Fixture f;
    writeRegistration("");
    OptionsSheetValues values = copyIntoSheet(f.owner());
    std::string shown;
    f.run(values, {f.onSheet([&] {
              SendMessageA(f.control(IDC_OPT_INSTALL), BM_CLICK, 0, 0);
              shown = text(f.control(IDC_OPT_INSTALL_STATE));
              f.press(PSBTN_CANCEL);
          })});
    REQUIRE(f.answers.asked.size() == 1);
    CHECK(f.answers.asked[0] ==
          "Install RUBO as default CD audio application?\n(" + f.context.modulePath + ")");
    CHECK(shown == kThisCopyInstalledText);
    CHECK(installationStateText(systemRegistry(), f.context.modulePath) == kThisCopyInstalledText);
    writeRegistration("");
}

TEST_CASE("options page: the desktop shortcut is a shell link saved in the folder") {
    const test::ScratchDir desktop;
    char self[MAX_PATH] = {};
    REQUIRE(GetModuleFileNameA(nullptr, self, MAX_PATH) > 0);
    CHECK(createShortcut(desktop.path().string(), self));
    CHECK(std::filesystem::exists(desktop.path().string() + kShortcutName));
}

TEST_CASE("font page: Defaults shows 8-point MS Sans Serif, black on the button face") {
    Fixture f;
    f.options.fontName = "Courier New";
    f.options.fontSize = 14;
    f.options.frontColor = RGB(255, 0, 0);
    f.options.backColor = RGB(0, 0, 128);
    OptionsSheetValues values = copyIntoSheet(f.owner());
    CHARFORMATA before{}, after{};
    COLORREF background = 0;
    auto formatOf = [&](CHARFORMATA& format) {
        HWND sample = f.control(IDC_OPT_SAMPLE);
        CHARRANGE all{0, -1};
        SendMessageA(sample, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
        format.cbSize = sizeof format;
        SendMessageA(sample, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    };
    std::string sampleText;
    f.run(values, {f.onSheet([&] {
              f.select(2);
              formatOf(before);
              SendMessageA(f.control(IDC_OPT_DEFAULTS), BM_CLICK, 0, 0);
              formatOf(after);
              sampleText = text(f.control(IDC_OPT_SAMPLE));
              // Setting the background answers the one before.
              background = static_cast<COLORREF>(
                  SendMessageA(f.control(IDC_OPT_SAMPLE), EM_SETBKGNDCOLOR, 0, RGB(1, 2, 3)));
              f.press(PSBTN_OK);
          })});
    CHECK(std::string(before.szFaceName) == "Courier New");
    CHECK(before.yHeight == 14 * 20);
    CHECK(before.crTextColor == RGB(255, 0, 0));
    CHECK(std::string(after.szFaceName) == "MS Sans Serif");
    CHECK(after.yHeight == 8 * 20);
    CHECK(after.crTextColor == RGB(0, 0, 0));
    CHECK(background == GetSysColor(COLOR_BTNFACE));
    CHECK(sampleText == "Sample");
    CHECK(values.options.fontName == "MS Sans Serif");
    CHECK(values.options.fontSize == 8);
    CHECK(values.options.backColor == static_cast<int>(GetSysColor(COLOR_BTNFACE)));
}

TEST_CASE("database page: the tree, an artist's right click, a song edited in Edit CD info") {
    Fixture f;
    writeBytes(f.dir.path() / "RUBO.ini",
               crlf("[Options]\nCddbSite=1\n"
                    "[1A00B203]\nArtist=Band\nTitle=Album\nCategory=rock\n1=One\n2=Two\n"
                    "[2B00C304]\nArtist=Other\nTitle=Second\n1=Only\n"));
    OptionsSheetValues values = copyIntoSheet(f.owner());
    HWND tree = nullptr;
    std::size_t count = 0, expanded = 0;
    std::string artistText, songText, editTitle, editArtist, editedSong;
    LRESULT editTracks = 0;
    HWND normal = nullptr;
    auto normalPage = [&] {
        HWND tabs = GetDlgItem(threadWindowTitled("Edit CD info"), IDC_EI_TABS);
        for (normal = GetWindow(tabs, GW_CHILD); normal; normal = GetWindow(normal, GW_HWNDNEXT))
            if (GetDlgItem(normal, IDC_EI_TITLE_LIST))
                return true;
        return false;
    };
    // The second track renamed on the Normal page, then Save.
    auto editSecondSong = [&] {
        HWND list = GetDlgItem(normal, IDC_EI_TITLE_LIST);
        editTracks = SendMessageA(list, LB_GETCOUNT, 0, 0);
        SendMessageA(list, LB_SETCURSEL, 1, 0);
        SendMessageA(normal, WM_COMMAND, MAKEWPARAM(IDC_EI_TITLE_LIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        SetDlgItemTextA(normal, IDC_EI_TRACK_TITLE, "Deux");
        SendDlgItemMessageA(normal, IDC_EI_UPDATE_TITLE, BM_CLICK, 0, 0);
        SendDlgItemMessageA(threadWindowTitled("Edit CD info"), IDC_EI_SAVE, BM_CLICK, 0, 0);
    };
    auto rightClick = [&] {
        SetCursorPos(0, 0); // off the tree: the selected item decides
        NMHDR header{tree, static_cast<UINT_PTR>(IDC_OPT_DATABASE), static_cast<UINT>(NM_RCLICK)};
        SendMessageA(f.page(), WM_NOTIFY, IDC_OPT_DATABASE, reinterpret_cast<LPARAM>(&header));
    };
    auto itemText = [&](HTREEITEM item) {
        char buffer[256] = {};
        TVITEMA query{};
        query.mask = TVIF_TEXT;
        query.hItem = item;
        query.pszText = buffer;
        query.cchTextMax = sizeof buffer;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
        return std::string(buffer);
    };
    f.run(values, {f.onSheet([&] {
                       f.select(4);
                       tree = f.control(IDC_OPT_DATABASE);
                   }),
                   {[&] { return SendMessageA(tree, TVM_GETCOUNT, 0, 0) > 0; },
                    [&] {
                        count = static_cast<std::size_t>(SendMessageA(tree, TVM_GETCOUNT, 0, 0));
                        TreeView_SelectItem(tree, nullptr);
                        rightClick();
                        HTREEITEM artist = TreeView_GetRoot(tree);
                        artistText = itemText(artist);
                        TreeView_SelectItem(tree, artist);
                        rightClick();
                        TreeView_Expand(tree, artist, TVE_EXPAND);
                        HTREEITEM album = TreeView_GetChild(tree, artist);
                        TreeView_Expand(tree, album, TVE_EXPAND);
                        expanded = static_cast<std::size_t>(SendMessageA(tree, TVM_GETCOUNT, 0, 0));
                        HTREEITEM song =
                            TreeView_GetNextSibling(tree, TreeView_GetChild(tree, album));
                        songText = itemText(song);
                        TreeView_SelectItem(tree, song);
                        rightClick(); // runs the Edit CD info dialog's loop
                    }},
                   {normalPage,
                    [&] {
                        HWND edit = threadWindowTitled("Edit CD info");
                        editTitle = text(GetDlgItem(edit, IDC_EI_DISC_ID));
                        editSecondSong();
                    }},
                   {[&] { return threadWindowTitled("Edit CD info") == nullptr; },
                    [&] {
                        UpdateWindow(f.page()); // the tree is built anew on the paint
                        HTREEITEM artist = TreeView_GetRoot(tree);
                        TreeView_Expand(tree, artist, TVE_EXPAND);
                        HTREEITEM album = TreeView_GetChild(tree, artist);
                        TreeView_Expand(tree, album, TVE_EXPAND);
                        editedSong =
                            itemText(TreeView_GetNextSibling(tree, TreeView_GetChild(tree, album)));
                        f.press(PSBTN_CANCEL);
                    }}});
    CHECK(count == 2);    // the artists; the rest comes when opened
    CHECK(expanded == 5); // and Band's album with its two songs
    CHECK(artistText == "Band");
    CHECK(songText == "  2  Two");
    // Nothing selected, then the artist.
    CHECK(f.answers.shown == std::vector<std::string>(2, kSelectAlbumText));
    CHECK(editTitle.find("1A00B203") != std::string::npos);
    CHECK(editTracks == 2);
    CHECK(f.settings.getString("1A00B203", "2", "") == "Deux");
    CHECK(editedSong == "  2  Deux");
}
