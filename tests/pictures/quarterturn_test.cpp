#include "quarterturn.h"

#include "imagebox.h"
#include "testpictures.h"

#include <gtest/gtest.h>

namespace {

constexpr Rgb A = 0x102030, B = 0x405060, C = 0x708090, D = 0xA0B0C0, E = 0xD0E0F0, F = 0xFF0000;

Bitmap fromRows(const std::vector<std::vector<Rgb>> &rows, PixelFormat format = PixelFormat::Rgb24)
{
    Bitmap bitmap(int(rows[0].size()), int(rows.size()), format);
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x)
            bitmap.setPixel(int(x), int(y), rows[y][x]);
    return bitmap;
}

Bitmap pattern(int width, int height, PixelFormat format)
{
    return toBitmap(testPattern(width, height), format);
}

// The turn as the box's owner makes it: W and H from the box.
void turn(ImageBox &box, int angle)
{
    box.setPicture(quarterTurn(*box.picture(), box.width(), box.height(), angle));
}

// The turn pixel by pixel, straight from its table.
Bitmap referenceTurn(const Bitmap &picture, int width, int height, int angle)
{
    Bitmap turned;
    turned.setWidth(angle == 180 ? width : height);
    turned.setHeight(angle == 180 ? height : width);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb colour = picture.pixel(x, y);
            if (angle == 90)
                turned.setPixel(height - 1 - y, x, colour);
            else if (angle == 180)
                turned.setPixel(width - 1 - x, height - 1 - y, colour);
            else
                turned.setPixel(y, width - 1 - x, colour);
        }
    return turned;
}

} // namespace

TEST(QuarterTurn, TurnsThreeByTwoAsTheTableSays)
{
    const Bitmap picture = fromRows({{A, B, C}, {D, E, F}});
    const Bitmap turned90 = quarterTurn(picture, 3, 2, 90);
    EXPECT_EQ(turned90.pixelFormat(), PixelFormat::Device);
    EXPECT_TRUE(samePixels(turned90, fromRows({{D, A}, {E, B}, {F, C}})));
    EXPECT_TRUE(samePixels(quarterTurn(picture, 3, 2, 180), fromRows({{F, E, D}, {C, B, A}})));
    EXPECT_TRUE(samePixels(quarterTurn(picture, 3, 2, 270), fromRows({{C, F}, {B, E}, {A, D}})));
}

TEST(QuarterTurn, TurnsComposeInAnAutoSizeBox)
{
    const Bitmap start = pattern(37, 71, PixelFormat::Rgb24);
    const auto boxWith = [&](const Bitmap &picture) {
        auto box = std::make_unique<ImageBox>();
        box->setAutoSize(true);
        box->setPicture(picture);
        return box;
    };
    auto once = boxWith(start);
    turn(*once, 90);
    auto twice = boxWith(start);
    turn(*twice, 180);
    turn(*twice, 270);
    EXPECT_TRUE(samePixels(*twice->picture(), *once->picture()));
    EXPECT_EQ(twice->size(), QSize(71, 37));

    for (const auto &[first, second] : {std::pair{180, 180}, std::pair{90, 270}, std::pair{270, 90}}) {
        auto box = boxWith(start);
        turn(*box, first);
        turn(*box, second);
        EXPECT_TRUE(samePixels(*box->picture(), start)) << first << " then " << second;
        EXPECT_EQ(box->size(), QSize(37, 71));
    }
}

TEST(QuarterTurn, LeavesOnePixelAsItIs)
{
    const Bitmap dot = fromRows({{C}}, PixelFormat::Indexed8);
    for (int angle : {90, 180, 270})
        EXPECT_TRUE(samePixels(quarterTurn(dot, 1, 1, angle), dot)) << angle;
}

TEST(QuarterTurn, SwapsTheSidesOfAnAutoSizeBoxAtTheSameLeftAndTop)
{
    QWidget window;
    auto *box = new ImageBox(&window);
    box->move(40, 25);
    box->setAutoSize(true);
    box->setPicture(pattern(105, 153, PixelFormat::Rgb24));
    ASSERT_EQ(box->geometry(), QRect(40, 25, 105, 153));
    turn(*box, 270);
    EXPECT_EQ(box->geometry(), QRect(40, 25, 153, 105));
    turn(*box, 180);
    EXPECT_EQ(box->geometry(), QRect(40, 25, 153, 105));
}

TEST(QuarterTurn, AnyOtherAngleEmptiesThePictureAndKeepsTheBoxSize)
{
    for (int angle : {0, 45, -90, 360, 450}) {
        ImageBox box;
        box.setAutoSize(true);
        box.setPicture(pattern(8, 5, PixelFormat::Rgb24));
        turn(box, angle);
        ASSERT_NE(box.picture(), nullptr);
        EXPECT_TRUE(box.picture()->isEmpty()) << angle;
        EXPECT_EQ(box.size(), QSize(8, 5)) << angle;
    }
}

TEST(QuarterTurn, MatchesATurnPixelByPixelForEveryFormatAndBoxSize)
{
    const PixelFormat formats[] = {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8,
                                   PixelFormat::Rgb565,   PixelFormat::Rgb24,    PixelFormat::Rgb32,
                                   PixelFormat::Device};
    // The same size as the picture, and boxes smaller and larger than it
    // (the points outside the picture come out white), across tile edges.
    const QSize boxes[] = {{70, 45}, {33, 41}, {80, 50}, {65, 31}};
    for (PixelFormat format : formats) {
        const Bitmap picture = pattern(70, 45, format);
        for (const QSize &box : boxes)
            for (int angle : {90, 180, 270}) {
                SCOPED_TRACE(testing::Message() << bitsPerPixel(format) << " bits, box " << box.width() << "x"
                                                << box.height() << ", " << angle);
                const Bitmap turned = quarterTurn(picture, box.width(), box.height(), angle);
                EXPECT_EQ(turned.pixelFormat(), PixelFormat::Device);
                EXPECT_TRUE(samePixels(turned, referenceTurn(picture, box.width(), box.height(), angle)));
            }
    }
}

TEST(QuarterTurn, RefusesATurnTooLargeForABitmap)
{
    const Bitmap picture = pattern(2, 2, PixelFormat::Rgb24);
    EXPECT_THROW(quarterTurn(picture, 60000, 60000, 90), BitmapError);
}
