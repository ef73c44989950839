#pragma once

// Loading a BMP file into a bitmap: 16-bit pictures by our own reading of
// their bit fields, every other kind through Qt's reader.

#include "bitmap.h"

class PictureInput;

// Decodes the BMP file that input has opened into target, top-down and
// bottom-up rows alike. True when every pixel was decoded from the file;
// false, target 0 by 0, when no picture was found; false, target of the
// picture's size and white, when the file does not hold all its pixels.
// Throws the BitmapError of a picture that the pixel budget has no room for.
bool loadBmp(PictureInput &input, Bitmap &target);
