#pragma once

// Dialog base with tool tips from the string table (one per control id) and
// the tray icon of the dialog (identifier 1, callback message 1025).

#include "base/text_format.h"
#include "base/unique_handle_win32.h"
#include "ui/dialog_base_win32.h"
#include "ui/tooltip_set_win32.h"

#include <shellapi.h>

namespace rubo::ui {

inline constexpr UINT kTrayCallbackMessage = WM_USER + 1; // 1025
inline constexpr UINT kTrayIconId = 1;

class CToolTipDialog : public DialogBase {
public:
    CToolTipDialog(int templateId, HWND parent);
    ~CToolTipDialog() override;

    // The process-wide tool-tip flag of dialogs (0 until set).
    static void setToolTipsActive(bool active);
    static bool toolTipsActive();
    // Activates or deactivates this dialog's tool tips by the flag.
    void refreshToolTipsActive();
    HWND toolTip() const { return tips_.window(); }

    // Tray icon.
    bool setTrayIcon(int iconId);
    void setTrayTip(const char* format, ...) RUBO_PRINTF_FORMAT(2, 3);
    const char* trayTip() const { return tray_.szTip; }
    bool loadTrayMenu(int menuId);
    HMENU trayMenu() const { return trayMenu_.get(); }
    void setTrayEnabled(bool enabled) { trayEnabled_ = enabled; }
    bool inTray() const { return inTray_; }
    bool addTrayIcon();
    bool removeTrayIcon();
    bool updateTrayIcon();

    // How the tray operations reach the shell; Shell_NotifyIconA unless a
    // test replaces it (null restores it).
    using TrayNotifier = BOOL (*)(DWORD action, NOTIFYICONDATAA& data);
    static void setTrayNotifier(TrayNotifier notifier);

    bool preTranslate(MSG& msg) override;

    // Tray mouse actions, in this order.
    virtual void onTrayLeftClick();
    virtual void onTrayDoubleClick(); // restore
    virtual void onTrayRightClick();  // the menu

protected:
    // Derived classes call the base first.
    BOOL onInitDialog() override;
    void onDestroy() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    // Called with the tray popup before it is shown, to set item states.
    virtual void prepareTrayMenu(HMENU popup) { (void)popup; }
    void showTrayMenu();

private:
    ToolTipSet tips_;
    NOTIFYICONDATAA tray_{};
    bool inTray_ = false;
    bool trayEnabled_ = false;
    UniqueMenu trayMenu_;
    int trayDefaultItem_ = 0;
    UniqueIcon trayIcon_; // the shell keeps a copy of what it was given
};

} // namespace rubo::ui
