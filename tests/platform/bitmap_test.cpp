#include "bitmap.h"

#include "testpictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace {

const PixelFormat AllFormats[] = {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8,
                                  PixelFormat::Rgb565,   PixelFormat::Rgb24,    PixelFormat::Rgb32,
                                  PixelFormat::Device};

int distance(Rgb a, Rgb b)
{
    const int dr = int(a >> 16 & 0xFF) - int(b >> 16 & 0xFF);
    const int dg = int(a >> 8 & 0xFF) - int(b >> 8 & 0xFF);
    const int db = int(a & 0xFF) - int(b & 0xFF);
    return dr * dr + dg * dg + db * db;
}

int nearestDistance(const std::vector<Rgb> &palette, Rgb colour)
{
    int best = distance(palette[0], colour);
    for (Rgb entry : palette)
        best = std::min(best, distance(entry, colour));
    return best;
}

// Colours a format holds exactly: its palette, or a spread of colours.
std::vector<Rgb> exactColours(const Bitmap &bitmap)
{
    if (!bitmap.palette().empty())
        return bitmap.palette();
    if (bitmap.pixelFormat() == PixelFormat::Rgb565)
        return {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x848284};
    return {0x000000, 0xFFFFFF, 0x123456, 0xFEDCBA, 0x00FF01, 0x7F8081};
}

Bitmap filled(int width, int height, PixelFormat format)
{
    Bitmap bitmap(width, height, format);
    const std::vector<Rgb> colours = exactColours(bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.setPixel(x, y, colours[size_t(x * 3 + y * 7) % colours.size()]);
    return bitmap;
}

} // namespace

TEST(Bitmap, NewBitmapsAreWhiteWithRowsOnWordBoundaries)
{
    for (PixelFormat format : AllFormats) {
        SCOPED_TRACE(bitsPerPixel(format));
        const Bitmap bitmap(13, 3, format);
        EXPECT_EQ(bitmap.bytesPerLine() % 4, 0u);
        EXPECT_GE(bitmap.bytesPerLine() * 8, size_t(13 * bitsPerPixel(format)));
        EXPECT_EQ(hasPalette(format), !bitmap.palette().empty());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(bitmap.pixel(x, y), 0xFFFFFFu) << x << "," << y;
        EXPECT_EQ(bitmap.pixel(-1, 0), InvalidColor);
        EXPECT_EQ(bitmap.pixel(13, 0), InvalidColor);
        EXPECT_EQ(bitmap.pixel(0, 3), InvalidColor);
        EXPECT_EQ(bitmap.pixel(0, -1), InvalidColor);
    }
    const Bitmap none;
    EXPECT_TRUE(none.isEmpty());
    EXPECT_EQ(none.pixelFormat(), PixelFormat::Device);
    EXPECT_EQ(none.pixel(0, 0), InvalidColor);
}

TEST(Bitmap, KeepsEveryColourItsFormatHoldsAndNeighboursOfOthers)
{
    for (PixelFormat format : AllFormats) {
        SCOPED_TRACE(bitsPerPixel(format));
        Bitmap bitmap(9, 2, format);
        for (Rgb colour : exactColours(bitmap)) {
            bitmap.setPixel(5, 1, colour);
            ASSERT_EQ(bitmap.pixel(5, 1), colour) << std::hex << colour;
        }
        // Neighbours sharing a byte or word stay as they were.
        EXPECT_EQ(bitmap.pixel(4, 1), 0xFFFFFFu);
        EXPECT_EQ(bitmap.pixel(6, 1), 0xFFFFFFu);
        EXPECT_EQ(bitmap.pixel(5, 0), 0xFFFFFFu);
        bitmap.setPixel(9, 0, 0x000000); // outside: ignored
        bitmap.setPixel(-1, 1, 0x000000);
        bitmap.setPixel(3, 0, InvalidColor);
        EXPECT_EQ(bitmap.pixel(3, 0), 0xFFFFFFu);

        if (hasPalette(format)) {
            std::mt19937 random(7);
            for (int i = 0; i < 3000; ++i) {
                const Rgb colour = random() & 0xFFFFFF;
                bitmap.setPixel(2, 0, colour);
                ASSERT_EQ(distance(bitmap.pixel(2, 0), colour), nearestDistance(bitmap.palette(), colour))
                    << std::hex << colour;
            }
        }
    }
}

TEST(Bitmap, SixteenBitsRoundToTheNearestFieldValueAndBack)
{
    Bitmap bitmap(1, 1, PixelFormat::Rgb565);
    for (int v = 0; v < 256; ++v) {
        bitmap.setPixel(0, 0, Rgb(v << 16 | v << 8 | v));
        const Rgb got = bitmap.pixel(0, 0);
        EXPECT_LE(std::abs(int(got >> 16) - v), 4) << v;
        EXPECT_LE(std::abs(int(got >> 8 & 0xFF) - v), 2) << v;
        bitmap.setPixel(0, 0, got); // what it holds it keeps
        EXPECT_EQ(bitmap.pixel(0, 0), got);
    }
}

TEST(Bitmap, HalftonePaletteIsACubeAndAGreyRamp)
{
    const Bitmap bitmap(1, 1, PixelFormat::Indexed8);
    const std::vector<Rgb> &palette = bitmap.palette();
    ASSERT_EQ(palette.size(), 256u);
    EXPECT_EQ(std::set<Rgb>(palette.begin(), palette.end()).size(), 256u);
    for (int r = 0; r <= 255; r += 51)
        for (int g = 0; g <= 255; g += 51)
            for (int b = 0; b <= 255; b += 51)
                EXPECT_NE(std::find(palette.begin(), palette.end(), Rgb(r << 16 | g << 8 | b)), palette.end());
    const auto greys = std::count_if(palette.begin(), palette.end(), [](Rgb c) {
        return (c >> 16) == (c & 0xFF) && (c >> 8 & 0xFF) == (c & 0xFF);
    });
    EXPECT_EQ(greys, 46);
    // Every grey finds its nearest entry, as drawing grey pictures needs.
    for (int v = 0; v < 256; ++v) {
        const Rgb grey = Rgb(v << 16 | v << 8 | v);
        EXPECT_EQ(distance(palette[bitmap.nearestIndex(grey)], grey), nearestDistance(palette, grey)) << v;
    }
}

TEST(Bitmap, ResizingKeepsThePixelsThatFitAndWhitensTheNewOnes)
{
    for (PixelFormat format : AllFormats) {
        SCOPED_TRACE(bitsPerPixel(format));
        Bitmap bitmap = filled(9, 5, format);
        const Bitmap before = bitmap;
        // Stray bits past the last pixel must not leak into new pixels.
        const size_t used = size_t(9 * bitsPerPixel(format) + 7) / 8;
        std::fill(bitmap.scanLine(0) + used - 1, bitmap.scanLine(0) + bitmap.bytesPerLine(), uint8_t(0));
        bitmap.setPixel(8, 0, before.pixel(8, 0));
        bitmap.setWidth(14);
        bitmap.setHeight(8);
        EXPECT_EQ(bitmap.pixelFormat(), format);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 14; ++x)
                ASSERT_EQ(bitmap.pixel(x, y), x < 9 && y < 5 ? before.pixel(x, y) : 0xFFFFFFu) << x << "," << y;
        bitmap.setSize(4, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x)
                ASSERT_EQ(bitmap.pixel(x, y), before.pixel(x, y));
        EXPECT_EQ(bitmap.pixel(4, 0), InvalidColor);
    }
}

TEST(Bitmap, ChangingTheFormatConvertsEachPixel)
{
    const Bitmap source = filled(11, 4, PixelFormat::Rgb24);
    for (PixelFormat format : AllFormats) {
        SCOPED_TRACE(bitsPerPixel(format));
        Bitmap bitmap = source;
        bitmap.setPixelFormat(format);
        ASSERT_EQ(bitmap.width(), 11);
        ASSERT_EQ(bitmap.height(), 4);
        Bitmap expected(11, 4, format);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 11; ++x)
                expected.setPixel(x, y, source.pixel(x, y));
        EXPECT_TRUE(samePixels(bitmap, expected));
    }
    // A size set before the format is the size the pixels are converted at.
    Bitmap ordered;
    ordered.setWidth(6);
    ordered.setHeight(3);
    ordered.setPixelFormat(PixelFormat::Indexed8);
    EXPECT_EQ(ordered.width(), 6);
    EXPECT_EQ(ordered.height(), 3);
    EXPECT_EQ(ordered.pixel(5, 2), 0xFFFFFFu);
}

TEST(Bitmap, CopiesNeverShareTheirPixels)
{
    Bitmap first = filled(5, 5, PixelFormat::Indexed4);
    Bitmap second = first;
    second.setPixel(1, 1, 0x000000);
    first.setPixel(2, 2, 0xFF0000);
    EXPECT_EQ(first.pixel(1, 1), filled(5, 5, PixelFormat::Indexed4).pixel(1, 1));
    EXPECT_NE(second.pixel(2, 2), 0xFF0000u);
    second = first;
    first.setPixelFormat(PixelFormat::Rgb24);
    EXPECT_EQ(second.pixelFormat(), PixelFormat::Indexed4);
}

TEST(Bitmap, ABitmapForOverwritingHasItsSizeFormatAndWhitePadding)
{
    for (PixelFormat format : AllFormats) {
        SCOPED_TRACE(bitsPerPixel(format));
        const Bitmap white(13, 3, format);
        const Bitmap bitmap(13, 3, format, Bitmap::Unwritten);
        EXPECT_EQ(bitmap.width(), 13);
        EXPECT_EQ(bitmap.height(), 3);
        EXPECT_EQ(bitmap.bytesPerLine(), white.bytesPerLine());
        EXPECT_EQ(bitmap.palette(), white.palette());
        // The bits past the 13th pixel of each row are white.
        const size_t pixelBits = size_t(13 * bitsPerPixel(format));
        for (int y = 0; y < 3; ++y) {
            for (size_t bit = pixelBits; bit < bitmap.bytesPerLine() * 8; ++bit)
                ASSERT_TRUE(bitmap.scanLine(y)[bit / 8] >> (7 - bit % 8) & 1) << y << ", bit " << bit;
        }
    }
    EXPECT_THROW(Bitmap(60000, 60000, PixelFormat::Rgb24, Bitmap::Unwritten), BitmapError);
    EXPECT_TRUE(Bitmap(0, 5, PixelFormat::Rgb24, Bitmap::Unwritten).isEmpty());
}

TEST(Bitmap, RefusesSizesItCannotMakeBeforeAllocating)
{
    EXPECT_THROW(Bitmap(60000, 60000, PixelFormat::Rgb24), BitmapError);
    EXPECT_THROW(Bitmap(Bitmap::MaxSide + 1, 1, PixelFormat::Indexed1), BitmapError);
    EXPECT_THROW(Bitmap(1, Bitmap::MaxSide + 1, PixelFormat::Indexed1), BitmapError);
    EXPECT_THROW(Bitmap(8192, 8193, PixelFormat::Rgb32), BitmapError); // one row past 256 MiB
    EXPECT_THROW(Bitmap(-1, 5, PixelFormat::Rgb24), BitmapError);
    EXPECT_NO_THROW(Bitmap(Bitmap::MaxSide, 2, PixelFormat::Device));

    Bitmap bitmap = filled(3, 3, PixelFormat::Rgb24);
    const Bitmap before = bitmap;
    try {
        bitmap.setWidth(70000);
        FAIL() << "no error";
    } catch (const BitmapError &error) {
        EXPECT_FALSE(error.message().empty());
    }
    EXPECT_THROW(bitmap.setHeight(-2), BitmapError);
    EXPECT_TRUE(samePixels(bitmap, before)); // a refused size changes nothing
    // A new depth is checked against the caps as well.
    Bitmap wide(8192, 8192 + 4096, PixelFormat::Indexed1);
    EXPECT_THROW(wide.setPixelFormat(PixelFormat::Rgb32), BitmapError);
    EXPECT_EQ(wide.pixelFormat(), PixelFormat::Indexed1);
}

TEST(Bitmap, ShowsAsAQImageOfTheSamePixels)
{
    for (PixelFormat format : AllFormats) {
        SCOPED_TRACE(bitsPerPixel(format));
        Bitmap bitmap = filled(10, 3, format);
        const QImage image = bitmap.toQImage();
        EXPECT_TRUE(samePixels(bitmap, image));
        bitmap.setPixel(0, 0, 0x000000); // the image is a copy
        bitmap.setPixel(1, 0, 0xFFFFFF);
        EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFFu, filled(10, 3, format).pixel(0, 0));
    }
    EXPECT_TRUE(Bitmap().toQImage().isNull());
}
