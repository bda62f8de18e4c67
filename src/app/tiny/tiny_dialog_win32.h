#pragma once

// The Tiny window: a caption with the player status and five pictures that
// send their transport command to the main window.

#include "discinfo/disc_model.h"
#include "settings/options.h"
#include "ui/image_static_win32.h"
#include "ui/tooltip_dialog_win32.h"

#include <cstdint>
#include <string>

namespace rubo {

// What the Tiny window reads of the main window on each tick.
class TinyOwner {
public:
    virtual ~TinyOwner() = default;
    virtual HWND ownerWindow() const = 0;
    virtual std::uint32_t playerMode() const = 0;
    virtual const DiscInfo& playerDisc() const = 0;
    virtual PackedTmsf playerTrackPosition() const = 0;
    virtual bool transportEnabled() const = 0;
    virtual const Options& playerOptions() const = 0;
    // Where the Tiny window's position is kept.
    virtual SettingsFile& playerSettings() = 0;
    // A transport button's command (1000..1004), or an accelerator's.
    virtual void transportCommand(int commandId) = 0;
    // The keyboard shortcuts, translated for the Tiny window while it is shown.
    virtual HACCEL playerAccelerators() const = 0;
};

inline constexpr UINT_PTR kTinyTimerId = 1;
inline constexpr UINT kTinyTimerMs = 200;

class CTinyDialog : public ui::CToolTipDialog {
public:
    explicit CTinyDialog(TinyOwner& owner);

    // Caption and pictures from the owner's state, repainted at once.
    void refreshStatus();

protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    void onTimer(UINT_PTR id) override;
    void onDestroy() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void layoutPictures();
    void restorePosition();
    void savePosition();

    TinyOwner& owner_;
    ui::CImageStatic pictures_[5];
    bool firstPaint_ = true;
    bool shown_ = false;  // a status has been drawn
    std::string caption_; // the caption drawn last
};

} // namespace rubo
