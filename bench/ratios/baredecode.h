#pragma once

// The floors that picture loading is measured against: libjpeg-turbo or
// libpng on its own, decoding a file's bytes already in memory into a fresh
// buffer, with nothing of ours around it. The buffer is taken as the program
// takes a bitmap's pixels (PixelMemory::allocate), so that both sides meet
// the same pages. The benchmarks decode only files that they wrote
// themselves: a broken one ends the process; warnings print nothing.

#include "pixelmemory.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DecodedPicture {
    int width = 0;
    int height = 0;
    size_t bytesPerLine = 0; // rows start on 32-bit boundaries, as a QImage's must
    int bytesPerPixel = 0;
    PixelMemory::Words memory; // not cleared before decoding: the decoder fills it

    uint8_t *pixels() const { return reinterpret_cast<uint8_t *>(memory.get()); }
};

// Memory for that many bytes as the program's bitmaps take it; ends the
// process when there is none.
PixelMemory::Words pixelMemory(size_t bytes);

// The whole file, read once before any timing.
std::vector<uint8_t> fileBytes(const std::string &path);

// The decoder's own output: 3 bytes a pixel, red, green, blue, drawn as
// QImage::Format_RGB888.
DecodedPicture bareJpegDecode(const std::vector<uint8_t> &file);

// Rows as the file stores them, 8 bits a sample: RGB, RGBA or palette indices.
DecodedPicture barePngDecode(const std::vector<uint8_t> &file);

// A PNG of a palette without transparency as the program shows it: indices
// into the halftone palette of every 8-bit bitmap. Each of the file's
// colours is matched once to its nearest entry, by the program's own
// Bitmap::nearestIndex, and each row then goes through that table, in
// place, as soon as libpng has written it.
DecodedPicture barePngDecodeToHalftone(const std::vector<uint8_t> &file);
