#include "picturetarget.h"

#include "picturefile.h"

#include <cstring>

void makeTarget(Bitmap &target, int width, int height, int bitsPerPixel)
{
    target = Bitmap();
    const size_t turned = Bitmap::pixelBytes(width, height, PixelFormat::Device);
    Bitmap::reserve(2 * turned, width, height); // only a test of the room: given back at once
    target = Bitmap(width, height, PixelFormatFor(bitsPerPixel), Bitmap::Unwritten);
}

void whitenRowsFrom(Bitmap &target, int first)
{
    for (int y = first; y < target.height(); ++y)
        std::memset(target.scanLine(y), 0xFF, target.bytesPerLine());
}
