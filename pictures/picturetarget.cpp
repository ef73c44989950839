#include "picturetarget.h"

#include "picturedepth.h"
#include "pictureinput.h"

#include <cstring>

void makeTarget(Bitmap &target, PictureInput &input, int width, int height, int bitsPerPixel)
{
    target = Bitmap();
    const size_t turned = PixelMemory::footprint(Bitmap::pixelBytes(width, height, PixelFormat::Device));
    Bitmap::reserve(2 * turned, width, height); // only a test of the room: given back at once
    target = Bitmap(width, height, PixelFormatFor(bitsPerPixel), Bitmap::Unwritten);
    input.allowFor(width, height);
}

void whitenRowsFrom(Bitmap &target, int first)
{
    for (int y = first; y < target.height(); ++y)
        std::memset(target.scanLine(y), 0xFF, target.bytesPerLine());
}

void writeIndices(Bitmap &target, int y, const uint8_t *values, const uint8_t *indexFor)
{
    const int width = target.width();
    const int bits = bitsPerPixel(target.pixelFormat());
    uint8_t *to = target.scanLine(y);
    if (bits == 8) {
        for (int x = 0; x < width; ++x)
            to[x] = indexFor[values[x]];
        return;
    }
    const int perByte = 8 / bits;
    for (int x = 0; x < width; x += perByte) {
        unsigned byte = 0;
        for (int i = 0; i < perByte; ++i)
            byte = byte << bits | (x + i < width ? indexFor[values[x + i]] : 0u);
        to[x / perByte] = uint8_t(byte);
    }
}

bool concludeLoad(const std::exception_ptr &error, bool decoded, bool tooCostly, Bitmap &target, int rowsDone)
{
    if (error)
        std::rethrow_exception(error);
    if (!decoded && tooCostly)
        throw pictureTooLarge(target.width(), target.height());
    if (!decoded)
        whitenRowsFrom(target, rowsDone);
    return decoded;
}
