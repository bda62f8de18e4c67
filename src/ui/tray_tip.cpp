#include "ui/tray_tip.h"

namespace rubo::ui {

std::string trayTipText(const std::string& formatted) {
    if (formatted.empty())
        return kEmptyTrayTip;
    return formatted.substr(0, kTrayTipMaxChars);
}

} // namespace rubo::ui
