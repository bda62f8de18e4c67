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

TEST_CASE("pictures grow by whole factors with the DPI and only as far as they fit") {
    // A 14 x 12 picture on a face with plenty of room.
    CHECK(pictureScale(96, 14, 12, 200, 200) == 1);
    CHECK(pictureScale(120, 14, 12, 200, 200) == 1); // 125 %: 1.25 rounds down
    CHECK(pictureScale(143, 14, 12, 200, 200) == 1);
    CHECK(pictureScale(144, 14, 12, 200, 200) == 2); // 150 %: 1.5 rounds up
    CHECK(pictureScale(192, 14, 12, 200, 200) == 2);
    CHECK(pictureScale(240, 14, 12, 200, 200) == 3);
    CHECK(pictureScale(96 * 40, 14, 12, 4000, 4000) == kMaxPictureScale);
    // Not enough room for the double size: one step down, never below 1.
    CHECK(pictureScale(192, 14, 12, 28, 24) == 2);
    CHECK(pictureScale(192, 14, 12, 27, 24) == 1);
    CHECK(pictureScale(192, 14, 12, 28, 23) == 1);
    CHECK(pictureScale(288, 14, 12, 42, 35) == 2);
    CHECK(pictureScale(192, 14, 12, 5, 5) == 1);
    // Nonsense in, the picture's own size out.
    CHECK(pictureScale(0, 14, 12, 200, 200) == 1);
    CHECK(pictureScale(-192, 14, 12, 200, 200) == 1);
    CHECK(pictureScale(192, 0, 12, 200, 200) == 1);

    // On a button the pressed shift needs one border width of the face.
    const PixelRect face = buttonFace({0, 0, 33, 29}, 1, 1); // 29 x 25
    CHECK(buttonPictureScale(192, 14, 12, face, 1, 1) == 2);
    CHECK(buttonPictureScale(192, 14, 12, buttonFace({0, 0, 32, 29}, 1, 1), 1, 1) == 1);
    // The doubled picture, centred, stays inside the face also when pressed.
    const ImagePlacement down =
        placeImage(face, 28, 24, ImageAlign::Centre, ImageAlign::Centre, true, 1, 1);
    CHECK(down.dest.left >= face.left);
    CHECK(down.dest.right <= face.right);
    CHECK(down.dest.bottom <= face.bottom);
    CHECK(down.source.width() == 28);
}

TEST_CASE("nearest-neighbour enlargement turns each pixel into a block") {
    PixelImage image(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            image.at(x, y) = pixelFromRgb(x * 80, y * 80, 7);
    for (int factor : {1, 2, 3}) {
        CAPTURE(factor);
        const PixelImage scaled = scaleNearest(image.pixels.data(), 3, 2, factor);
        REQUIRE(scaled.width == 3 * factor);
        REQUIRE(scaled.height == 2 * factor);
        for (int y = 0; y < scaled.height; ++y)
            for (int x = 0; x < scaled.width; ++x)
                CHECK(scaled.at(x, y) == image.at(x / factor, y / factor));
    }
    CHECK(scaleNearest(image.pixels.data(), 3, 2, 0).pixels.empty());
    CHECK(scaleNearest(image.pixels.data(), 3, 2, kMaxPictureScale + 1).pixels.empty());
    CHECK(scaleNearest(nullptr, 3, 2, 2).pixels.empty());
    CHECK(scaleNearest(image.pixels.data(), 0, 2, 2).pixels.empty());
    std::vector<std::uint32_t> huge(5000, kRed);
    CHECK(scaleNearest(huge.data(), 5000, 1, 2).pixels.empty());
}

TEST_CASE("a picture is centred in its cell, overhanging evenly when larger") {
    const PixelRect inside = centredIn({10, 20, 40, 46}, 28, 24);
    CHECK(inside.left == 11);
    CHECK(inside.top == 21);
    CHECK(inside.width() == 28);
    CHECK(inside.height() == 24);
    const PixelRect over = centredIn({0, 0, 10, 10}, 14, 12);
    CHECK(over.left == -2);
    CHECK(over.top == -1);
    CHECK(over.right == 12);
}

TEST_CASE("a row of pictures shares the width evenly; the window grows to hold them enlarged") {
    auto checkRow = [](const PictureRow& row, int count) {
        REQUIRE(row.cells.size() == static_cast<std::size_t>(count));
        CHECK(row.cells.front().left == 0);
        CHECK(row.cells.back().right == row.clientWidth);
        for (int i = 0; i < count; ++i) {
            CAPTURE(i);
            const PixelRect& cell = row.cells[static_cast<std::size_t>(i)];
            CHECK(cell.top == 0);
            CHECK(cell.bottom == row.clientHeight);
            if (i > 0)
                CHECK(cell.left == row.cells[static_cast<std::size_t>(i - 1)].right);
            // Every picture fits its cell at the chosen factor.
            CHECK(cell.width() >= 14 * row.scale);
            CHECK(cell.height() >= 12 * row.scale);
            CHECK(cell.width() <= row.clientWidth / count + 1);
        }
    };
    SUBCASE("room enough at 96 DPI: the client is kept") {
        const PictureRow row = pictureRow(5, 14, 12, 96, 72, 13);
        CHECK(row.scale == 1);
        CHECK(row.clientWidth == 72);
        CHECK(row.clientHeight == 13);
        checkRow(row, 5);
    }
    SUBCASE("a narrow font at 96 DPI: the window widens so nothing is cut") {
        const PictureRow row = pictureRow(5, 14, 12, 96, 66, 12);
        CHECK(row.scale == 1);
        CHECK(row.clientWidth == 70);
        checkRow(row, 5);
    }
    SUBCASE("150 and 200 %: doubled, the window as large as the pictures need") {
        const PictureRow at144 = pictureRow(5, 14, 12, 144, 108, 20);
        CHECK(at144.scale == 2);
        CHECK(at144.clientWidth == 140);
        CHECK(at144.clientHeight == 24);
        checkRow(at144, 5);
        const PictureRow at192 = pictureRow(5, 14, 12, 192, 144, 26);
        CHECK(at192.scale == 2);
        CHECK(at192.clientWidth == 144);
        CHECK(at192.clientHeight == 26);
        checkRow(at192, 5);
    }
    SUBCASE("nonsense gives no cells") {
        CHECK(pictureRow(0, 14, 12, 96, 72, 13).cells.empty());
        CHECK(pictureRow(5, 0, 12, 96, 72, 13).cells.empty());
        CHECK(pictureRow(100000, 14, 12, 96, 72, 13).cells.empty());
        CHECK(pictureRow(5, 14, 12, 96, -5, -5).clientWidth == 70); // from nothing
    }
}
