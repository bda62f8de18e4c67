#include "app/main_window/main_window_win32.h"

#include "app/main_window/about_dialog_win32.h"
#include "app/main_window/play_mode_choice.h"
#include "app/main_window/play_mode_menu_win32.h"
#include "app/main_window/transport_ids.h"
#include "app/options/options_sheet_win32.h"
#include "app/shutdown.h"
#include "app/startup.h"
#include "app/tiny/tiny_help_dialog_win32.h"
#include "base/event_log.h"
#include "base/message_box.h"
#include "base/system_info.h"
#include "freedb/freedb_operations.h"
#include "playback/device_change.h"
#include "res/resource.h"
#include "settings/settings_file.h"
#include "ui/message_filter_win32.h"
#include "ui/window_position_win32.h"

#include <windows.h>
#include <windowsx.h>

#include <iterator>
#include <optional>

namespace rubo {

namespace {

constexpr const char kThreadFailedText[] = "Couldn't start thread";

constexpr const char kOptionsMenuLog[] = "M : Options menu";
constexpr const char kOptionsOkLog[] = "M : Options menu exit: OK";
constexpr const char kOptionsCancelLog[] = "M : Options menu exit: Cancel";

struct ButtonBitmaps {
    int control;
    int normal;
    int disabled; // 0: drawn dithered
};
// Same order as CMainWindow::buttons_.
constexpr ButtonBitmaps kButtonBitmaps[kMainButtonCount] = {
    {IDC_PLAY, IDB_PLAY, IDB_PLAY_DISABLED}, {IDC_PAUSE, IDB_PAUSE, IDB_PAUSE_DISABLED},
    {IDC_STOP, IDB_STOP, IDB_STOP_DISABLED}, {IDC_PREV, IDB_PREV, IDB_PREV_DISABLED},
    {IDC_NEXT, IDB_NEXT, IDB_NEXT_DISABLED}, {IDC_EJECT, IDB_EJECT, 0},
};

[[noreturn]] void fatalStartupError(const char* text) {
    showMessage("%s", text);
    ExitProcess(0);
}

} // namespace

CMainWindow::CMainWindow(SettingsFile& settings, EventLog& log, std::string driveList,
                         std::string commandLineFile, HACCEL accelerators)
    : CToolTipDialog(IDD_MAIN, nullptr), settings_(settings), log_(log),
      driveList_(std::move(driveList)), commandLineFile_(std::move(commandLineFile)),
      accelerators_(accelerators) {}

CMainWindow::~CMainWindow() = default;

BOOL CMainWindow::onInitDialog() {
    CToolTipDialog::onInitDialog();
    transportWindow_.attach(hwnd());
    ui::MessageFilter::setAccelerators(hwnd(), accelerators_);
    icons_.set(hwnd(), IDI_RUBO);
    taskbar_.attach(hwnd());
    readSettings();
    if (!driveList_.empty())
        logDriveList(log_, driveList_, session_.scsi().aspiAvailable());
    chooseDrive(options_.cdromDrive.empty() ? '\0' : options_.cdromDrive[0]);
    takeStartupRequest();
    log_.logSystem("Active drive:  %s", session_.drive().c_str());
    prepareControls();
    if (!session_.start())
        fatalStartupError(kThreadFailedText);
    SetTimer(hwnd(), kDisplayTimerId, kDisplayTimerMs, nullptr);
    if (options_.startTiny) {
        log_.logEvent(2025, "Starting mode: Tiny");
        enterTinyMode();
    }
    if (options_.logging)
        log_.flush();
    displayPanel_.applyFont(options_);
    layout_.record(hwnd());
    layout_.apply();
    return TRUE;
}

void CMainWindow::readSettings() {
    settings_.setOwnIniFormat(false);
    const bool firstRun =
        loadOptions(settings_, options_, static_cast<int>(GetSysColor(COLOR_BTNFACE)), driveList_);
    log_.setDirectory(programDirectory());
    session_.applyLogSwitches();
    writeLogHeader(log_, systemInfo(), session_.scsi().aspiAvailable());
    if (firstRun)
        saveOptions(settings_, options_, driveList_);
}

void CMainWindow::chooseDrive(char letter) {
    driveIndex_ = chooseDriveIndex(driveList_, letter);
    const char active = driveList_.empty() ? 'D' : driveList_[static_cast<size_t>(driveIndex_)];
    session_.setDrive(std::string(1, active) + ":");
    log_.setActiveDrive(active);
}

void CMainWindow::takeStartupRequest() {
    const StartupRequest request =
        interpretCommandLine(commandLineFile_, options_.autoPlay, readFileHead);
    if (request.kind == StartupRequest::CdaError)
        fatalStartupError(kCdaErrorMessage);
    if (request.kind == StartupRequest::None)
        return;
    if (request.kind != StartupRequest::AutoPlay)
        chooseDrive(request.driveLetter);
    log_.logEvent(2026, "%s", startupLogText(request).c_str());
    session_.requestStartPlay(makeTmsf(static_cast<std::uint8_t>(request.track), 0, 0, 0));
}

void CMainWindow::prepareControls() {
    applyFlags();
    for (std::size_t i = 0; i < std::size(kButtonBitmaps); ++i) {
        ui::CImageButton& button = buttons_[i];
        button.normalBitmap = kButtonBitmaps[i].normal;
        button.disabledBitmap = kButtonBitmaps[i].disabled;
        button.setTransparency(true, RGB(255, 255, 255));
        button.attach(hwnd(), kButtonBitmaps[i].control);
    }
    session_.controls().setControlsBusy();
    displayPanel_.attach(*this);
    setTrayIcon(IDI_RUBO);
    setTrayTip("%s", kProgramName);
    if (loadTrayMenu(IDR_TRAY_MENU)) {
        // Above the separator before Exit.
        HMENU popup = GetSubMenu(trayMenu(), 0);
        const int items = popup ? GetMenuItemCount(popup) : 0;
        if (items >= 2)
            trayPlayModes_ = insertPlayModeSubmenu(popup, static_cast<UINT>(items - 2));
    }
    prepareVolumeControl();
    serverList_ = readServerList(settings_);
}

void CMainWindow::prepareVolumeControl() {
    const char letter = session_.drive().empty() ? 'D' : session_.drive()[0];
    const auto type = options_.volumeTypes.find(letter);
    const unsigned long volumeType = type != options_.volumeTypes.end()
                                         ? static_cast<unsigned long>(type->second)
                                         : static_cast<unsigned long>(kVolumeTypeCd);
    log_.logSystem("Volume type:   %lu", volumeType);
    volumeSlider_.open(item(IDC_VOLUME), volumeType, log_);
}

PackedTmsf CMainWindow::playerTrackPosition() const {
    const MainDisplay* display = session_.display();
    return display ? display->uiTrackPosition() : 0;
}

void CMainWindow::transportCommand(int commandId) {
    if (playModeCommand(commandId))
        return;
    if (TransportCommands* commands = session_.commands())
        dispatchTransportCommand(*commands, commandId);
}

void CMainWindow::onTimer(UINT_PTR) {
    refreshDisplay();
    if (!closing_)
        discText_.tick();
    if (options_.logging)
        log_.flush();
}

void CMainWindow::refreshDisplay() {
    MainDisplay* display = session_.display();
    if (!display)
        return;
    // The shutdown's tray tip stays.
    displayPanel_.show(display->refresh(options_), !closing_);
    displayPanel_.passKeyboardToPlay();
    volumeSlider_.tick();
    taskbar_.show(taskbarStateOf(session_));
}

bool CMainWindow::onCommand(int id, int code, HWND control) {
    if (const int button = taskbar_.buttonCommand(id, code)) {
        transportCommand(button);
        return true;
    }
    switch (id) {
    case IDC_TINY_SIZE:
        enterTinyMode();
        return true;
    case IDC_ABOUT:
    case ID_TRAY_ABOUT:
        showAbout();
        return true;
    case IDC_FREEDB:
        discText_.lookUp(hwnd());
        return true;
    case IDC_EDIT_INFO:
        discText_.edit(hwnd());
        return true;
    case IDC_OPTIONS:
        showOptions();
        return true;
    case ID_TRAY_MAXIMIZE:
        onTrayDoubleClick(); // the same restore as a double click on the icon
        return true;
    case ID_TRAY_EXIT:
        PostMessageA(hwnd(), WM_CLOSE, 0, 0);
        return true;
    default:
        break;
    }
    if (playModeCommand(id))
        return true;
    if (TransportCommands* commands = session_.commands();
        commands && dispatchTransportCommand(*commands, id))
        return true;
    return CToolTipDialog::onCommand(id, code, control);
}

void CMainWindow::onCancel() {
    // Escape is handled in preTranslate; the close box arrives as WM_CLOSE.
}

void CMainWindow::onClose() {
    if (closing_)
        return;
    closing_ = true;
    stopWorker();
    endDialog(IDCANCEL);
}

void CMainWindow::stopWorker() {
    session_.requestQuit();
    SetWindowTextA(hwnd(), kShutdownTitle);
    setTrayTip("%s", kShutdownTitle);
    updateTrayIcon();
    session_.waitForQuit();
    afterWorker([&log = log_] { log.flush(); });
}

void CMainWindow::afterWorker(std::function<void()> step) {
    if (runAfterWorker(session_.workerEnd(), std::move(step), kAfterForcedEndMs))
        return;
    // The ended worker holds a lock for good; waiting on it would hang the
    // close, and every rewrite of RUBO.ini is whole, so the process ends here.
    removeTrayIcon();
    ExitProcess(0);
}

void CMainWindow::onDestroy() {
    ui::MessageFilter::setAccelerators(nullptr, nullptr);
    KillTimer(hwnd(), kDisplayTimerId);
    mediaHotKeys_.release();
    CToolTipDialog::onDestroy();
    savePosition();
    volumeSlider_.close();
    // Everything is saved: a lookup still waiting for the network is not
    // waited for, nor is its client taken away under it.
    if (!discText_.endWithin(kNewDiscLookupCloseWaitMs)) {
        log_.flush();
        ExitProcess(0);
    }
}

void CMainWindow::savePosition() {
    WindowRect position;
    if (ui::normalWindowRect(hwnd(), position))
        afterWorker([&settings = settings_, position] {
            writeWindowRect(settings, kPositionSection, position);
        });
}

void CMainWindow::restorePosition() {
    ui::restoreWindowPosition(settings_, hwnd(), kPositionSection, options_.rememberPos == 1);
}

bool CMainWindow::preTranslate(MSG& msg) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && IsWindowEnabled(hwnd()) &&
        (msg.hwnd == hwnd() || IsChild(hwnd(), msg.hwnd))) {
        // Posted, so that no modal loop runs inside the message filter.
        if (options_.escapeKey == kEscapeCloses)
            PostMessageA(hwnd(), WM_CLOSE, 0, 0);
        else if (options_.escapeKey == kEscapeToTiny)
            PostMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(IDC_TINY_SIZE, BN_CLICKED), 0);
        return true;
    }
    // Seen before the bar gets it: no subclass on the bar, whose every
    // message (each repaint) would look the subclass up.
    // A click on it plays from that part of the track.
    if (msg.message == WM_LBUTTONDOWN && GetParent(msg.hwnd) == hwnd() &&
        GetDlgCtrlID(msg.hwnd) == IDC_PROGRESS) {
        const std::optional<int> position = displayPanel_.progressAt(msg.lParam);
        if (TransportCommands* commands = session_.commands(); position && commands)
            commands->seekInTrack(*position);
    }
    return CToolTipDialog::preTranslate(msg);
}

void CMainWindow::prepareTrayMenu(HMENU popup) {
    const ControlStates states = session_.controls().currentStates(session_.view().uiMode);
    const struct {
        int id;
        bool on;
    } items[] = {{ID_TRAY_PLAY, states.play},
                 {ID_TRAY_PAUSE, states.pause},
                 {ID_TRAY_STOP, states.stop},
                 {ID_TRAY_PREVIOUS, states.prev},
                 {ID_TRAY_NEXT, states.next}};
    for (const auto& entry : items)
        EnableMenuItem(popup, static_cast<UINT>(entry.id),
                       MF_BYCOMMAND | (entry.on ? MF_ENABLED : MF_GRAYED));
    if (trayPlayModes_)
        fillPlayModeMenu(trayPlayModes_, playModeNow(), programOffered());
}

bool CMainWindow::playModeCommand(int id) {
    const std::optional<int> mode = playModeOfCommand(id, options_.playMode);
    if (!mode)
        return false;
    choosePlayMode(*mode);
    return true;
}

void CMainWindow::choosePlayMode(int mode) {
    // Shuffle chosen again is a new shuffle: the worker makes a new order.
    options_.playMode = mode;
    log_.logEvent(2079, kPlayModeLogFormat, playModeName(mode));
    writeOption(settings_, &Options::playMode, mode);
    session_.applyWorkerOptions();
}

void CMainWindow::showPlayModeMenu(LPARAM screenPoint) {
    POINT at{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    if (screenPoint == -1) { // from the keyboard: below the display's corner
        RECT display{};
        GetWindowRect(item(IDC_DISPLAY), &display);
        at = {display.left, display.bottom};
    }
    // The menu's loop keeps the tick running; a mode needs no disc, so the
    // choice holds whatever the drive did meanwhile.
    const int command = trackPlayModeMenu(hwnd(), at, playModeNow(), programOffered());
    if (command != 0)
        playModeCommand(command);
}

int CMainWindow::playModeNow() const {
    return playModeInForce(options_.playMode, session_.view().disc);
}

bool CMainWindow::programOffered() const {
    return playModeInForce(kPlayModeProgram, session_.view().disc) == kPlayModeProgram;
}

void CMainWindow::showAbout() {
    CAboutDialog about(hwnd());
    about.doModal();
}

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
        displayPanel_.applyFont(options_);
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
    mediaHotKeys_.apply(hwnd(), options_.globalMediaKeys != 0);
}

void CMainWindow::writeSettings() {
    reportSave(saveOptions(settings_, options_, driveList_), settings_.path());
}

void CMainWindow::enterTinyMode() {
    log_.logEvent(2078, "M : Tiny mode");
    EnableWindow(hwnd(), FALSE);
    ShowWindow(hwnd(), SW_HIDE);
    if (options_.showTinyHelp) {
        CTinyHelpDialog help(hwnd());
        help.doModal();
        if (help.dontShowAgain()) {
            options_.showTinyHelp = 0;
            writeOption(settings_, &Options::showTinyHelp, options_.showTinyHelp);
        }
    }
    {
        CTinyDialog tiny(*this);
        tiny.doModal();
    }
    log_.logEvent(2101, "M : Exit Tiny mode");
    ShowWindow(hwnd(), SW_RESTORE);
    EnableWindow(hwnd(), TRUE);
}

bool CMainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (taskbar_.onMessage(message))
        return true;
    switch (message) {
    case WM_PAINT:
        if (firstPaint_) {
            firstPaint_ = false;
            restorePosition();
            displayPanel_.startKeyboardOnPlay();
        }
        return false;
    case WM_SIZING:
        MainWindowLayout::limitSizing(static_cast<int>(wParam), *reinterpret_cast<RECT*>(lParam));
        result = TRUE;
        return true;
    case WM_SIZE:
        if (layout_.recorded() && GetWindow(hwnd(), GW_CHILD)) {
            layout_.apply();
            InvalidateRect(hwnd(), nullptr, TRUE);
            UpdateWindow(hwnd());
        }
        break;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != item(IDC_DISPLAY))
            break;
        showPlayModeMenu(lParam);
        result = TRUE;
        return true;
    case WM_DEVICECHANGE:
        session_.onDeviceChange(deviceChangeNotice(wParam, lParam));
        result = TRUE;
        return true;
    case WM_APPCOMMAND:
    case WM_HOTKEY:
        if (!handleMediaKey(*this, message, lParam))
            break;
        result = TRUE;
        return true;
    default:
        break;
    }
    return CToolTipDialog::onMessage(message, wParam, lParam, result);
}

} // namespace rubo
