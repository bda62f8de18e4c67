// rubo.exe: finds the CD-ROM drives and runs the main window.
#include "app/command_line.h"
#include "app/main_window/main_window_win32.h"
#include "app/startup.h"
#include "base/event_log.h"
#include "base/message_box.h"
#include "res/resource.h"
#include "settings/profile_api.h"
#include "settings/settings_file.h"
#include "ui/message_filter_win32.h"

#include <commctrl.h>
#include <windows.h>

namespace {

constexpr const char kNoDrivesText[] = "No CDROM drives found!";

void initCommonControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
    LoadLibraryA("riched20.dll");
}

int runApplication() {
    initCommonControls();
    const std::string file = rubo::firstCommandLineFile(GetCommandLineA());
    const std::string drives = rubo::systemCdromDriveList();
    if (drives.empty()) {
        rubo::showMessage("%s", kNoDrivesText);
        return 0;
    }
    // Said once; RUBO then plays on without keeping its files.
    const std::string directory = rubo::programDirectory();
    if (!rubo::folderWritable(directory, rubo::kSettingsFileName))
        rubo::showMessage(rubo::kUnwritableFolderText, directory.c_str());
    HACCEL accelerators =
        LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    // The program's one settings file and event log, lent to every part.
    rubo::SettingsFile settings(directory + rubo::kSettingsFileName, rubo::systemProfileApi());
    rubo::EventLog log;
    rubo::ui::MessageFilter::install();
    {
        // Modeless in an own loop: the dialog manager's modal loop would run
        // every message of the idle player through the filter hook.
        rubo::CMainWindow window(settings, log, drives, file, accelerators);
        if (HWND main = window.createModeless()) {
            if (!IsWindowVisible(main))
                ShowWindow(main, SW_SHOW);
            rubo::ui::MessageFilter::runLoop(main);
        }
    }
    rubo::ui::MessageFilter::uninstall();
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return runApplication();
}
