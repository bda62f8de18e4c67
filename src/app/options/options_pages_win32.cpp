#include "app/options/options_pages_win32.h"

#include "base/message_box.h"
#include "base/system_info.h"
#include "base/text_format.h"
#include "res/resource.h"
#include "settings/settings_file.h"

#include <commdlg.h>
#include <shellapi.h>

namespace rubo {

namespace {

constexpr const char kDeinstallQuestion[] =
    "De-install RUBO as default CD audio application?\n(%s)";
constexpr const char kLogExtension[] = "LOG";
// "Log Files (*.log) | *.log||" with the bars as the dialog's separators.
constexpr const char kLogFilter[] = "Log Files (*.log) \0 *.log\0\0";

void openWithShell(HWND owner, const std::string& path) {
    ShellExecuteA(owner, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace

Page1A::Page1A(OptionsSheetValues& values)
    : OptionsValuesPage(IDD_OPTIONS_MORE, OptionsPage::MoreOptions, values) {}

BOOL Page1A::onInitDialog() {
    OptionsValuesPage::onInitDialog();
    showValues();
    followShowToolTips();
    return TRUE;
}

void Page1A::followShowToolTips() {
    setToolTipsActive(isItemChecked(IDC_OPT_SHOW_TOOLTIPS));
    refreshToolTipsActive();
}

bool Page1A::onCommand(int id, int code, HWND control) {
    if (id == IDC_OPT_SHOW_TOOLTIPS && code == BN_CLICKED) {
        followShowToolTips();
        return true;
    }
    return OptionsValuesPage::onCommand(id, code, control);
}

Page4::Page4(OptionsSheetContext& context, OptionsSheetValues& values)
    : OptionsValuesPage(IDD_OPTIONS_DEVELOP, OptionsPage::Develop, values), context_(context) {}

BOOL Page4::onInitDialog() {
    OptionsValuesPage::onInitDialog();
    showValues();
    return TRUE;
}

bool Page4::onCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_OPT_EDIT_INI:
        openWithShell(hwnd(), programDirectory() + kSettingsFileName);
        return true;
    case IDC_OPT_VIEW_LOGS:
        viewLogfiles();
        return true;
    case IDC_OPT_DEINSTALL:
        deinstall();
        return true;
    case IDC_OPT_CDDB_HACK:
        readValues();
        showValues();
        return true;
    default:
        return OptionsValuesPage::onCommand(id, code, control);
    }
}

void Page4::viewLogfiles() {
    char path[MAX_PATH] = {};
    const std::string start = programDirectory();
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd();
    dialog.lpstrFilter = kLogFilter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = start.c_str();
    dialog.lpstrDefExt = kLogExtension;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&dialog))
        openWithShell(hwnd(), path);
}

void Page4::deinstall() {
    const std::string question = formatText(kDeinstallQuestion, context_.modulePath.c_str());
    if (askQuestion(question.c_str()))
        uninstallAsDefaultPlayer(*context_.registry);
}

Page5::Page5() : ToolTipPropertyPage(IDD_OPTIONS_EGG) {}

BOOL Page5::onInitDialog() {
    ToolTipPropertyPage::onInitDialog();
    setItemText(IDC_OPT_EGG_TEXT, kFanGreeting);
    return TRUE;
}

} // namespace rubo
