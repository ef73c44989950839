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
// coding fills in by its rules, in 88 scans that send every bit of every
// coefficient by itself, the luma's in five bands. The kind of file that
// costs the decoder the most for its size among those the program admits.
void writeHostileJpeg(const std::string &path, int width, int height, uint32_t seed);

enum class PngKind {
    Rgb,     // 24 bits a pixel
    Alpha,   // 32: RGB with an alpha that fades out towards the edges
    Palette, // 8: 252 colours of a palette
};

// The picture as a PNG of that kind, 8 bits a sample, libpng's default
// compression and filters, with emptyChunks chunks of no known kind before
// its data.
void writePhotoPng(const std::string &path, int width, int height, uint32_t seed, PngKind kind,
                   size_t emptyChunks = 0);

// The picture through the PNG's palette of 252 colours as a GIF, written by
// giflib's encoder.
void writePhotoGif(const std::string &path, int width, int height, uint32_t seed);

// The picture as a 24-bit BMP, written by Qt's writer.
void writePhotoBmp(const std::string &path, int width, int height, uint32_t seed);

enum class PictureFormat { Jpeg, Png, Gif, Bmp };

// The picture as a file of that format with padding bytes in it, before
// its pixels are complete, of the kind that costs the program the most time
// for its size in that format: a progressive JPEG with fill bytes before its
// end mark, a PNG with empty chunks of no known kind before its data, a GIF
// with a comment of one-byte blocks before its picture, an 8-bit BMP whose
// run-length data opens with moves that go nowhere. GIF and BMP take the
// PNG's palette of 252 colours.
void writePaddedPicture(const std::string &path, PictureFormat format, int width, int height, uint32_t seed,
                        size_t padding);
