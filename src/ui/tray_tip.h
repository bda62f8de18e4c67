#pragma once

// The tray icon's tip text.

#include <cstddef>
#include <string>

namespace rubo::ui {

// The tip field holds 64 bytes with the terminator.
inline constexpr std::size_t kTrayTipMaxChars = 63;
inline constexpr const char kEmptyTrayTip[] = "?";

// A tip formatted by the caller, cut to 63 characters; "?" when empty.
std::string trayTipText(const std::string& formatted);

} // namespace rubo::ui
