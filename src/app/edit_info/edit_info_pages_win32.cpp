#include "app/edit_info/edit_info_pages_win32.h"

#include "res/resource.h"

namespace rubo {

CInfoPage::CInfoPage(int templateId, HWND tabControl, int updateId, CommandHandler handler)
    : CToolTipDialog(templateId, tabControl), updateId_(updateId), handler_(std::move(handler)) {}

bool CInfoPage::preTranslate(MSG& msg) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE)
        return true;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
        const LRESULT code =
            SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
        if (!(code & DLGC_WANTALLKEYS)) {
            SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(updateId_, BN_CLICKED),
                         reinterpret_cast<LPARAM>(item(updateId_)));
            return true;
        }
    }
    return CToolTipDialog::preTranslate(msg);
}

void CInfoPage::fillList(int id, const std::vector<std::string>& lines) {
    HWND list = item(id);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : lines)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

bool CInfoPage::onCommand(int id, int code, HWND control) {
    (void)control;
    if (handler_)
        handler_(id, code);
    return true;
}

CNormalInfoPage::CNormalInfoPage(HWND tabControl, CommandHandler handler)
    : CInfoPage(IDD_EDIT_INFO_NORMAL, tabControl, IDC_EI_UPDATE_TITLE, std::move(handler)) {}

CExtendedInfoPage::CExtendedInfoPage(HWND tabControl, CommandHandler handler)
    : CInfoPage(IDD_EDIT_INFO_EXTENDED, tabControl, IDC_EI_UPDATE_EXTENDED, std::move(handler)) {}

} // namespace rubo
