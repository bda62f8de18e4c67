#include <doctest.h>

#include "ui/tray_tip.h"

#include <string>

using namespace rubo::ui;

TEST_CASE("tray tips are cut to 63 characters; empty shows ?") {
    CHECK(trayTipText("") == "?");
    CHECK(trayTipText("RUBO: no disc") == "RUBO: no disc");
    const std::string exact(63, 'a');
    CHECK(trayTipText(exact) == exact);
    CHECK(trayTipText(exact + "b") == exact);
    CHECK(trayTipText(std::string(511, 'c')) == std::string(63, 'c'));
}
