#pragma once

#include <windows.h>

namespace rubo {

// Makes `owner` the owner of the message boxes this thread shows (null: the
// active window, as by default); returns the owner before.
HWND setMessageOwner(HWND owner);

} // namespace rubo
