#pragma once

// The depth of the bitmap a picture is drawn into.

#include "bitmap.h"

// The bitmap format for a picture of that many bits per pixel: 1, 4, 8, 16
// and 24 have their own, anything else becomes 32 bits.
PixelFormat PixelFormatFor(int bitsPerPixel);
