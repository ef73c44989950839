#pragma once

// Test pictures made on the spot: JPEG files through libjpeg's compressor,
// PNG and BMP through Qt's writers, GIF and 4-bit BMP by hand, and
// comparisons of bitmaps against what is expected.

#include "bitmap.h"

#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

// A picture with smooth gradients and sharp edges, the same every time.
QImage testPattern(int width, int height);

struct JpegOptions {
    int quality = 90;
    bool progressive = false;
    int dotsPerInch = 0; // 0: no resolution stated
};

// A JPEG file of a Format_RGB888 (colour) or Format_Grayscale8 (grey) picture.
std::string encodeJpeg(const QImage &picture, const JpegOptions &options = {});
// A CMYK JPEG file of four bytes a pixel, stored as given, with or without
// the Adobe marker that says the bytes are inverted.
std::string encodeCmykJpeg(int width, int height, const std::vector<uint8_t> &cmyk, bool adobeMarker);
// libjpeg's plain decode of a JPEG file: Format_RGB888 or Format_Grayscale8.
QImage referenceDecode(const std::string &jpeg);
// Where the frame header (SOF) of a JPEG file starts.
size_t frameHeaderOffset(const std::string &jpeg);

std::string encodeWithQt(const QImage &picture, const char *format);
// A GIF file of a Format_Indexed8 picture, its colour table as the file's.
std::string encodeGif(const QImage &indexed);
// A 4-bit BMP file of a Format_Indexed8 picture of at most 16 colours.
std::string encodeBmp4(const QImage &indexed);

// The picture's pixels drawn into a bitmap of that format one by one.
Bitmap toBitmap(const QImage &picture, PixelFormat format);

// Every pixel of the bitmap against the picture (alpha ignored).
::testing::AssertionResult samePixels(const Bitmap &bitmap, const QImage &expected);
::testing::AssertionResult samePixels(const Bitmap &bitmap, const Bitmap &expected);
