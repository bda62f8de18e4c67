#pragma once

// The main window's size limits and how its controls follow a new client
// size, without any window.

#include <utility>
#include <vector>

namespace rubo {

inline constexpr int kMainMinWidth = 419;
inline constexpr int kMainMaxWidth = 2000;
inline constexpr int kMainMinHeight = 115;
inline constexpr int kMainMaxHeight = 2000;

// Dragged edges as WM_SIZING names them (the WMSZ_ values).
inline constexpr int kSizingLeft = 1;
inline constexpr int kSizingRight = 2;
inline constexpr int kSizingTop = 3;
inline constexpr int kSizingTopLeft = 4;
inline constexpr int kSizingTopRight = 5;
inline constexpr int kSizingBottom = 6;
inline constexpr int kSizingBottomLeft = 7;
inline constexpr int kSizingBottomRight = 8;

struct LayoutRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const LayoutRect& other) const;
    bool operator!=(const LayoutRect& other) const { return !(*this == other); }
};

// Keeps a dragged window rectangle within the size limits by moving the
// dragged edge. True when the rectangle was changed.
bool limitSizingRect(LayoutRect& rect, int edge);

enum class LayoutRule {
    Display,     // stretches with the client area
    ProgressBar, // stretches in width; follows the display's bottom
    LeftButton,  // keeps left and width; follows the progress bar's bottom
    RightControl // keeps right distance and width; follows the progress bar's bottom
};

LayoutRule layoutRuleFor(int controlId);

// The control rectangles of the dialog template (client coordinates) and
// where they go for another client size.
class MainLayout {
public:
    using Placement = std::vector<std::pair<int, LayoutRect>>; // control id -> rectangle

    void record(int clientWidth, int clientHeight, const Placement& controls);
    // Every recorded control, in recorded order, moved for the new size.
    Placement place(int clientWidth, int clientHeight) const;
    bool recorded() const { return recorded_; }

private:
    LayoutRect recordedRect(int controlId) const;

    bool recorded_ = false;
    int width_ = 0;
    int height_ = 0;
    Placement controls_;
};

} // namespace rubo
