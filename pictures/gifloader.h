#pragma once

// Loading a GIF file into a bitmap, through giflib.

#include "bitmap.h"

class PictureInput;

// Decodes the GIF file that input has opened into an 8-bit target of its
// logical screen's size: white, with the first frame drawn at its place,
// its transparent colour as white and what lies off the screen left out.
// True when every pixel of the frame was decoded from the file; false,
// target 0 by 0, when no frame was found; false, target of the screen's
// size with the rows not decoded white, when it could not be decoded whole,
// its decoding cut short by the work its size warrants included. Throws the
// BitmapError of a picture that no bitmap can hold or the pixel budget has
// no room for.
bool loadGif(PictureInput &input, Bitmap &target);
