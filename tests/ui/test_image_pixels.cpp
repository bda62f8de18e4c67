#include <doctest.h>

#include "ui/image_pixels.h"

using namespace rubo::ui;

namespace {

const std::uint32_t kWhite = pixelFromRgb(255, 255, 255);
const std::uint32_t kRed = pixelFromRgb(255, 0, 0);
const std::uint32_t kFace = pixelFromRgb(212, 208, 200);

} // namespace

TEST_CASE("the transparent colour becomes the face colour, the top byte ignored") {
    CHECK(pixelFromRgb(0x12, 0x34, 0x56) == 0x00123456u);
    PixelImage image(3, 2, kRed);
    image.at(0, 0) = kWhite;
    image.at(2, 1) = kWhite | 0xFF000000u; // as GDI may leave the unused byte
    image.at(1, 1) = pixelFromRgb(254, 255, 255);
    CHECK(replaceColour(image.pixels.data(), image.width, image.height, kWhite, kFace) == 2);
    CHECK(image.at(0, 0) == kFace);
    CHECK(image.at(2, 1) == kFace);
    CHECK(image.at(1, 1) == pixelFromRgb(254, 255, 255));
    CHECK(image.at(1, 0) == kRed);
}

TEST_CASE("dithering paints every second pixel in a checkerboard") {
    for (int width : {1, 4, 5}) {
        for (int height : {1, 3, 4}) {
            CAPTURE(width);
            CAPTURE(height);
            PixelImage image(width, height, kRed);
            ditherCheckerboard(image.pixels.data(), width, height, kFace);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    CHECK(image.at(x, y) == ((x + y) % 2 ? kFace : kRed));
        }
    }
}

TEST_CASE("alignment places a small picture and picks the part of a large one") {
    CHECK(placeSpan(2, 16, 8, ImageAlign::Start).dest == 2);
    CHECK(placeSpan(2, 16, 8, ImageAlign::End).dest == 10);
    CHECK(placeSpan(2, 16, 7, ImageAlign::Centre).dest == 6); // 9 spare: 4 before
    CHECK(placeSpan(2, 16, 7, ImageAlign::Centre).length == 7);
    const ImageSpan right = placeSpan(2, 10, 30, ImageAlign::End);
    CHECK(right.dest == 2);
    CHECK(right.source == 20);
    CHECK(right.length == 10);
    CHECK(placeSpan(2, 10, 30, ImageAlign::Start).source == 0);
    CHECK(placeSpan(2, 10, 31, ImageAlign::Centre).source == 10);
}

TEST_CASE("the face is the item less two borders; pressing moves the picture by one") {
    const PixelRect face = buttonFace({0, 0, 24, 20}, 1, 1);
    CHECK(face.left == 2);
    CHECK(face.bottom == 18);
    CHECK(buttonFace({0, 0, 3, 3}, 1, 1).width() == 0);

    ImagePlacement up = placeImage(face, 8, 6, ImageAlign::Centre, ImageAlign::Centre, false, 1, 1);
    CHECK(up.dest.left == 8);
    CHECK(up.dest.top == 7);
    CHECK(up.dest.width() == 8);
    ImagePlacement down =
        placeImage(face, 8, 6, ImageAlign::Centre, ImageAlign::Centre, true, 1, 1);
    CHECK(down.dest.left == 9);
    CHECK(down.dest.top == 8);
    ImagePlacement corner =
        placeImage(face, 40, 30, ImageAlign::End, ImageAlign::Start, false, 1, 1);
    CHECK(corner.source.left == 20);
    CHECK(corner.source.bottom == 16);

    ImagePlacement stretched = stretchImage(face, 8, 6, false, 1, 1);
    CHECK(stretched.dest.width() == 19);
    CHECK(stretched.dest.height() == 15);
    ImagePlacement pressed = stretchImage(face, 8, 6, true, 1, 1);
    CHECK(pressed.dest.left == 3);
    CHECK(pressed.dest.right == 22); // still inside the face
}
