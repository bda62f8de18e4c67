#pragma once

// The main window: the player's dialog with the display, the transport
// buttons, the volume slider and the tray icon. The player behind it (the
// worker thread and what the user-interface thread keeps of it) is its
// PlayerSession.

#include "app/command_line.h"
#include "app/main_window/disc_text_actions_win32.h"
#include "app/main_window/main_display_panel_win32.h"
#include "app/main_window/main_transport_window_win32.h"
#include "app/main_window/main_window_layout_win32.h"
#include "app/main_window/media_keys_win32.h"
#include "app/main_window/player_session.h"
#include "app/main_window/taskbar_buttons_win32.h"
#include "app/main_window/volume_slider_win32.h"
#include "app/options/options_sheet_model.h"
#include "app/tiny/tiny_dialog_win32.h"
#include "base/event_log.h"
#include "freedb/freedb_client.h"
#include "settings/options.h"
#include "ui/gdi_objects_win32.h"
#include "ui/image_button_win32.h"
#include "ui/tooltip_dialog_win32.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace rubo {

inline constexpr UINT_PTR kDisplayTimerId = 1;
inline constexpr UINT kDisplayTimerMs = 100;
inline constexpr const char kShutdownTitle[] = "RUBO Shutting down...";
// The picture buttons: Play, Pause, Stop, Prev, Next, Eject.
inline constexpr std::size_t kMainButtonCount = 6;

class CMainWindow : public ui::CToolTipDialog, public TinyOwner {
public:
    // settings, log: the program's, kept by the caller for the window's
    // life; driveList: the CD-ROM drive letters; file: the command line's
    // file; accelerators: translated for this window in every message loop.
    CMainWindow(SettingsFile& settings, EventLog& log, std::string driveList,
                std::string commandLineFile, HACCEL accelerators);
    ~CMainWindow() override;

    // Hides this window and runs the Tiny window until the user leaves it.
    void enterTinyMode();

    // TinyOwner
    HWND ownerWindow() const override { return hwnd(); }
    std::uint32_t playerMode() const override { return session_.view().uiMode; }
    const DiscInfo& playerDisc() const override { return session_.view().disc; }
    PackedTmsf playerTrackPosition() const override;
    bool transportEnabled() const override { return session_.controls().controlsEnabled(); }
    const Options& playerOptions() const override { return options_; }
    SettingsFile& playerSettings() override { return settings_; }
    void transportCommand(int commandId) override;
    HACCEL playerAccelerators() const override { return accelerators_; }

protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    void onTimer(UINT_PTR id) override;
    void onOk() override {}
    void onCancel() override;
    void onClose() override;
    void onDestroy() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    bool preTranslate(MSG& msg) override;
    void prepareTrayMenu(HMENU popup) override;

private:
    // Start-up steps.
    void readSettings();
    void chooseDrive(char letter);
    void takeStartupRequest();
    void prepareControls();
    void prepareVolumeControl();

    // Shutdown.
    void stopWorker();
    // A close step that takes the log's or the settings' lock (see
    // runAfterWorker); ends the process when it cannot finish.
    void afterWorker(std::function<void()> step);
    void savePosition();
    void restorePosition();

    // The display tick: the model's texts to the panel, then the slider.
    void refreshDisplay();

    // Play modes: a menu item's or shortcut's mode is taken, kept in RUBO.ini
    // and handed to the worker, which makes its new order.
    bool playModeCommand(int id);
    void choosePlayMode(int mode);
    void showPlayModeMenu(LPARAM screenPoint);
    int playModeNow() const;
    bool programOffered() const;

    void showAbout();
    // The Options button: runs the sheet and takes its values over on OK.
    void showOptions();

    // Steps of the sheet's OK; they read options_, which holds the sheet's
    // values by then. Set-up takes the options through the same applyFlags
    // and PlayerSession::applyLogSwitches.
    // The new driveIndex_: resets the disc, reopens the device, disables
    // the transport until the worker reports.
    void changeDrive();
    // Option flags, time formats, tool tips, the INI mode, the worker's
    // options.
    void applyFlags();
    // All options to the settings file.
    void writeSettings();

    SettingsFile& settings_;
    EventLog& log_;
    // The CD-ROM drive letters as given; the active one is driveIndex_'s.
    const std::string driveList_;
    std::string commandLineFile_;
    HACCEL accelerators_ = nullptr;
    int driveIndex_ = 0;
    Options options_;
    // Section "Servers": the freedb servers the options offer.
    std::vector<FreedbSite> serverList_;

    MainTransportWindow transportWindow_;
    PlayerSession session_{transportWindow_, options_, settings_, log_};
    VolumeSlider volumeSlider_;
    DiscTextActions discText_{session_, options_, settings_, log_};
    ui::CImageButton buttons_[kMainButtonCount];
    ui::WindowIcons icons_; // outlives the window, which borrows them
    MainDisplayPanel displayPanel_;
    MainWindowLayout layout_;
    TaskbarButtons taskbar_;
    MediaHotKeys mediaHotKeys_{log_};

    HMENU trayPlayModes_ = nullptr; // the tray menu's submenu, owned by that menu
    bool closing_ = false;
    bool firstPaint_ = true;
};

} // namespace rubo
