#pragma once

// Between GDI bitmaps and the plain pixels of image_pixels.h.

#include "base/unique_handle_win32.h"
#include "ui/image_pixels.h"

#include <windows.h>

namespace rubo::ui {

// The pixels of a bitmap (not selected into any DC) as 0x00RRGGBB, rows top
// to bottom; empty when GDI refuses.
PixelImage pixelsOfBitmap(HBITMAP bitmap);

// A 32-bit top-down DIB section holding `image`, every pixel opaque.
UniqueBitmap bitmapOfPixels(const PixelImage& image);

// The size of the module's bitmap resource `bitmapId`; 0 x 0 when missing.
SIZE bitmapResourceSize(int bitmapId);

// The DPI the window is drawn for: the system DPI of a DPI-aware process.
int windowDpi(HWND window);

} // namespace rubo::ui
