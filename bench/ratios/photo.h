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

// The same picture as a progressive, arithmetic-coded JPEG whose whole run
// of scans is sent `passes` times over. Each pass walks every block again
// and leaves the same picture, so a decoder must accept the file and pays
// for it `passes` times.
void writeRepeatedScanJpeg(const std::string &path, int width, int height, uint32_t seed, int passes);

enum class PngKind {
    Rgb,     // 24 bits a pixel
    Alpha,   // 32: RGB with an alpha that fades out towards the edges
    Palette, // 8: 252 colours of a palette
};

// The picture as a PNG of that kind, 8 bits a sample, libpng's default
// compression and filters.
void writePhotoPng(const std::string &path, int width, int height, uint32_t seed, PngKind kind);
