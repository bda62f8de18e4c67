#include "app/tiny/tiny_dialog_win32.h"

#include "app/main_window/media_keys_win32.h"
#include "app/tiny/tiny_status.h"
#include "res/resource.h"
#include "settings/settings_file.h"
#include "ui/image_pixels.h"
#include "ui/message_filter_win32.h"
#include "ui/pixel_bitmap_win32.h"
#include "ui/window_position_win32.h"

#include <iterator>

namespace rubo {

namespace {

struct TinyPicture {
    int control;
    int disabledBitmap;
    int command;
};
// Left to right; the enabled bitmap has the control's id.
constexpr TinyPicture kPictures[5] = {
    {IDC_TINY_PLAY, IDB_PLAY_DISABLED, IDC_PLAY}, {IDC_TINY_PAUSE, IDB_PAUSE_DISABLED, IDC_PAUSE},
    {IDC_TINY_STOP, IDB_STOP_DISABLED, IDC_STOP}, {IDC_TINY_PREV, IDB_PREV_DISABLED, IDC_PREV},
    {IDC_TINY_NEXT, IDB_NEXT_DISABLED, IDC_NEXT},
};

} // namespace

CTinyDialog::CTinyDialog(TinyOwner& owner)
    : CToolTipDialog(IDD_TINY, owner.ownerWindow()), owner_(owner) {}

BOOL CTinyDialog::onInitDialog() {
    CToolTipDialog::onInitDialog();
    layoutPictures();
    const HWND order = owner_.playerOptions().alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST;
    SetWindowPos(hwnd(), order, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetTimer(hwnd(), kTinyTimerId, kTinyTimerMs, nullptr);
    // The hidden main window is disabled, which takes no shortcut.
    ui::MessageFilter::setAccelerators(hwnd(), owner_.playerAccelerators());
    return TRUE;
}

void CTinyDialog::layoutPictures() {
    // The pictures share the client width evenly, each centred in its cell;
    // enlarged for the DPI, they may need a larger window than the template.
    RECT client{};
    GetClientRect(hwnd(), &client);
    const SIZE picture = ui::bitmapResourceSize(kPictures[0].control);
    const ui::PictureRow row =
        ui::pictureRow(static_cast<int>(std::size(kPictures)), picture.cx, picture.cy,
                       ui::windowDpi(hwnd()), client.right, client.bottom);
    if (row.clientWidth > client.right || row.clientHeight > client.bottom) {
        RECT frame{0, 0, row.clientWidth, row.clientHeight};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(hwnd(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongA(hwnd(), GWL_EXSTYLE)));
        SetWindowPos(hwnd(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (std::size_t i = 0; i < row.cells.size() && i < std::size(kPictures); ++i) {
        const ui::PixelRect& c = row.cells[i];
        const RECT cell{c.left, c.top, c.right, c.bottom};
        pictures_[i].attach(hwnd(), kPictures[i].control, kPictures[i].control,
                            kPictures[i].disabledBitmap, &cell);
    }
}

void CTinyDialog::refreshStatus() {
    const std::uint32_t mode = owner_.playerMode();
    const DiscInfo& disc = owner_.playerDisc();
    const std::string caption = tinyCaption(mode, disc, owner_.playerTrackPosition());
    const TinyImages images = tinyImages(mode, owner_.transportEnabled(), disc.hasAudio);
    const bool states[5] = {images.play, images.pause, images.stop, images.previous, images.next};
    // Every tick asks; only a change is drawn.
    bool changed = !shown_ || caption != caption_;
    for (int i = 0; i < 5; ++i)
        changed = changed || pictures_[i].enabled() != states[i];
    if (!changed)
        return;
    shown_ = true;
    caption_ = caption;
    SetWindowTextA(hwnd(), caption.c_str());
    for (int i = 0; i < 5; ++i)
        pictures_[i].setEnabled(states[i]);
    RedrawWindow(hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool CTinyDialog::onCommand(int id, int code, HWND control) {
    for (const TinyPicture& picture : kPictures) {
        if (picture.control == id && code == STN_CLICKED) {
            owner_.transportCommand(picture.command);
            return true;
        }
    }
    if (code == 1 && !control) { // a shortcut
        owner_.transportCommand(id);
        return true;
    }
    return CToolTipDialog::onCommand(id, code, control);
}

void CTinyDialog::onTimer(UINT_PTR) {
    refreshStatus();
}

void CTinyDialog::onDestroy() {
    KillTimer(hwnd(), kTinyTimerId);
    ui::MessageFilter::setAccelerators(owner_.ownerWindow(), owner_.playerAccelerators());
    CToolTipDialog::onDestroy();
    savePosition();
}

void CTinyDialog::restorePosition() {
    ui::restoreWindowPosition(owner_.playerSettings(), hwnd(), kPositionSmallSection,
                              owner_.playerOptions().rememberPos != 0);
}

void CTinyDialog::savePosition() {
    ui::saveWindowPosition(owner_.playerSettings(), hwnd(), kPositionSmallSection);
}

bool CTinyDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == WM_PAINT && firstPaint_) {
        firstPaint_ = false;
        restorePosition();
        refreshStatus();
    }
    if (message == WM_APPCOMMAND && handleMediaKey(owner_, message, lParam)) {
        result = TRUE;
        return true;
    }
    return CToolTipDialog::onMessage(message, wParam, lParam, result);
}

} // namespace rubo
