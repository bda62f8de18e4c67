#include "app/options/general_page_win32.h"

#include "base/com_win32.h"
#include "base/message_box.h"
#include "base/system_info.h"
#include "base/text_format.h"
#include "base/unique_handle_win32.h"
#include "res/resource.h"
#include "settings/settings_file.h"
#include "ui/controls_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <iterator>

namespace rubo {

namespace {

struct NamedLine {
    const char* name;
    unsigned long type;
};
// The mixer's source component types, by name.
constexpr NamedLine kFallbackLines[] = {
    {"Analog", 4106},  {"Auxiliary", 4105}, {"CD", 4101},
    {"Digital", 4097}, {"Telephone", 4102}, {"Undefined", 4096},
};
constexpr unsigned long kLineBeyondList = 4101;

constexpr const char* kTimeFormats[] = {"None", "Elapsed", "Elapsed / Total", "Remaining",
                                        "Remaining / Total"};

constexpr const char kInstallQuestion[] = "Install RUBO as default CD audio application?\n(%s)";
constexpr const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char kDesktopValue[] = "Desktop";
constexpr const char kCdPlayerIniExtension[] = "ini";
constexpr const char kCdPlayerIniName[] = "cdplayer.ini";
// "cdplayer.ini | cdplayer.ini||" with the bars as the dialog's separators.
constexpr const char kCdPlayerIniFilter[] = "cdplayer.ini \0 cdplayer.ini\0\0";

// The test slider's last position, shared by every instance of the page.
LRESULT lastTestPosition = -1;

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

void volumeLinesOrFallback(std::vector<std::string>& names, std::vector<unsigned long>& types) {
    if (!names.empty() && names.size() == types.size())
        return;
    names.clear();
    types.clear();
    for (const NamedLine& line : kFallbackLines) {
        names.push_back(line.name);
        types.push_back(line.type);
    }
}

bool createShortcut(const std::string& folder, const std::string& target) {
    const ComApartment apartment;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.putVoid())))
        return false;
    link->SetPath(target.c_str());
    link->SetArguments("");
    link->SetWorkingDirectory(directoryOf(target).c_str());
    link->SetDescription("");
    link->SetIconLocation(target.c_str(), 0);
    link->SetHotkey(0);
    link->SetShowCmd(SW_SHOWNORMAL);
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid())))
        return false;
    const std::string path = folder + kShortcutName;
    wchar_t wide[MAX_PATH];
    return MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) > 0 &&
           SUCCEEDED(file->Save(wide, TRUE));
}

Page1::Page1(OptionsSheetContext& context, OptionsSheetValues& values)
    : OptionsValuesPage(IDD_OPTIONS_GENERAL, OptionsPage::Options, values), context_(context) {}

Page1::~Page1() = default;

BOOL Page1::onInitDialog() {
    OptionsValuesPage::onInitDialog();
    fillDriveList();
    fillLineList();
    showInstallState();
    SetTimer(hwnd(), kVolumeTestTimerId, kVolumeTestTimerMs, nullptr);
    fillTimeFormats();
    showValues();
    return TRUE;
}

void Page1::fillDriveList() {
    ui::ComboBox list(item(IDC_OPT_DRIVE));
    for (char letter : values_.driveLetters)
        list.addString(formatText("%c:", letter));
    const std::size_t at =
        values_.driveEntry.empty() ? 0 : values_.driveLetters.find(values_.driveEntry[0]);
    list.setCurSel(at == std::string::npos ? 0 : static_cast<int>(at));
}

char Page1::selectedDrive() const {
    const int selected = ui::ComboBox(item(IDC_OPT_DRIVE)).curSel();
    if (selected < 0 || static_cast<std::size_t>(selected) >= values_.driveLetters.size())
        return values_.driveEntry.empty() ? '\0' : values_.driveEntry[0];
    return values_.driveLetters[static_cast<std::size_t>(selected)];
}

unsigned long Page1::typeOf(char drive) const {
    const auto type = values_.options.volumeTypes.find(drive);
    return type == values_.options.volumeTypes.end() ? static_cast<unsigned long>(kVolumeTypeCd)
                                                     : static_cast<unsigned long>(type->second);
}

void Page1::fillLineList() {
    const unsigned long type = typeOf(selectedDrive());
    volume_ = std::make_unique<CVolumeControl>(type);
    volume_->listSourceLines(lineNames_, lineTypes_);
    volumeLinesOrFallback(lineNames_, lineTypes_);
    ui::ComboBox list(item(IDC_OPT_VOLUME_LINE));
    for (const std::string& name : lineNames_)
        list.addString(name);
    selectLineOf(selectedDrive());
    replaceVolumeControl(type);
}

void Page1::selectLineOf(char drive) {
    const unsigned long type = typeOf(drive);
    std::size_t at = 0;
    for (std::size_t i = 0; i < lineTypes_.size(); ++i)
        if (lineTypes_[i] == type) {
            at = i;
            break;
        }
    ui::ComboBox(item(IDC_OPT_VOLUME_LINE)).setCurSel(static_cast<int>(at));
}

void Page1::replaceVolumeControl(unsigned long type) {
    volume_.reset();
    volume_ = std::make_unique<CVolumeControl>(type);
    volume_->enableLine();
    ui::Trackbar slider(item(IDC_OPT_VOLUME_TEST));
    if (const std::optional<VolumeRange> range = volume_->range()) {
        slider.setRange(range->minimum, range->maximum);
        slider.setPos(volume_->getVolume().value_or(range->minimum));
    }
    volume_->setChangeCallback(
        [](long volume, std::uintptr_t slider) {
            ui::Trackbar(reinterpret_cast<HWND>(slider)).setPos(volume);
        },
        reinterpret_cast<std::uintptr_t>(slider.window()));
}

void Page1::fillTimeFormats() {
    for (int id : {IDC_OPT_TIME_DISC, IDC_OPT_TIME_TRACK})
        for (const char* format : kTimeFormats)
            ui::ComboBox(item(id)).addString(format);
}

void Page1::showInstallState() {
    const std::string state = installationStateText(*context_.registry, context_.modulePath);
    setItemText(IDC_OPT_INSTALL_STATE, state);
    enableItem(IDC_OPT_INSTALL, state != kThisCopyInstalledText);
}

void Page1::readPage() {
    readValues();
    const char drive = selectedDrive();
    if (drive != '\0')
        values_.driveEntry = formatText("%c:", drive);
}

bool Page1::onCommand(int id, int code, HWND control) {
    switch (id) {
    case IDC_OPT_DRIVE:
        if (code == CBN_SELCHANGE) {
            readPage();
            selectLineOf(selectedDrive());
            replaceVolumeControl(typeOf(selectedDrive()));
        }
        return true;
    case IDC_OPT_VOLUME_LINE:
        if (code == CBN_SELCHANGE) {
            const int selected = ui::ComboBox(control).curSel();
            const unsigned long type =
                selected >= 0 && static_cast<std::size_t>(selected) < lineTypes_.size()
                    ? lineTypes_[static_cast<std::size_t>(selected)]
                    : kLineBeyondList;
            const char drive = selectedDrive();
            if (drive != '\0')
                values_.options.volumeTypes[drive] = static_cast<int>(type);
            replaceVolumeControl(type);
        }
        return true;
    case IDC_OPT_TIME_DISC:
    case IDC_OPT_TIME_TRACK:
        if (code == CBN_SELCHANGE)
            readValues();
        return true;
    case IDC_OPT_INSTALL:
        install();
        return true;
    case IDC_OPT_SHORTCUT:
        createDesktopShortcut();
        return true;
    case IDC_OPT_CDPLAYER_BROWSE:
        browseCdPlayerIni();
        return true;
    default:
        return OptionsValuesPage::onCommand(id, code, control);
    }
}

void Page1::onTimer(UINT_PTR id) {
    if (id != kVolumeTestTimerId)
        return;
    HWND slider = item(IDC_OPT_VOLUME_TEST);
    const LRESULT position = ui::Trackbar(slider).pos();
    if (position != lastTestPosition && volume_)
        volume_->setVolume(static_cast<unsigned long>(position));
    lastTestPosition = position;
    // Changes made elsewhere move the slider while it can be seen.
    if (volume_ && IsWindowVisible(slider))
        volume_->pollSession();
}

void Page1::install() {
    const std::string question = formatText(kInstallQuestion, context_.modulePath.c_str());
    if (!askQuestion(question.c_str()))
        return;
    installAsDefaultPlayer(*context_.registry, context_.modulePath);
    setItemText(IDC_OPT_INSTALL_STATE, kThisCopyInstalledText);
    enableItem(IDC_OPT_INSTALL, false);
}

void Page1::createDesktopShortcut() {
    const std::string desktop = context_.registry->readString(RegistryRoot::CurrentUser,
                                                              kShellFoldersKey, kDesktopValue, "");
    if (desktop.empty())
        return;
    createShortcut(desktop, context_.modulePath);
}

void Page1::browseCdPlayerIni() {
    std::string start = directoryOf(values_.options.cdPlayerIni);
    const std::string typed = itemText(IDC_OPT_CDPLAYER_INI);
    if (!typed.empty())
        start = directoryOf(typed);
    char path[MAX_PATH] = {};
    lstrcpynA(path, kCdPlayerIniName, MAX_PATH);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = hwnd();
    dialog.lpstrFilter = kCdPlayerIniFilter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
    dialog.lpstrDefExt = kCdPlayerIniExtension;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&dialog))
        setItemText(IDC_OPT_CDPLAYER_INI, path);
}

void Page1::onDestroy() {
    KillTimer(hwnd(), kVolumeTestTimerId);
    volume_.reset();
    OptionsValuesPage::onDestroy();
}

} // namespace rubo
