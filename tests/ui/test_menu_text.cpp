#include <doctest.h>

#include "ui/menu_text.h"

TEST_CASE("a menu item shows every ampersand of its text, none as a key mark") {
    CHECK(rubo::ui::menuItemText("Odile Brankov & Marrow Street Band") ==
          "Odile Brankov && Marrow Street Band");
    CHECK(rubo::ui::menuItemText("&&A&") == "&&&&A&&");
}
