// Quarter turns of pictures of random sizes and formats, in boxes that may be
// smaller or larger than the picture, against a turn made pixel by pixel
// straight from the table of where each source pixel goes.

#include "quarterturn.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

constexpr PixelFormat Formats[] = {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8,
                                   PixelFormat::Rgb565,   PixelFormat::Rgb24,    PixelFormat::Rgb32,
                                   PixelFormat::Device};

// What the box shows at (x, y): the picture's pixel, or white past its edge.
Rgb shownAt(const Bitmap &picture, int x, int y)
{
    return x < picture.width() && y < picture.height() ? picture.pixel(x, y) : 0xFFFFFF;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6)
        return 0;
    const PixelFormat format = Formats[data[0] % 7];
    const int width = data[1] % 96;
    const int height = data[2] % 96;
    // The box: mostly the picture's size, sometimes up to 7 pixels off
    // either way.
    const int boxWidth = data[3] & 0x80 ? width + (data[3] & 0xF) - 8 : width;
    const int boxHeight = data[4] & 0x80 ? height + (data[4] & 0xF) - 8 : height;
    static const int angles[] = {90, 180, 270, 0, -90, 360, 450};
    const int angle = angles[data[5] % 7];
    data += 6;
    size -= 6;

    Bitmap picture(width, height, format);
    size_t next = 0;
    for (int y = 0; y < height && size > 0; ++y)
        for (int x = 0; x < width; ++x, next += 3) {
            const auto byte = [&](size_t at) { return Rgb(data[(next + at) % size]); };
            picture.setPixel(x, y, byte(0) << 16 | byte(1) << 8 | byte(2));
        }

    const Bitmap turned = quarterTurn(picture, boxWidth, boxHeight, angle);
    if (angle != 90 && angle != 180 && angle != 270) {
        check(turned.isEmpty());
        return 0;
    }
    check(turned.pixelFormat() == PixelFormat::Device);
    const int w = std::max(boxWidth, 0);
    const int h = std::max(boxHeight, 0);
    check(turned.width() == (angle == 180 ? w : h));
    check(turned.height() == (angle == 180 ? h : w));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb colour = shownAt(picture, x, y);
            if (angle == 90)
                check(turned.pixel(h - 1 - y, x) == colour);
            else if (angle == 180)
                check(turned.pixel(w - 1 - x, h - 1 - y) == colour);
            else
                check(turned.pixel(y, w - 1 - x) == colour);
        }
    return 0;
}
