#pragma once

// Property pages: the notifications of the sheet as virtual handlers, and
// the page base with tool tips from the string table.

#include "ui/dialog_base_win32.h"
#include "ui/tooltip_set_win32.h"

namespace rubo::ui {

class PropertyPageBase : public DialogBase {
public:
    explicit PropertyPageBase(int templateId) : DialogBase(templateId, nullptr) {}

protected:
    // PSN_APPLY; false keeps the sheet open on this page.
    virtual bool onApply() { return true; }
    // PSN_SETACTIVE.
    virtual void onSetActive() {}
    // PSN_KILLACTIVE; false keeps the user on this page.
    virtual bool onKillActive() { return true; }
    bool onNotify(NMHDR& header, LRESULT& result) override;
};

class ToolTipPropertyPage : public PropertyPageBase {
public:
    explicit ToolTipPropertyPage(int templateId) : PropertyPageBase(templateId) {}

    // The process-wide tool-tip flag of property pages (0 until set).
    static void setToolTipsActive(bool active);
    static bool toolTipsActive();
    // Activates or deactivates this page's tool tips by the flag.
    void refreshToolTipsActive() { tips_.setActive(toolTipsActive()); }
    HWND toolTip() const { return tips_.window(); }

    bool preTranslate(MSG& msg) override;

protected:
    // Derived classes call the base first.
    BOOL onInitDialog() override;
    void onDestroy() override;

private:
    ToolTipSet tips_;
};

} // namespace rubo::ui
