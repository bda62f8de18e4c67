// The freedb button of the real rubo.exe against the local freedb servers
// (scripts/with-freedb-server): a disc without CD-TEXT in the virtual drive,
// several matches picked from the real popup menu, and the CDDB fallback
// with its question and test submit.
#include <doctest.h>

#include "../freedb/local_server.h"
#include "discinfo/disc_model.h"
#include "e2e_steps_win32.h"
#include "settings/text_format.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace rubo;
using namespace rubo::test;

namespace {

struct Toc {
    std::vector<int> startSeconds; // absolute, lead-in included
    int leadOutSeconds;
};

std::string msfText(int seconds) {
    return formatText("%02d:%02d:00", seconds / 60, seconds % 60);
}

// A disc file without CD-TEXT in `dir`, and its freedb id.
DiscId writeDisc(const ScratchDir& dir, const Toc& toc, const std::string& name) {
    std::string text = "# " + name + "\n";
    TrackList list;
    for (std::size_t i = 0; i < toc.startSeconds.size(); ++i) {
        const int number = static_cast<int>(i + 1);
        text += formatText("track %d audio %s\n", number, msfText(toc.startSeconds[i]).c_str());
        TrackEntry entry;
        entry.number = number;
        entry.start = framesToMsf(toc.startSeconds[i] * kFramesPerSecond);
        list.store(number, entry);
    }
    text += "leadout " + msfText(toc.leadOutSeconds) + "\n";
    list.trackCount = static_cast<int>(toc.startSeconds.size());
    list.leadOut = toc.leadOutSeconds * kFramesPerSecond;
    writeBytes(dir.path() / name, text);
    return computeDiscId(list);
}

// The disc file in the drive, ready at once; its freedb id.
DiscId insertDisc(const ScratchDir& dir, const Toc& toc, const std::string& name) {
    const DiscId id = writeDisc(dir, toc, name);
    REQUIRE(driveControl("spinup 0") == 0);
    REQUIRE(driveControl("insert " + (dir.path() / name).string()) == 0);
    return id;
}

// rubo.exe's main window once it shows the disc without text.
HWND waitTextlessDisc(RuboProcess& rubo) {
    REQUIRE_MESSAGE(rubo.started(), rubo.startError());
    HWND main = waitMainWindow(rubo);
    REQUIRE(main != nullptr);
    expectDisplay(rubo, "[1]  Track 1", kDiscTimeoutMs);
    return main;
}

// An xmcd record of the disc for a server's database folder.
void writeRecord(const char* folderVariable, const std::string& category, DiscId id, const Toc& toc,
                 const std::string& artist, const std::string& title) {
    const std::string hex = formatText("%08x", static_cast<unsigned>(id));
    std::string text = "# xmcd\n#\n# Track frame offsets:\n";
    for (int start : toc.startSeconds)
        text += formatText("#\t%d\n", start * kFramesPerSecond);
    text += formatText("#\n# Disc length: %d seconds\n#\n# Revision: 3\n"
                       "# Submitted via: xmcd 3.0\n#\nDISCID=%s\nDTITLE=%s / %s\n",
                       toc.leadOutSeconds, hex.c_str(), artist.c_str(), title.c_str());
    text += "DYEAR=2001\nDGENRE=Test\n";
    for (std::size_t i = 0; i < toc.startSeconds.size(); ++i)
        text += formatText("TTITLE%d=%s %d\n", static_cast<int>(i), title.c_str(),
                           static_cast<int>(i + 1));
    text += "EXTD=\n";
    for (std::size_t i = 0; i < toc.startSeconds.size(); ++i)
        text += formatText("EXTT%d=\n", static_cast<int>(i));
    text += "PLAYORDER=\n";
    std::filesystem::path folder = "Z:" + environmentText(folderVariable);
    std::filesystem::create_directories(folder / category);
    writeBytes(folder / category / hex, text);
}

// What the player shows besides its main window, and its log: for a failure.
std::string sideWindows(RuboProcess& rubo) {
    HWND other = rubo.otherWindow();
    return "other window: \"" + RuboProcess::windowText(other) + "\" \"" +
           RuboProcess::windowText(GetDlgItem(other, kMessageTextId)) + "\"\nrubo.log:\n" +
           rubo.readFile("rubo.log");
}

} // namespace

TEST_SUITE("wine-drive" * doctest::skip()) {

    TEST_CASE("rubo.exe: the freedb button reads the match picked from its popup menu") {
        REQUIRE_FALSE(ruboExe().empty());
        if (!freedbServersGiven())
            return;
        ScratchDir discs;
        const Toc toc{{2, 190, 420, 505}, 630};
        const DiscId id = insertDisc(discs, toc, "no-text-4.disc");
        writeRecord("RUBO_FREEDB_DB", "blues", id, toc, "Harbour Lights", "First Pressing");
        writeRecord("RUBO_FREEDB_DB", "jazz", id, toc, "Night Shift Trio", "Second Pressing");
        writeRecord("RUBO_FREEDB_DB", "rock", id, toc, "Loud Neighbours", "Third Pressing");
        Scratch scratch(serverOptions());
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        HWND main = waitTextlessDisc(rubo);

        REQUIRE(rubo.click(IDC_FREEDB, true));
        HWND menu = nullptr;
        const bool menuShown = waitUntil(
            [&] { return (menu = FindWindowA("#32768", nullptr)) != nullptr; }, kDiscTimeoutMs);
        INFO(sideWindows(rubo));
        REQUIRE(menuShown);
        screenshot(main, "freedb-matches");
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
        // The server lists the categories in name order: jazz is second.
        expectDisplay(rubo, "Night Shift Trio - Second Pressing");
        expectDisplay(rubo, "[1]  Second Pressing 1");
        expectLog(rubo, "M : Got Freedb data");
        screenshot(main, "freedb-found");

        const std::string section = sectionOf(rubo.readFile("RUBO.ini"), id);
        INFO("RUBO.ini section: " << section);
        CHECK(contains(section, "Artist=Night Shift Trio\r\n"));
        CHECK(contains(section, "Category=jazz\r\n"));
        CHECK(contains(section, "Year=2001\r\n"));
        CHECK(contains(section, "4=Second Pressing 4\r\n"));
        closeAndCheck(rubo);
    }

    TEST_CASE("rubo.exe: text from the CDDB fallback is test-submitted after the question") {
        REQUIRE_FALSE(ruboExe().empty());
        if (!freedbServersGiven())
            return;
        ScratchDir discs;
        const Toc toc{{2, 240, 510, 720}, 900};
        const DiscId id = insertDisc(discs, toc, "no-text-cddb.disc");
        writeRecord("RUBO_CDDB_DB", "misc", id, toc, "Borrowed Voices", "Only Elsewhere");

        const std::string cddb = environmentText("RUBO_CDDB_SERVER");
        const std::size_t colon = cddb.rfind(':');
        Scratch scratch(serverOptions() +
                        "CddbHack=1\r\nCddbTestSubmit=1\r\nCddbHackSite=" + cddb.substr(0, colon) +
                        "\r\nCddbHackPort=" + cddb.substr(colon + 1) + "\r\n");
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        waitTextlessDisc(rubo);

        REQUIRE(rubo.click(IDC_FREEDB, true));
        HWND question = waitMessageBox(rubo, "Test-submit this CD?", kDiscTimeoutMs);
        INFO(sideWindows(rubo));
        REQUIRE(question != nullptr);
        screenshot(question, "freedb-submit-question");
        PostMessageA(question, WM_COMMAND, IDYES, 0);
        HWND done = waitMessageBox(rubo, "CD info submitted as test", kDiscTimeoutMs);
        REQUIRE(done != nullptr);
        PostMessageA(done, WM_COMMAND, IDOK, 0);
        expectLog(rubo, "M : Got Freedb data");
        expectDisplay(rubo, "Borrowed Voices - Only Elsewhere");
        const std::string section = sectionOf(rubo.readFile("RUBO.ini"), id);
        INFO("RUBO.ini section: " << section);
        CHECK(contains(section, "Category=misc\r\n"));
        CHECK(contains(section, "1=Only Elsewhere 1\r\n"));
        closeAndCheck(rubo);
    }

    TEST_CASE("rubo.exe: a silent freedb server ends in its message; the player goes on") {
        REQUIRE_FALSE(ruboExe().empty());
        if (!freedbServersGiven())
            return;
        freshDisc("VDRIVE_TEST_DISC");
        REQUIRE(driveControl("spinup 0") == 0);
        Scratch scratch(serverOptions());
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(rubo.started(), rubo.startError());
        REQUIRE(waitMainWindow(rubo) != nullptr);
        expectDisplay(rubo, kFirstDiscLine, kDiscTimeoutMs);
        REQUIRE(rubo.click(IDC_PLAY));
        expectDisplay(rubo, "[1]  Opening   (0:");
        const std::string iniBefore = rubo.readFile("RUBO.ini");

        ServerAddress server;
        REQUIRE(localServer(server));
        FaultSwitch silent(server, "silent=1");
        REQUIRE(rubo.click(IDC_FREEDB, true));
        // The client gives a silent server 20 s.
        HWND box = waitMessageBox(rubo, "Error quering CD info:", 40000);
        REQUIRE(box != nullptr);
        CHECK(contains(RuboProcess::windowText(GetDlgItem(box, kMessageTextId)), "timed out"));
        // The display is still updated while the message box waits.
        expectDisplay(rubo, "[1]  Opening   (0:");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        expectLog(rubo, "M : Got Freedb data");
        CHECK(rubo.readFile("RUBO.ini") == iniBefore);
        REQUIRE(rubo.click(IDC_STOP));
        closeAndCheck(rubo);
    }

    TEST_CASE("rubo.exe: Edit imports from freedb, then Save && Submit test-submits the change") {
        REQUIRE_FALSE(ruboExe().empty());
        if (!freedbServersGiven())
            return;
        ScratchDir discs;
        const Toc toc{{2, 200, 400}, 600};
        const DiscId id = writeDisc(discs, toc, "no-text-edit.disc");
        writeRecord("RUBO_FREEDB_DB", "folk", id, toc, "Edit Artist", "Imported Album");
        REQUIRE(driveControl("spinup 0") == 0);
        REQUIRE(driveControl("insert " + (discs.path() / "no-text-edit.disc").string()) == 0);

        Scratch scratch(serverOptions() + "CddbTestSubmit=1\r\n");
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        REQUIRE_MESSAGE(rubo.started(), rubo.startError());
        REQUIRE(waitMainWindow(rubo) != nullptr);
        expectDisplay(rubo, "[1]  Track 1", kDiscTimeoutMs);

        REQUIRE(rubo.click(IDC_EDIT_INFO, true));
        HWND dialog = waitDialog(rubo, "Edit CD info");
        REQUIRE(dialog != nullptr);
        REQUIRE(waitUntil([&] { return findControl(dialog, IDC_EI_ARTIST) != nullptr; },
                          kStepTimeoutMs));
        HWND status = GetDlgItem(dialog, IDC_EI_FREEDB_STATE);
        CHECK(RuboProcess::windowText(status) == "Disc in freedb database: UNKNOWN");
        CHECK_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_EI_SAVE_SUBMIT)));

        REQUIRE(PostMessageA(GetDlgItem(dialog, IDC_EI_IMPORT_FREEDB), BM_CLICK, 0, 0));
        const bool imported = waitUntil(
            [&] {
                return RuboProcess::windowText(status) ==
                       "Disc in freedb database: YES  (revision=3)";
            },
            kDiscTimeoutMs);
        INFO(sideWindows(rubo));
        REQUIRE(imported);
        HWND artist = findControl(dialog, IDC_EI_ARTIST);
        CHECK(RuboProcess::windowText(artist) == "Edit Artist");
        CHECK(RuboProcess::windowText(findControl(dialog, IDC_EI_TRACK_TITLE)) ==
              "Imported Album 1");
        CHECK(RuboProcess::windowText(findControl(dialog, IDC_EI_YEAR)) == "2001");
        CHECK_FALSE(IsWindowEnabled(findControl(dialog, IDC_EI_CATEGORY)));
        CHECK(RuboProcess::windowText(findControl(dialog, IDC_EI_CATEGORY)) == "folk");
        CHECK(IsWindowEnabled(GetDlgItem(dialog, IDC_EI_SAVE_SUBMIT)));
        screenshot(dialog, "edit-info-freedb");

        const char* retitled = "Imported Album 1 (remastered)";
        SendMessageA(findControl(dialog, IDC_EI_TRACK_TITLE), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(retitled));
        SendMessageA(findControl(dialog, IDC_EI_UPDATE_TITLE), BM_CLICK, 0, 0);
        REQUIRE(PostMessageA(GetDlgItem(dialog, IDC_EI_SAVE_SUBMIT), BM_CLICK, 0, 0));
        HWND question = waitMessageBox(rubo, "Test-submit this CD?", kDiscTimeoutMs);
        REQUIRE(question != nullptr);
        PostMessageA(question, WM_COMMAND, IDYES, 0);
        HWND done = waitMessageBox(rubo, "CD info submitted as test", kDiscTimeoutMs);
        REQUIRE(done != nullptr);
        PostMessageA(done, WM_COMMAND, IDOK, 0);
        expectLog(rubo, "M : Track Edit menu exit: OK");
        expectDisplay(rubo, "Edit Artist - Imported Album");
        expectDisplay(rubo, "[1]  Imported Album 1 (remastered)");
        const std::string section = sectionOf(rubo.readFile("RUBO.ini"), id);
        INFO("RUBO.ini section: " << section);
        CHECK(contains(section, "Category=folk\r\n"));
        CHECK(contains(section, "1=Imported Album 1 (remastered)\r\n"));
        CHECK(contains(section, "3=Imported Album 3\r\n"));
        closeAndCheck(rubo);
    }

} // TEST_SUITE
