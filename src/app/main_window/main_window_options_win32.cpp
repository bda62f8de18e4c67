// The main window's Options button: the sheet, and on OK its values taken
// over step by step.

#include "app/main_window/main_window_win32.h"

#include "app/options/options_sheet_win32.h"
#include "base/event_log.h"
#include "base/message_box.h"
#include "base/system_info.h"
#include "res/resource.h"
#include "settings/settings_file.h"

namespace rubo {

namespace {

constexpr const char kOptionsMenuLog[] = "M : Options menu";
constexpr const char kOptionsOkLog[] = "M : Options menu exit: OK";
constexpr const char kOptionsCancelLog[] = "M : Options menu exit: Cancel";

} // namespace

void CMainWindow::showOptions() {
    log_.logEvent(1747, "%s", kOptionsMenuLog);
    const OptionsSheetOwner owner{options_, driveList_, driveIndex_};
    OptionsSheetValues values = copyIntoSheet(owner);
    const Options saved = options_;
    OptionsSheetContext context;
    context.owner = hwnd();
    context.settings = &settings_;
    context.log = &log_;
    context.saved = &saved;
    context.serverList = &serverList_;
    context.registry = &systemRegistry();
    context.modulePath = systemInfo().modulePath();
    context.drive = session_.drive();
    CPropSheet sheet(context, values, session_.fanMark());
    if (sheet.doModal() != IDOK) {
        log_.logEvent(1926, "%s", kOptionsCancelLog);
        return;
    }
    const OptionsOkChanges changed = acceptOptionsSheet(values, owner);
    if (changed.drive)
        changeDrive();
    prepareVolumeControl();
    applyFlags();
    if (changed.font)
        applyDisplayFont();
    // Every freedb operation derives its server from the options when it
    // starts (chosenFreedbServer), so the new freedb values need no step.
    session_.applyLogSwitches();
    writeSettings();
    log_.logEvent(1922, "%s", kOptionsOkLog);
}

void CMainWindow::changeDrive() {
    chooseDrive(driveList_.empty() ? '\0' : driveList_[static_cast<std::size_t>(driveIndex_)]);
    session_.reopenDrive();
}

void CMainWindow::applyFlags() {
    ui::CToolTipDialog::setToolTipsActive(options_.showToolTips != 0);
    refreshToolTipsActive();
    settings_.setOwnIniFormat(options_.iniCompatibility != 0);
    setTrayEnabled(options_.minimizeToTray != 0);
    session_.applyWorkerOptions();
}

void CMainWindow::writeSettings() {
    reportSave(saveOptions(settings_, options_, driveList_), settings_.path());
}

} // namespace rubo
