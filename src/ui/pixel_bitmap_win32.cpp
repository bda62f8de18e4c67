#include "ui/pixel_bitmap_win32.h"

#include "ui/gdi_objects_win32.h"

namespace rubo::ui {

namespace {

constexpr int kMaxBitmapSide = 4096;
constexpr std::uint32_t kOpaque = 0xFF000000u;

BITMAPINFO topDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

} // namespace

PixelImage pixelsOfBitmap(HBITMAP bitmap) {
    BITMAP header{};
    if (!bitmap || !GetObjectA(bitmap, sizeof(header), &header) || header.bmWidth <= 0 ||
        header.bmHeight <= 0 || header.bmWidth > kMaxBitmapSide || header.bmHeight > kMaxBitmapSide)
        return PixelImage();
    const int width = header.bmWidth;
    const int height = header.bmHeight;
    PixelImage image(width, height);
    BITMAPINFO info = topDown32(width, height);
    WindowDc screen(nullptr);
    if (!screen.get() || GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(height),
                                   image.pixels.data(), &info, DIB_RGB_COLORS) != height)
        return PixelImage();
    for (std::uint32_t& pixel : image.pixels)
        pixel &= kPixelRgbMask;
    return image;
}

UniqueBitmap bitmapOfPixels(const PixelImage& image) {
    if (image.width <= 0 || image.height <= 0 || image.width > kMaxBitmapSide ||
        image.height > kMaxBitmapSide ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
        return UniqueBitmap();
    BITMAPINFO info = topDown32(image.width, image.height);
    void* bits = nullptr;
    UniqueBitmap section(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || !bits)
        return UniqueBitmap();
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        out[i] = (image.pixels[i] & kPixelRgbMask) | kOpaque;
    GdiFlush();
    return section;
}

SIZE bitmapResourceSize(int bitmapId) {
    UniqueBitmap bitmap(LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId)));
    BITMAP header{};
    if (!bitmap || !GetObjectA(bitmap.get(), sizeof(header), &header))
        return SIZE{0, 0};
    return SIZE{header.bmWidth, header.bmHeight};
}

int windowDpi(HWND window) {
    WindowDc dc(window);
    const int dpi = dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kBaseDpi;
}

} // namespace rubo::ui
