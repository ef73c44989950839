#pragma once

// Loading a JPEG file into a bitmap: the C++ side of the decoder.

#include "bitmap.h"

class PictureInput;

// Decodes the JPEG file that input has opened into target. True when every
// pixel was decoded from the file; false, target 0 by 0, when no picture was
// found; false, target of the picture's size with the rows not decoded
// white, when it could not be decoded whole, scans that visit its blocks
// more often than any encoder's included. Throws the BitmapError of a
// picture that no bitmap can hold or the pixel budget has no room for.
bool loadJpeg(PictureInput &input, Bitmap &target);
