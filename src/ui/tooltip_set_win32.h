#pragma once

// The tool tips of one dialog or property page: one tool per direct child
// whose control id has a string-table entry, the relay of mouse messages,
// and the list-box expansion ("TOOLTIPEXPAND").

#include <windows.h>

namespace rubo::ui {

class ToolTipSet {
public:
    // Creates the tool-tip control for `owner` and adds its children.
    void attach(HWND owner, bool active);
    void setActive(bool active);
    // Forgets the control (destroyed with its owner).
    void release() {
        toolTip_ = nullptr;
        owner_ = nullptr;
    }
    HWND window() const { return toolTip_; }
    // Relays a mouse message over one of the owner's children.
    void relay(const MSG& msg);

private:
    void expandListBoxTip(HWND child, const MSG& msg);

    HWND owner_ = nullptr;
    HWND toolTip_ = nullptr;
};

} // namespace rubo::ui
