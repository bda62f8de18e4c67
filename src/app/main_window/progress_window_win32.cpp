#include "app/main_window/progress_window_win32.h"

#include "base/unique_handle_win32.h"
#include "res/resource.h"
#include "ui/menu_text.h"

namespace rubo::app {

namespace {

// The dialog of showSiteText.
class SiteTextDialog : public ui::DialogBase {
public:
    SiteTextDialog(HWND owner, const FreedbSiteText& text)
        : DialogBase(IDD_SITE_TEXT, owner), text_(text) {}

protected:
    BOOL onInitDialog() override {
        SetWindowTextA(hwnd(), text_.title.c_str());
        setItemText(IDC_SITE_TEXT, text_.text);
        SetFocus(item(IDOK));
        return FALSE;
    }

private:
    const FreedbSiteText& text_;
};

} // namespace

ProgressWindow::ProgressWindow(HWND owner) : DialogBase(IDD_PROGRESS, owner) {}

ProgressWindow::~ProgressWindow() {
    close();
}

void ProgressWindow::open(const std::string& command, const std::string& host) {
    if (!hwnd() && !createModeless())
        return;
    setItemText(IDC_PROGRESS_COMMAND, command);
    setItemText(IDC_PROGRESS_SERVER, host);
    ShowWindow(hwnd(), SW_SHOWNA);
    paintNow();
}

void ProgressWindow::close() {
    if (hwnd())
        endDialog(0);
}

void ProgressWindow::showServer(const std::string& host) {
    if (!hwnd())
        return;
    setItemText(IDC_PROGRESS_SERVER, host);
    paintNow();
}

void ProgressWindow::paintNow() {
    HideCaret(hwnd());
    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

int ProgressWindow::trackMenu(const std::vector<std::string>& items, int firstCommand) {
    UniqueMenu menu(CreatePopupMenu());
    if (!menu)
        return 0;
    for (std::size_t i = 0; i < items.size(); ++i)
        AppendMenuA(menu.get(), MF_STRING,
                    static_cast<UINT_PTR>(firstCommand + static_cast<int>(i)),
                    ui::menuItemText(items[i]).c_str());
    POINT at{};
    GetCursorPos(&at);
    HWND owner = hwnd() ? hwnd() : parent();
    // The menu closes on a click elsewhere only while its owner is in front.
    SetForegroundWindow(owner);
    const int command = static_cast<int>(TrackPopupMenu(
        menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr));
    PostMessageA(owner, WM_NULL, 0, 0);
    return command;
}

void showSiteText(HWND owner, const FreedbSiteText& text) {
    SiteTextDialog dialog(owner, text);
    dialog.doModal();
}

} // namespace rubo::app
