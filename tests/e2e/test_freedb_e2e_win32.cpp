// The freedb button of the real rubo.exe against the local freedb servers
// (scripts/with-freedb-server): a disc without CD-TEXT in the virtual drive,
// several matches picked from the real popup menu, and the CDDB fallback
// with its question and test submit.
#include <doctest.h>

#include "../freedb/local_server.h"
#include "base/text_format.h"
#include "discinfo/disc_model.h"
#include "e2e_steps_win32.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
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

// A disc file in `dir` (without CD-TEXT unless `more` names a packs file),
// and its freedb id.
DiscId writeDisc(const ScratchDir& dir, const Toc& toc, const std::string& name,
                 const std::string& more = "") {
    std::string text = "# " + name + "\n" + more;
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

// An xmcd record of the disc for a server's database folder, its texts as
// given.
void writeRecordText(const char* folderVariable, const std::string& category, DiscId id,
                     const Toc& toc, const std::string& discTitle,
                     const std::vector<std::string>& trackTitles, const std::string& extended) {
    const std::string hex = formatText("%08x", static_cast<unsigned>(id));
    std::string text = "# xmcd\n#\n# Track frame offsets:\n";
    for (int start : toc.startSeconds)
        text += formatText("#\t%d\n", start * kFramesPerSecond);
    text += formatText("#\n# Disc length: %d seconds\n#\n# Revision: 3\n"
                       "# Submitted via: xmcd 3.0\n#\nDISCID=%s\n",
                       toc.leadOutSeconds, hex.c_str());
    text += "DTITLE=" + discTitle + "\nDYEAR=2001\nDGENRE=Test\n";
    for (std::size_t i = 0; i < trackTitles.size(); ++i)
        text += formatText("TTITLE%d=", static_cast<int>(i)) + trackTitles[i] + "\n";
    text += "EXTD=" + extended + "\n";
    for (std::size_t i = 0; i < toc.startSeconds.size(); ++i)
        text += formatText("EXTT%d=\n", static_cast<int>(i));
    text += "PLAYORDER=\n";
    std::filesystem::path folder = "Z:" + environmentText(folderVariable);
    std::filesystem::create_directories(folder / category);
    writeBytes(folder / category / hex, text);
}

// The same with tracks titled "<title> <n>".
void writeRecord(const char* folderVariable, const std::string& category, DiscId id, const Toc& toc,
                 const std::string& artist, const std::string& title) {
    std::vector<std::string> titles;
    for (std::size_t i = 0; i < toc.startSeconds.size(); ++i)
        titles.push_back(title + formatText(" %d", static_cast<int>(i + 1)));
    writeRecordText(folderVariable, category, id, toc, artist + " / " + title, titles, "");
}

// Block-0 CD-TEXT packs of one type for the disc (index 0) and its tracks,
// the strings as they are, each ending in a zero byte; CRCs left zero.
void appendPacks(std::string& packs, int type, const std::vector<std::string>& strings) {
    std::string bytes;
    std::vector<int> owner; // the string each byte belongs to
    for (std::size_t n = 0; n < strings.size(); ++n) {
        bytes += strings[n] + '\0';
        owner.resize(bytes.size(), static_cast<int>(n));
    }
    for (std::size_t at = 0; at < bytes.size(); at += 12) {
        const int track = owner[at];
        int position = 0;
        while (position < 15 && at >= static_cast<std::size_t>(position) + 1 &&
               owner[at - static_cast<std::size_t>(position) - 1] == track)
            ++position;
        std::string pack(18, '\0');
        pack[0] = static_cast<char>(type);
        pack[1] = static_cast<char>(track);
        pack[2] = static_cast<char>(packs.size() / 18);
        pack[3] = static_cast<char>(position);
        pack.replace(4, 12, bytes.substr(at, 12).append(12, '\0').substr(0, 12));
        packs += pack;
    }
}

// The lines of a text whose lines end in CR LF.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find("\r\n", at), text.size());
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// RUBO.ini holds one [Options] section and nothing a disc's text tried to
// add, and each disc's section only the keys a disc has.
void expectWholeIni(const std::string& ini, const std::vector<DiscId>& discs) {
    INFO("RUBO.ini:\n" << ini);
    const std::vector<std::string> lines = linesOf(ini);
    CHECK(std::count(lines.begin(), lines.end(), "[Options]") == 1);
    for (const std::string& line : lines) {
        CHECK(line != "[0BADF00D]");
        CHECK(line != "Artist=Ghost");
        CHECK(line.rfind("CdromDrive=Q", 0) == std::string::npos);
        CHECK(line.rfind("CdromDrive=R", 0) == std::string::npos);
        CHECK(line.find('\0') == std::string::npos);
    }
    static const char* const kDiscKeys[] = {
        "Artist=", "Title=", "Year=", "Genre=", "Category=", "Extd=", "Extt"};
    for (DiscId id : discs) {
        const std::vector<std::string> section = linesOf(sectionOf(ini, id));
        REQUIRE_FALSE(section.empty());
        for (std::size_t n = 1; n < section.size(); ++n) {
            const std::string& line = section[n];
            bool known = line.empty() || std::isdigit(static_cast<unsigned char>(line[0]));
            for (const char* key : kDiscKeys)
                known = known || line.rfind(key, 0) == 0;
            CHECK_MESSAGE(known, line);
        }
    }
}

// Another disc in the drive, once the player has seen the tray open.
void changeDisc(RuboProcess& rubo, const std::string& disc) {
    REQUIRE(driveControl("open") == 0);
    expectDisplay(rubo, "no disc");
    REQUIRE(driveControl("insert " + disc) == 0);
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
        HWND menu = waitMatchMenu(rubo);
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

        HWND dialog = openEditDialog(rubo);
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

    TEST_CASE("rubo.exe: line breaks in CD-TEXT and freedb text stay inside the disc's section") {
        REQUIRE_FALSE(ruboExe().empty());
        if (!freedbServersGiven())
            return;
        ScratchDir discs;
        std::string packs;
        appendPacks(packs, 0x80,
                    {"Harbour\r\n[Options]\r\nCdromDrive=Q\r\n[0BADF00D]\r\nArtist=Ghost",
                     "Lone\rCR", "Lone\nLF", "Plain"});
        appendPacks(packs, 0x81, {"Crew\r\n[Options]", "", "", ""});
        appendPacks(packs, 0x85, {"Note\r\nline"});
        writeBytes(discs.path() / "hostile.cdt", packs);
        const Toc textToc{{2, 180, 400}, 620};
        const DiscId textId =
            writeDisc(discs, textToc, "hostile-cdtext.disc", "cdtext-file hostile.cdt\n");
        const Toc freedbToc{{2, 230, 470}, 700};
        const DiscId freedbId = writeDisc(discs, freedbToc, "hostile-freedb.disc");
        writeRecordText("RUBO_FREEDB_DB", "misc", freedbId, freedbToc,
                        "Tide\r[Options]\rCdromDrive=R / Drift\r[0BADF00D]\rArtist=Ghost",
                        {"Wave\rOne", "Wave Two", "Wave\r[Three]"}, "Deep\rNote");
        const std::string textDisc = (discs.path() / "hostile-cdtext.disc").string();
        const std::string freedbDisc = (discs.path() / "hostile-freedb.disc").string();
        const char* const textLine = "Crew [Options] - Harbour [Options] CdromDrive=Q";
        const char* const freedbLine =
            "Tide [Options] CdromDrive=R - Drift [0BADF00D] Artist=Ghost";
        REQUIRE(driveControl("spinup 0") == 0);

        for (const char* mode : {"0", "1"}) {
            INFO("IniCompatibility=" << std::string(mode));
            Scratch scratch(serverOptions() + "IniCompatibility=" + mode + "\r\n");
            REQUIRE(driveControl("insert " + textDisc) == 0);
            {
                RuboProcess rubo(ruboExe(), scratch.path(), "");
                REQUIRE(waitMainWindow(rubo) != nullptr);
                expectDisplay(rubo, textLine, kDiscTimeoutMs);
                changeDisc(rubo, freedbDisc);
                expectDisplay(rubo, "[1]  Track 1", kDiscTimeoutMs);
                REQUIRE(rubo.click(IDC_FREEDB, true));
                expectDisplay(rubo, freedbLine, kDiscTimeoutMs);
                expectDisplay(rubo, "[1]  Wave One");
                closeAndCheck(rubo);
            }
            const std::string ini = readBytes(scratch.dir.path() / "RUBO.ini");
            expectWholeIni(ini, {textId, freedbId});
            CHECK(contains(sectionOf(ini, textId), "\r\n1=Lone CR\r\n2=Lone LF\r\n"));
            CHECK(contains(sectionOf(ini, textId), "\r\nExtd=Note\\nline\r\n"));
            CHECK(contains(sectionOf(ini, freedbId), "\r\nExtd=Deep\\nNote\r\n"));

            // Started again, the player reads the same texts from RUBO.ini.
            RuboProcess again(ruboExe(), scratch.path(), "");
            REQUIRE(waitMainWindow(again) != nullptr);
            expectDisplay(again, freedbLine, kDiscTimeoutMs);
            changeDisc(again, textDisc);
            expectDisplay(again, textLine, kDiscTimeoutMs);
            expectDisplay(again, "[1]  Lone CR");
            closeAndCheck(again);
            CHECK(readBytes(scratch.dir.path() / "RUBO.ini") == ini);
        }
    }

    TEST_CASE("rubo.exe: a disc changed under the freedb match menu keeps both sections, and the "
              "window takes no clicks while the lookup's box is open") {
        REQUIRE_FALSE(ruboExe().empty());
        if (!freedbServersGiven())
            return;
        ScratchDir discs;
        const Toc toc{{2, 170, 390, 560}, 750};
        const DiscId id = insertDisc(discs, toc, "menu-then-gone.disc");
        writeRecord("RUBO_FREEDB_DB", "blues", id, toc, "Gone Early", "First Press");
        writeRecord("RUBO_FREEDB_DB", "jazz", id, toc, "Gone Late", "Second Press");
        Scratch scratch(serverOptions());
        RuboProcess rubo(ruboExe(), scratch.path(), "");
        HWND main = waitTextlessDisc(rubo);

        REQUIRE(rubo.click(IDC_FREEDB, true));
        HWND menu = waitMatchMenu(rubo);
        // The display tick takes the other disc over while the menu is open.
        changeDisc(rubo, environmentText("VDRIVE_TEST_DISC"));
        expectDisplay(rubo, kFirstDiscLine, kDiscTimeoutMs);
        REQUIRE(waitUntil([&] { return contains(rubo.readFile("RUBO.ini"), "Virtual Sessions"); },
                          kStepTimeoutMs));
        const std::string iniBefore = rubo.readFile("RUBO.ini");
        PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);

        HWND box = waitMessageBox(rubo, kDiscGoneMessage, kDiscTimeoutMs);
        INFO(sideWindows(rubo));
        REQUIRE(box != nullptr);
        screenshot(box, "freedb-disc-gone");
        CHECK(GetWindow(box, GW_OWNER) == main);
        CHECK_FALSE(IsWindowEnabled(main));
        SendMessageA(rubo.control(IDC_EJECT), BM_CLICK, 0, 0);
        SendMessageA(rubo.control(IDC_FREEDB), BM_CLICK, 0, 0);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        expectLog(rubo, "M : Got Freedb data");
        CHECK(waitUntil([&] { return IsWindowEnabled(main) != FALSE; }, kStepTimeoutMs));
        const std::string log = rubo.readFile("rubo.log");
        CHECK_FALSE(contains(log, "M : Button TRAY"));
        CHECK(log.find("M : Getting Freedb data") == log.rfind("M : Getting Freedb data"));
        expectDisplay(rubo, kFirstDiscLine);
        CHECK(rubo.readFile("RUBO.ini") == iniBefore);
        CHECK(sectionOf(iniBefore, id).empty());
        closeAndCheck(rubo);
    }

} // TEST_SUITE
