#pragma once

// The About box: icon, version and two links.

#include "ui/hyperlink_win32.h"
#include "ui/tooltip_dialog_win32.h"

namespace rubo {

inline constexpr const char kWebsiteAddress[] = "https://rubo-player.example.org/";

class CAboutDialog : public ui::CToolTipDialog {
public:
    explicit CAboutDialog(HWND parent);

protected:
    BOOL onInitDialog() override;

private:
    ui::CHyperLink website_;
    ui::CHyperLink email_;
};

} // namespace rubo
