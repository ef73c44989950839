#pragma once

// Photograph-like picture files for the benchmarks: smooth gradients with
// blotches of colour and grain, so that the decoders meet what a real
// photograph gives them rather than flat colour. The seed makes each picture
// different. Each writer throws std::runtime_error when the file cannot be
// written.

#include <cstdint>
#include <string>

// A width by height colour JPEG, baseline, quality 85, 4:2:0.
void writePhotoJpeg(const std::string &path, int width, int height, uint32_t seed);

// A progressive, arithmetic-coded JPEG of a few kilobytes that claims width
// by height pixels: a corner of the picture is data, the rest is what the
// coding fills in by its rules, and its first scan (the DC of all three
// components, a pass over every block) is sent firstScanCopies times. The
// kind of file that costs a decoder the most for its size.
void writeHostileJpeg(const std::string &path, int width, int height, uint32_t seed, int firstScanCopies);

enum class PngKind {
    Rgb,     // 24 bits a pixel
    Alpha,   // 32: RGB with an alpha that fades out towards the edges
    Palette, // 8: 252 colours of a palette
};

// The picture as a PNG of that kind, 8 bits a sample, libpng's default
// compression and filters.
void writePhotoPng(const std::string &path, int width, int height, uint32_t seed, PngKind kind);
