#pragma once

// Turning a picture file into a bitmap: JPEG through libjpeg, PNG through
// libpng, GIF through giflib, BMP through Qt's reader.

#include "bitmap.h"

#include <string>

// Loads the picture file cp932FileName (code page 932; relative names are
// found from the current directory; "\" separates folders as "/" does) into
// target at the picture's own size and at the depth PixelFormatFor gives for
// the file's bits per pixel. True when every pixel of the picture was
// decoded from the file. Returns false, without a message, for a file that
// is missing, unreadable, no regular file or no picture; target is then 0 by
// 0. A picture that is found but whose pixels the file does not all hold, or
// whose decoding would take many times the work of its size, also gives
// false, leaving target at the picture's size and format. Throws the
// BitmapError of a picture too large for a bitmap, or one that would leave
// the pixel budget no room to turn it twice over, before any of its pixels
// are allocated.
bool LoadPictureFile(const std::string &cp932FileName, Bitmap &target);

// The bitmap format for a picture of that many bits per pixel: 1, 4, 8, 16
// and 24 have their own, anything else becomes 32 bits.
PixelFormat PixelFormatFor(int bitsPerPixel);
