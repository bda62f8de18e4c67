#include "ui/property_page_win32.h"

#include <commctrl.h>

namespace rubo::ui {

namespace {

// Process-wide tool-tip flag of property pages; 0 until set.
bool pageToolTipsActive = false;

} // namespace

bool PropertyPageBase::onNotify(NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case PSN_APPLY:
        result = onApply() ? PSNRET_NOERROR : PSNRET_INVALID;
        return true;
    case PSN_SETACTIVE:
        onSetActive();
        result = 0;
        return true;
    case PSN_KILLACTIVE:
        result = onKillActive() ? FALSE : TRUE;
        return true;
    default:
        return false;
    }
}

void ToolTipPropertyPage::setToolTipsActive(bool active) {
    pageToolTipsActive = active;
}

bool ToolTipPropertyPage::toolTipsActive() {
    return pageToolTipsActive;
}

BOOL ToolTipPropertyPage::onInitDialog() {
    const BOOL result = PropertyPageBase::onInitDialog();
    tips_.attach(hwnd(), pageToolTipsActive);
    return result;
}

void ToolTipPropertyPage::onDestroy() {
    tips_.release();
    PropertyPageBase::onDestroy();
}

bool ToolTipPropertyPage::preTranslate(MSG& msg) {
    if (pageToolTipsActive)
        tips_.relay(msg);
    return PropertyPageBase::preTranslate(msg);
}

} // namespace rubo::ui
