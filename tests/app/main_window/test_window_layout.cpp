#include <doctest.h>

#include "app/main_window/window_layout.h"

using namespace rubo;

namespace {

LayoutRect rect(int left, int top, int right, int bottom) {
    LayoutRect r;
    r.left = left;
    r.top = top;
    r.right = right;
    r.bottom = bottom;
    return r;
}

} // namespace

TEST_CASE("sizing keeps the limits by moving the dragged edge") {
    struct Case {
        const char* what;
        int edge;
        LayoutRect before;
        LayoutRect after;
        bool changed;
    };
    const Case cases[] = {
        {"left, too narrow", kSizingLeft, rect(100, 50, 400, 300), rect(-19, 50, 400, 300), true},
        {"right, too narrow", kSizingRight, rect(100, 50, 400, 300), rect(100, 50, 519, 300), true},
        {"top, too low", kSizingTop, rect(0, 200, 500, 250), rect(0, 135, 500, 250), true},
        {"bottom, too low", kSizingBottom, rect(0, 200, 500, 250), rect(0, 200, 500, 315), true},
        {"top-left, both small", kSizingTopLeft, rect(100, 100, 200, 150), rect(-219, 35, 200, 150),
         true},
        {"bottom-left, both small", kSizingBottomLeft, rect(100, 100, 200, 150),
         rect(-219, 100, 200, 215), true},
        {"bottom-right, too big", kSizingBottomRight, rect(0, 0, 2500, 2100),
         rect(0, 0, 2000, 2000), true},
        {"within limits", kSizingBottomRight, rect(10, 10, 429, 125), rect(10, 10, 429, 125),
         false},
    };
    for (const Case& c : cases) {
        CAPTURE(c.what);
        LayoutRect r = c.before;
        CHECK(limitSizingRect(r, c.edge) == c.changed);
        CHECK(r == c.after);
    }
}

TEST_CASE("layout rules by control id") {
    CHECK(layoutRuleFor(1023) == LayoutRule::Display);
    CHECK(layoutRuleFor(1020) == LayoutRule::ProgressBar);
    for (int id = 1000; id <= 1005; ++id)
        CHECK(layoutRuleFor(id) == LayoutRule::LeftButton);
    for (int id : {999, 1006, 1007, 1008, 1031, 1046, 1089, 1114})
        CHECK(layoutRuleFor(id) == LayoutRule::RightControl);
}

TEST_CASE("controls follow a new client size") {
    MainLayout layout;
    CHECK_FALSE(layout.recorded());
    const MainLayout::Placement recorded = {
        {1023, rect(5, 5, 395, 60)},    // display
        {1031, rect(300, 40, 395, 60)}, // volume slider, above the bar
        {1020, rect(5, 65, 395, 75)},   // progress bar
        {1002, rect(5, 80, 35, 100)},   // Play
        {1008, rect(340, 80, 395, 100)} // Tracks
    };
    layout.record(400, 200, recorded);
    CHECK(layout.recorded());
    CHECK(layout.place(400, 200) == recorded);

    const MainLayout::Placement wider = {
        {1023, rect(5, 5, 595, 160)},     {1031, rect(500, 140, 595, 160)},
        {1020, rect(5, 165, 595, 175)},   {1002, rect(5, 180, 35, 200)},
        {1008, rect(540, 180, 595, 200)},
    };
    CHECK(layout.place(600, 300) == wider);
}
