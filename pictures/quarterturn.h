#pragma once

// Turning a picture by quarter turns, clockwise as seen on screen.

#include "bitmap.h"

// Turns the width by height part of picture at its top left (width and
// height are the measures of the box showing it) by 90, 180 or 270 degrees
// into a new Device bitmap: height by width for 90 and 270, width by height
// for 180. Where the box reaches past the picture the turn is white. Any
// other angle gives an empty bitmap. Throws BitmapError when the turned
// size cannot be made.
Bitmap quarterTurn(const Bitmap &picture, int width, int height, int angle);
