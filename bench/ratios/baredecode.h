#pragma once

// The floors that picture loading is measured against: libjpeg-turbo or
// libpng on its own, decoding a file's bytes already in memory into a fresh
// buffer, with nothing of ours around it. The benchmarks decode only files
// that they wrote themselves: a broken one ends the process.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct DecodedPicture {
    int width = 0;
    int height = 0;
    size_t bytesPerLine = 0;
    std::unique_ptr<uint8_t[]> pixels; // not cleared before decoding: the decoder fills it
};

// The whole file, read once before any timing.
std::vector<uint8_t> fileBytes(const std::string &path);

enum class JpegOutput {
    Rgb,    // 3 bytes a pixel: the decoder's natural output
    Screen, // 4 bytes a pixel in the order of QImage::Format_RGB32, drawn without conversion
};

DecodedPicture bareJpegDecode(const std::vector<uint8_t> &file, JpegOutput output);

// Rows as the file stores them, 8 bits a sample: RGB, RGBA or palette indices.
DecodedPicture barePngDecode(const std::vector<uint8_t> &file);
