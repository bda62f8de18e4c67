#pragma once

// The pixel work of the image button, on plain integers: 32-bit pixels laid
// out as 0x00RRGGBB (a 32-bit DIB row), the top byte ignored.

#include <cstdint>
#include <vector>

namespace rubo::ui {

constexpr std::uint32_t kPixelRgbMask = 0x00FFFFFFu;

constexpr std::uint32_t pixelFromRgb(int red, int green, int blue) {
    return (static_cast<std::uint32_t>(red & 0xFF) << 16) |
           (static_cast<std::uint32_t>(green & 0xFF) << 8) |
           static_cast<std::uint32_t>(blue & 0xFF);
}

// A picture of width x height pixels, rows top to bottom.
struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    PixelImage() = default;
    PixelImage(int w, int h, std::uint32_t fill = 0);
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Every pixel of colour `from` becomes `to`; returns how many changed.
int replaceColour(std::uint32_t* pixels, int width, int height, std::uint32_t from,
                  std::uint32_t to);
// Checkerboard dithering: every pixel whose x + y is odd becomes `face`.
void ditherCheckerboard(std::uint32_t* pixels, int width, int height, std::uint32_t face);

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

enum class ImageAlign { Start, Centre, End };

// One axis of the placement: where the shown part goes and which part of
// the picture it is.
struct ImageSpan {
    int dest = 0;   // first face pixel covered
    int source = 0; // first picture pixel shown
    int length = 0; // pixels shown
};

// A picture no larger than the face keeps its size and is placed by
// `align`; a larger one fills the face and shows its start, end or middle.
ImageSpan placeSpan(int faceStart, int faceLength, int imageLength, ImageAlign align);

// Where a picture goes on the face of a button, and which part of it.
struct ImagePlacement {
    PixelRect dest;
    PixelRect source;
};

// The face: the item rectangle less two border widths on each side.
PixelRect buttonFace(const PixelRect& item, int borderX, int borderY);
// `pressed` moves the image one border width right and down.
ImagePlacement placeImage(const PixelRect& face, int imageWidth, int imageHeight,
                          ImageAlign horizontal, ImageAlign vertical, bool pressed, int borderX,
                          int borderY);
// Stretched over the face less one border width (room for the pressed shift).
ImagePlacement stretchImage(const PixelRect& face, int imageWidth, int imageHeight, bool pressed,
                            int borderX, int borderY);

inline constexpr int kBaseDpi = 96;
inline constexpr int kMaxPictureScale = 8;

// The whole factor by which pixel art is enlarged at `dpi`: dpi / 96
// rounded half up (144 gives 2, 120 gives 1), then lowered while the
// enlarged picture would not fit `roomWidth` x `roomHeight`; at least 1,
// at most kMaxPictureScale.
int pictureScale(int dpi, int imageWidth, int imageHeight, int roomWidth, int roomHeight);

// Room on a button face for a picture: the face less one border width,
// which a pressed button moves the picture by.
int buttonPictureScale(int dpi, int imageWidth, int imageHeight, const PixelRect& face, int borderX,
                       int borderY);

// Each pixel becomes a `factor` x `factor` block (nearest neighbour, so
// pixel art stays sharp). An empty image for bad sizes or factors.
PixelImage scaleNearest(const std::uint32_t* pixels, int width, int height, int factor);

// A picture of the given size centred in `cell`, which it may overhang
// evenly when larger.
PixelRect centredIn(const PixelRect& cell, int width, int height);

// A row of `count` equal pictures that grow by the DPI's rounded factor
// (never limited by the room: the window grows instead), and the client
// size that holds them side by side: at least the given one.
struct PictureRow {
    int scale = 1;
    int clientWidth = 0;
    int clientHeight = 0;
    // The client width shared evenly, left to right, full height.
    std::vector<PixelRect> cells;
};
PictureRow pictureRow(int count, int imageWidth, int imageHeight, int dpi, int clientWidth,
                      int clientHeight);

} // namespace rubo::ui
