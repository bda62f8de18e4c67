#pragma once

// The help shown before the Tiny window, with "Don't show me this again".

#include "base/unique_handle_win32.h"
#include "ui/tooltip_dialog_win32.h"

namespace rubo {

class CTinyHelpDialog : public ui::CToolTipDialog {
public:
    explicit CTinyHelpDialog(HWND parent);
    // The state of the check box when the dialog ended with OK.
    bool dontShowAgain() const { return dontShowAgain_ != 0; }

protected:
    BOOL onInitDialog() override;
    void onOk() override;

private:
    int dontShowAgain_ = 0;
    UniqueBitmap picture_;
};

} // namespace rubo
