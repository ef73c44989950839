#pragma once

// Turning a picture file into a bitmap: JPEG through libjpeg, PNG through
// libpng, GIF through giflib, BMP by our own reading.

#include "bitmap.h"
#include "picturedepth.h"

#include <string>

class PictureInput;

// Loads the picture file cp932FileName (code page 932; relative names are
// found from the current directory; "\" separates folders as "/" does) into
// target at the picture's own size and at the depth PixelFormatFor gives for
// the file's bits per pixel. True when every pixel of the picture was
// decoded from the file. Otherwise false, without an error of its own, and
// the caller's message names the file: for a file that is missing,
// unreadable, no regular file or no picture, target then 0 by 0; for a
// picture whose pixels the file does not all hold, or whose file asks for
// more work than a picture of its size warrants before its pixels are
// complete (pictureinput.h), target then at the picture's size and format
// once the file has said it (0 by 0 before), white where nothing was
// decoded. Throws only where no bitmap can be made: the BitmapError of a
// size past Bitmap's caps, or past what the pixel budget has left with room
// to turn the picture twice over, before any of its pixels are allocated.
bool LoadPictureFile(const std::string &cp932FileName, Bitmap &target);

// The same for a file that input has opened: what a decoder process runs
// on each file that the window's process hands it (decoderprocess.h).
bool loadPicture(PictureInput &input, Bitmap &target);

// The name of a picture file as LoadPictureFile opens it: UTF-8, each "\"
// a "/".
std::string pictureFilePath(const std::string &cp932FileName);
