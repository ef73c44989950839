#pragma once

// Turning a picture file into a bitmap: JPEG through libjpeg, PNG through
// libpng, GIF through giflib, BMP by our own reading.

#include "bitmap.h"
#include "picturedepth.h"

#include <string>

// Loads the picture file cp932FileName (code page 932; relative names are
// found from the current directory; "\" separates folders as "/" does) into
// target at the picture's own size and at the depth PixelFormatFor gives for
// the file's bits per pixel. True when every pixel of the picture was
// decoded from the file. Returns false, without a message, for a file that
// is missing, unreadable, no regular file or no picture; target is then 0 by
// 0. A picture that is found but whose pixels the file does not all hold
// also gives false, leaving target at the picture's size and format.
// Throws the BitmapError of a picture too large: for a bitmap, or for the
// pixel budget with room to turn it twice over (before any of its pixels
// are allocated), or for the work its decoding may take (pictureinput.h),
// once that is spent before the picture is whole.
bool LoadPictureFile(const std::string &cp932FileName, Bitmap &target);

// The name of a picture file as LoadPictureFile opens it: UTF-8, each "\"
// a "/".
std::string pictureFilePath(const std::string &cp932FileName);
