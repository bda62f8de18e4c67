#pragma once

// Text shown as a menu item as it stands: the menu takes "&" as the mark of
// the item's key, so a disc's "Rock & Roll" would lose its ampersand.

#include <string>

namespace rubo::ui {

std::string menuItemText(const std::string& text);

} // namespace rubo::ui
