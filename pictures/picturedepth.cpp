#include "picturedepth.h"

PixelFormat PixelFormatFor(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1: return PixelFormat::Indexed1;
    case 4: return PixelFormat::Indexed4;
    case 8: return PixelFormat::Indexed8;
    case 16: return PixelFormat::Rgb565;
    case 24: return PixelFormat::Rgb24;
    default: return PixelFormat::Rgb32;
    }
}
