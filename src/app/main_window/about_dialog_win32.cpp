#include "app/main_window/about_dialog_win32.h"

#include "app/startup.h"
#include "base/text_format.h"
#include "freedb/freedb_operations.h"
#include "res/resource.h"

namespace rubo {

CAboutDialog::CAboutDialog(HWND parent) : CToolTipDialog(IDD_ABOUT, parent) {}

BOOL CAboutDialog::onInitDialog() {
    CToolTipDialog::onInitDialog();
    const std::string version = formatText("Version %s   (%s)", kProgramVersion, kBuildDate);
    setItemText(IDC_ABOUT_VERSION, version);
    const COLORREF blue = RGB(0, 0, 255);
    ui::CHyperLink::setColours(blue, blue, RGB(128, 0, 128), blue);
    website_.setTarget(kWebsiteAddress);
    website_.attach(hwnd(), IDC_ABOUT_WEBSITE);
    email_.setTarget(formatText("mailto:%s", kSupportAddress));
    email_.attach(hwnd(), IDC_ABOUT_EMAIL);
    return TRUE;
}

} // namespace rubo
