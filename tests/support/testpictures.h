#pragma once

// Test pictures made on the spot: JPEG files through libjpeg's compressor,
// PNG and BMP through Qt's writers, GIF and 4-bit BMP by hand, and
// comparisons of bitmaps against what is expected.

#include "bitmap.h"

#include <gtest/gtest.h>

#include <QImage>

#include <array>
#include <string>
#include <vector>

// A picture with smooth gradients and sharp edges, the same every time.
QImage testPattern(int width, int height);

// One scan of a progressive script: its components, its band of
// coefficients and its bit positions, as cjpeg -scans takes them.
struct JpegScan {
    std::vector<int> components;
    int firstCoefficient = 0, lastCoefficient = 63;
    int highBit = 0, lowBit = 0;
};

struct JpegOptions {
    int quality = 90;
    bool progressive = false;
    int dotsPerInch = 0; // 0: no resolution stated
    bool arithmetic = false; // arithmetic coding instead of Huffman's
    std::vector<JpegScan> scans; // a script of one's own instead of libjpeg's
};

// A progressive script as cjpeg -scans takes it: the DC coefficients of
// every component first, their lowest dcLowBit bits left for later; then
// each component's 63 AC coefficients in bands[c] bands of about equal
// width, their lowest acLowBit bits left; then those bits one at a time, in
// refineBands bands (as many as the first scans had when 0), and the DC
// bits last.
std::vector<JpegScan> progressiveScript(const std::vector<int> &bands, int dcLowBit, int acLowBit,
                                        int refineBands = 0);

// A JPEG file of a Format_RGB888 (colour) or Format_Grayscale8 (grey) picture.
std::string encodeJpeg(const QImage &picture, const JpegOptions &options = {});
// A CMYK JPEG file of four bytes a pixel, stored as given, with or without
// the Adobe marker that says the bytes are inverted.
std::string encodeCmykJpeg(int width, int height, const std::vector<uint8_t> &cmyk, bool adobeMarker,
                           JpegOptions options = {});
// A flat grey picture of side by side pixels, arithmetic coded, whose 100
// scans send each bit of the AC coefficients, in nine bands, by itself: a
// file of a few kilobytes, within every bound the program sets, that takes
// a decoder about a second at 4000 by 4000.
std::string slowJpeg(int side);
// libjpeg's plain decode of a JPEG file: Format_RGB888 or Format_Grayscale8.
QImage referenceDecode(const std::string &jpeg);
// Where the frame header (SOF) of a JPEG file starts.
size_t frameHeaderOffset(const std::string &jpeg);
// The same file claiming another size in its frame header: the data that
// is there decodes to a corner, the rest of an arithmetic-coded picture to
// grey, by the rules of its coding.
std::string withSize(std::string jpeg, int width, int height);
// The same file with its first scan, header and data, there times times in
// a row: each a pass over every block of the picture.
std::string withFirstScanRepeated(const std::string &jpeg, int times);

std::string encodeWithQt(const QImage &picture, const char *format);

// A PNG file through libpng's writer, of samples as the file stores them.
struct PngPicture {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colourType = 0;                // PNG_COLOR_TYPE_*
    bool interlaced = false;
    std::vector<std::vector<uint16_t>> samples; // a row each: every channel of every pixel
    std::vector<QRgb> palette;         // with alpha, for a palette's transparency
    int transparent[3] = {-1, -1, -1}; // the transparent grey level or colour, if any
};
std::string encodePng(const PngPicture &picture);
// What a viewer shows of it over white, at 8 bits a channel.
QImage pngPictureOverWhite(const PngPicture &picture);
// A GIF file of a Format_Indexed8 picture, its colour table as the file's.
// Its logical screen is the picture's size unless given, with the picture
// at offset; without a table the file carries no colours at all.
struct GifLayout {
    QSize screen;
    QPoint offset;
    bool colourTable = true;
};
std::string encodeGif(const QImage &indexed, const GifLayout &layout = {});
// A 4-bit BMP file of a Format_Indexed8 picture of at most 16 colours.
std::string encodeBmp4(const QImage &indexed);
// A BMP file of 16 or 32 bits a pixel whose colours lie in the fields of
// masks (red, green, blue, alpha), each level cut to its field's bits (or
// widened, by repeating its top bits), its rows stored from the bottom up
// or top down. The info header is of headerSize bytes: 40, the masks after
// it; 52 (red, green, blue) or 56 (alpha too), the masks inside it; 0, the
// shortest that holds them: 40, or 108 for an alpha field. 16 bits of the
// plain 5-5-5 fields are written without any masks.
std::string encodeBmpFields(const QImage &picture, int bits, const std::array<uint32_t, 4> &masks, bool topDown,
                            int headerSize = 0);
// A BMP file under OS/2's short info header of 16 bytes (sides of 32 bits,
// planes, bits per pixel and nothing more): a Format_Indexed8 picture at 8
// bits after a palette of 256 colours of 4 bytes, any other at 24 bits.
std::string encodeBmpShortHeader(const QImage &picture);
// The fields of 16-bit pixels: 5-5-5, and 5-6-5.
inline constexpr std::array<uint32_t, 4> Fields555 = {0x7C00, 0x03E0, 0x001F, 0};
inline constexpr std::array<uint32_t, 4> Fields565 = {0xF800, 0x07E0, 0x001F, 0};
// A BMP file with its rows stored from the top down, told by a negative height.
std::string asTopDown(const std::string &bmp);
// Where the length byte of each data block of a GIF file's first picture is.
std::vector<size_t> gifDataBlocks(const std::string &gif);

// A lower ceiling of the pixel budget while it lives.
class ScopedPixelCeiling
{
public:
    explicit ScopedPixelCeiling(size_t bytes) { PixelBudget::setCeilingForTesting(bytes); }
    ~ScopedPixelCeiling() { PixelBudget::setCeilingForTesting(0); }
    ScopedPixelCeiling(const ScopedPixelCeiling &) = delete;
    ScopedPixelCeiling &operator=(const ScopedPixelCeiling &) = delete;
};

// The picture's pixels drawn into a bitmap of that format one by one.
Bitmap toBitmap(const QImage &picture, PixelFormat format);

// Every pixel of the bitmap against the picture (alpha ignored).
::testing::AssertionResult samePixels(const Bitmap &bitmap, const QImage &expected);
::testing::AssertionResult samePixels(const Bitmap &bitmap, const Bitmap &expected);
