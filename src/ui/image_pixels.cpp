#include "ui/image_pixels.h"

namespace rubo::ui {

PixelImage::PixelImage(int w, int h, std::uint32_t fill)
    : width(w), height(h),
      pixels(static_cast<std::size_t>(w > 0 ? w : 0) * static_cast<std::size_t>(h > 0 ? h : 0),
             fill) {}

int replaceColour(std::uint32_t* pixels, int width, int height, std::uint32_t from,
                  std::uint32_t to) {
    if (!pixels || width <= 0 || height <= 0)
        return 0;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    from &= kPixelRgbMask;
    int changed = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if ((pixels[i] & kPixelRgbMask) == from) {
            pixels[i] = to;
            ++changed;
        }
    }
    return changed;
}

void ditherCheckerboard(std::uint32_t* pixels, int width, int height, std::uint32_t face) {
    if (!pixels || width <= 0 || height <= 0)
        return;
    for (int y = 0; y < height; ++y) {
        std::uint32_t* row = pixels + static_cast<std::size_t>(y) * width;
        for (int x = (y + 1) % 2; x < width; x += 2)
            row[x] = face;
    }
}

ImageSpan placeSpan(int faceStart, int faceLength, int imageLength, ImageAlign align) {
    ImageSpan span;
    if (faceLength < 0)
        faceLength = 0;
    if (imageLength < 0)
        imageLength = 0;
    const int spare = faceLength - imageLength;
    int offset = 0;
    if (align == ImageAlign::End)
        offset = spare;
    else if (align == ImageAlign::Centre)
        offset = spare / 2;
    if (spare >= 0) {
        span.dest = faceStart + offset;
        span.source = 0;
        span.length = imageLength;
    } else {
        // Larger than the face: the same alignment picks the part shown.
        span.dest = faceStart;
        span.source = -offset;
        span.length = faceLength;
    }
    return span;
}

PixelRect buttonFace(const PixelRect& item, int borderX, int borderY) {
    PixelRect face{item.left + 2 * borderX, item.top + 2 * borderY, item.right - 2 * borderX,
                   item.bottom - 2 * borderY};
    if (face.right < face.left)
        face.right = face.left;
    if (face.bottom < face.top)
        face.bottom = face.top;
    return face;
}

ImagePlacement placeImage(const PixelRect& face, int imageWidth, int imageHeight,
                          ImageAlign horizontal, ImageAlign vertical, bool pressed, int borderX,
                          int borderY) {
    const ImageSpan h = placeSpan(face.left, face.width(), imageWidth, horizontal);
    const ImageSpan v = placeSpan(face.top, face.height(), imageHeight, vertical);
    const int shiftX = pressed ? borderX : 0;
    const int shiftY = pressed ? borderY : 0;
    ImagePlacement p;
    p.dest = {h.dest + shiftX, v.dest + shiftY, h.dest + shiftX + h.length,
              v.dest + shiftY + v.length};
    p.source = {h.source, v.source, h.source + h.length, v.source + v.length};
    return p;
}

ImagePlacement stretchImage(const PixelRect& face, int imageWidth, int imageHeight, bool pressed,
                            int borderX, int borderY) {
    const int shiftX = pressed ? borderX : 0;
    const int shiftY = pressed ? borderY : 0;
    int width = face.width() - borderX;
    int height = face.height() - borderY;
    if (width < 0)
        width = 0;
    if (height < 0)
        height = 0;
    ImagePlacement p;
    p.dest = {face.left + shiftX, face.top + shiftY, face.left + shiftX + width,
              face.top + shiftY + height};
    p.source = {0, 0, imageWidth > 0 ? imageWidth : 0, imageHeight > 0 ? imageHeight : 0};
    return p;
}

int pictureScale(int dpi, int imageWidth, int imageHeight, int roomWidth, int roomHeight) {
    if (dpi <= 0 || imageWidth <= 0 || imageHeight <= 0)
        return 1;
    int scale = (dpi + kBaseDpi / 2) / kBaseDpi;
    if (scale > kMaxPictureScale)
        scale = kMaxPictureScale;
    while (scale > 1 && (imageWidth * scale > roomWidth || imageHeight * scale > roomHeight))
        --scale;
    return scale < 1 ? 1 : scale;
}

int buttonPictureScale(int dpi, int imageWidth, int imageHeight, const PixelRect& face, int borderX,
                       int borderY) {
    return pictureScale(dpi, imageWidth, imageHeight, face.width() - borderX,
                        face.height() - borderY);
}

PixelImage scaleNearest(const std::uint32_t* pixels, int width, int height, int factor) {
    constexpr int kMaxSide = 4096;
    if (!pixels || width <= 0 || height <= 0 || factor < 1 || factor > kMaxPictureScale ||
        width > kMaxSide / factor || height > kMaxSide / factor)
        return PixelImage();
    PixelImage scaled(width * factor, height * factor);
    for (int y = 0; y < scaled.height; ++y) {
        const std::uint32_t* source = pixels + static_cast<std::size_t>(y / factor) * width;
        for (int x = 0; x < scaled.width; ++x)
            scaled.at(x, y) = source[x / factor];
    }
    return scaled;
}

PixelRect centredIn(const PixelRect& cell, int width, int height) {
    const int left = cell.left + (cell.width() - width) / 2;
    const int top = cell.top + (cell.height() - height) / 2;
    return PixelRect{left, top, left + width, top + height};
}

PictureRow pictureRow(int count, int imageWidth, int imageHeight, int dpi, int clientWidth,
                      int clientHeight) {
    constexpr int kMaxCount = 64;
    constexpr int kMaxSide = 4096;
    PictureRow row;
    row.clientWidth = clientWidth > 0 ? clientWidth : 0;
    row.clientHeight = clientHeight > 0 ? clientHeight : 0;
    if (count <= 0 || count > kMaxCount || imageWidth <= 0 || imageHeight <= 0 ||
        imageWidth > kMaxSide || imageHeight > kMaxSide)
        return row;
    row.scale = pictureScale(dpi, imageWidth, imageHeight, kMaxSide, kMaxSide);
    if (row.clientWidth < count * imageWidth * row.scale)
        row.clientWidth = count * imageWidth * row.scale;
    if (row.clientHeight < imageHeight * row.scale)
        row.clientHeight = imageHeight * row.scale;
    for (int i = 0; i < count; ++i)
        row.cells.push_back(PixelRect{row.clientWidth * i / count, 0,
                                      row.clientWidth * (i + 1) / count, row.clientHeight});
    return row;
}

} // namespace rubo::ui
