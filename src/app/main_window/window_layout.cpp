#include "app/main_window/window_layout.h"

#include "res/resource.h"

#include <algorithm>

namespace rubo {

namespace {

// Moves one edge so that the extent lies in [low, high]; true when it moved.
bool limitExtent(int& first, int& second, bool moveFirst, int low, int high) {
    const int extent = second - first;
    const int wanted = std::clamp(extent, low, high);
    if (wanted == extent)
        return false;
    if (moveFirst)
        first = second - wanted;
    else
        second = first + wanted;
    return true;
}

// The rectangle with a new top and its height kept.
LayoutRect verticalAt(LayoutRect rect, int top) {
    rect.bottom = top + rect.height();
    rect.top = top;
    return rect;
}

} // namespace

bool LayoutRect::operator==(const LayoutRect& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
}

bool limitSizingRect(LayoutRect& rect, int edge) {
    const bool leftEdge =
        edge == kSizingLeft || edge == kSizingTopLeft || edge == kSizingBottomLeft;
    const bool topEdge = edge == kSizingTop || edge == kSizingTopLeft || edge == kSizingTopRight;
    const bool widthChanged =
        limitExtent(rect.left, rect.right, leftEdge, kMainMinWidth, kMainMaxWidth);
    const bool heightChanged =
        limitExtent(rect.top, rect.bottom, topEdge, kMainMinHeight, kMainMaxHeight);
    return widthChanged || heightChanged;
}

LayoutRule layoutRuleFor(int controlId) {
    if (controlId == IDC_DISPLAY)
        return LayoutRule::Display;
    if (controlId == IDC_PROGRESS)
        return LayoutRule::ProgressBar;
    // Prev ... Eject, numbered in a row.
    if (controlId >= IDC_PREV && controlId <= IDC_EJECT)
        return LayoutRule::LeftButton;
    return LayoutRule::RightControl;
}

void MainLayout::record(int clientWidth, int clientHeight, const Placement& controls) {
    width_ = clientWidth;
    height_ = clientHeight;
    controls_ = controls;
    recorded_ = true;
}

LayoutRect MainLayout::recordedRect(int controlId) const {
    for (const auto& [id, rect] : controls_) {
        if (id == controlId)
            return rect;
    }
    return LayoutRect();
}

MainLayout::Placement MainLayout::place(int clientWidth, int clientHeight) const {
    const int dx = clientWidth - width_;
    const int dy = clientHeight - height_;
    const LayoutRect oldDisplay = recordedRect(IDC_DISPLAY);
    const LayoutRect oldBar = recordedRect(IDC_PROGRESS);

    // The display stretches; the bar follows its bottom; the rest follow the bar's bottom.
    LayoutRect display = oldDisplay;
    display.right += dx;
    display.bottom += dy;
    LayoutRect bar = verticalAt(oldBar, display.bottom + (oldBar.top - oldDisplay.bottom));
    bar.right += dx;

    Placement placed;
    for (const auto& [id, rect] : controls_) {
        LayoutRect moved = verticalAt(rect, bar.bottom + (rect.top - oldBar.bottom));
        switch (layoutRuleFor(id)) {
        case LayoutRule::Display:
            moved = display;
            break;
        case LayoutRule::ProgressBar:
            moved = bar;
            break;
        case LayoutRule::LeftButton:
            break;
        case LayoutRule::RightControl:
            moved.left += dx;
            moved.right += dx;
            break;
        }
        placed.emplace_back(id, moved);
    }
    return placed;
}

} // namespace rubo
