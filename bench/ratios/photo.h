#pragma once

// Photograph-like JPEG files for the benchmarks: smooth gradients with
// blotches of colour and grain, so that the decoder meets the coefficients
// a real photograph gives it rather than flat colour.

#include <cstdint>
#include <string>

// Writes a width by height colour JPEG (quality 85, 4:2:0) to path; the seed
// makes each picture different. Throws std::runtime_error when the file
// cannot be written.
void writePhotoJpeg(const std::string &path, int width, int height, uint32_t seed);
