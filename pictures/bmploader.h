#pragma once

// Loading a BMP file into a bitmap, by our own reading: the format is a
// header, a palette and rows, as they stand or run-length encoded, and is
// read as it streams from the file.

#include "bitmap.h"

class PictureInput;

// Decodes the BMP file that input has opened into target, top-down and
// bottom-up rows alike; bit fields keep their levels exactly (white stays
// white), and an alpha field, where the header gives one, draws over white.
// True when every pixel was decoded from the file; false, target 0 by 0,
// when no picture was found (run-length encoded rows stored from the top
// down are none); false, target of the picture's size and white, when the
// file does not hold all its pixels, or holds far more than they need
// before they are complete. Throws the BitmapError of a picture that no
// bitmap can hold or the pixel budget has no room for.
bool loadBmp(PictureInput &input, Bitmap &target);
