#pragma once

// Loading a GIF file into a bitmap, through giflib.

#include "bitmap.h"

class PictureInput;

// Decodes the first picture of the GIF file that input has opened into an
// 8-bit target of that picture's own size (the logical screen around it is
// no part of it), its transparent colour drawn as white. True when every
// pixel was decoded from the file; false, target 0 by 0, when no picture was
// found; false, target of the picture's size with the rows not decoded
// white, when it could not be decoded whole. Throws the BitmapError of a
// picture that the pixel budget has no room for.
bool loadGif(PictureInput &input, Bitmap &target);
