#include "app/tiny/tiny_help_dialog_win32.h"

#include "res/resource.h"

namespace rubo {

CTinyHelpDialog::CTinyHelpDialog(HWND parent) : CToolTipDialog(IDD_TINY_HELP, parent) {}

BOOL CTinyHelpDialog::onInitDialog() {
    CToolTipDialog::onInitDialog();
    picture_.reset(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr),
                                                   MAKEINTRESOURCEA(IDB_TINY_HELP), IMAGE_BITMAP, 0,
                                                   0, LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT)));
    if (picture_) {
        // The control hands back the picture its template loaded, ours to free.
        UniqueBitmap loaded(reinterpret_cast<HBITMAP>(
            sendItemMessage(IDC_TINY_HELP_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(picture_.get()))));
        if (loaded.get() == picture_.get())
            loaded.release();
    }
    checkItem(IDC_TINY_HELP_HIDE, dontShowAgain_ != 0);
    return TRUE;
}

void CTinyHelpDialog::onOk() {
    dontShowAgain_ = isItemChecked(IDC_TINY_HELP_HIDE) ? 1 : 0;
    CToolTipDialog::onOk();
}

} // namespace rubo
