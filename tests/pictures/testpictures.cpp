#include "testpictures.h"

#include <QBuffer>
#include <QImageWriter>

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace {

// Compressor and decoder of the tests: libjpeg's own error handling is fine
// here, the pictures are valid.
std::string compress(int width, int height, int components, J_COLOR_SPACE space,
                     const std::vector<const uint8_t *> &rows, const JpegOptions &options,
                     bool adobeMarker = true)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.progressive)
        jpeg_simple_progression(&cinfo);
    if (options.dotsPerInch > 0) {
        cinfo.density_unit = 1;
        cinfo.X_density = UINT16(options.dotsPerInch);
        cinfo.Y_density = UINT16(options.dotsPerInch);
    }
    if (space == JCS_CMYK)
        cinfo.write_Adobe_marker = adobeMarker;
    jpeg_start_compress(&cinfo, TRUE);
    for (const uint8_t *row : rows) {
        JSAMPROW line = const_cast<JSAMPROW>(row);
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string bytes(reinterpret_cast<const char *>(out), size);
    std::free(out);
    return bytes;
}

void put16(std::string &out, int value)
{
    out += char(value & 0xFF);
    out += char(value >> 8 & 0xFF);
}

void put32(std::string &out, uint32_t value)
{
    put16(out, int(value & 0xFFFF));
    put16(out, int(value >> 16));
}

} // namespace

QImage testPattern(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int edge = (x / 7 + y / 5) % 2 ? 90 : 0;
            picture.setPixel(x, y, qRgb(x * 255 / std::max(1, width - 1), (y * 255 / std::max(1, height - 1) + edge) % 256,
                                        (x * y + edge) % 256));
        }
    return picture;
}

std::string encodeJpeg(const QImage &picture, const JpegOptions &options)
{
    const bool grey = picture.format() == QImage::Format_Grayscale8;
    const QImage source = grey ? picture : picture.convertToFormat(QImage::Format_RGB888);
    std::vector<const uint8_t *> rows;
    for (int y = 0; y < source.height(); ++y)
        rows.push_back(source.constScanLine(y));
    return compress(source.width(), source.height(), grey ? 1 : 3, grey ? JCS_GRAYSCALE : JCS_RGB, rows,
                    options);
}

std::string encodeCmykJpeg(int width, int height, const std::vector<uint8_t> &cmyk, bool adobeMarker)
{
    std::vector<const uint8_t *> rows;
    for (int y = 0; y < height; ++y)
        rows.push_back(cmyk.data() + size_t(y) * size_t(width) * 4);
    JpegOptions options;
    options.quality = 100;
    return compress(width, height, 4, JCS_CMYK, rows, options, adobeMarker);
}

QImage referenceDecode(const std::string &jpeg)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(jpeg.data()), jpeg.size());
    jpeg_read_header(&cinfo, TRUE);
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    QImage picture(int(cinfo.output_width), int(cinfo.output_height),
                   grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = picture.scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return picture;
}

size_t frameHeaderOffset(const std::string &jpeg)
{
    size_t at = 2;
    while (at + 4 <= jpeg.size() && uint8_t(jpeg[at]) == 0xFF) {
        const uint8_t marker = uint8_t(jpeg[at + 1]);
        if (marker >= 0xC0 && marker <= 0xC2)
            return at;
        at += 2 + size_t(uint8_t(jpeg[at + 2]) << 8 | uint8_t(jpeg[at + 3]));
    }
    return std::string::npos;
}

std::string encodeWithQt(const QImage &picture, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(picture))
        return std::string();
    return bytes.toStdString();
}

std::string encodeGif(const QImage &indexed)
{
    std::string out = "GIF89a";
    put16(out, indexed.width());
    put16(out, indexed.height());
    out += char(0xF7); // a global table of 256 colours
    out += '\0';
    out += '\0';
    for (int i = 0; i < 256; ++i) {
        const QRgb colour = i < indexed.colorCount() ? indexed.color(i) : 0;
        out += char(qRed(colour));
        out += char(qGreen(colour));
        out += char(qBlue(colour));
    }
    out += char(0x2C);
    put16(out, 0);
    put16(out, 0);
    put16(out, indexed.width());
    put16(out, indexed.height());
    out += '\0';
    out += char(8); // minimum code size

    // Every index as a 9-bit literal code, with a clear code often enough
    // that the decoder's table never outgrows 9 bits.
    std::string data;
    uint32_t bits = 0;
    int count = 0;
    const auto code = [&](int value) {
        bits |= uint32_t(value) << count;
        count += 9;
        while (count >= 8) {
            data += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    };
    int sinceClear = 0;
    code(256);
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x) {
            if (sinceClear == 250) {
                code(256);
                sinceClear = 0;
            }
            code(indexed.pixelIndex(x, y));
            ++sinceClear;
        }
    code(257);
    if (count > 0)
        data += char(bits & 0xFF);
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t length = std::min<size_t>(255, data.size() - at);
        out += char(length);
        out += data.substr(at, length);
    }
    out += '\0';
    out += char(0x3B);
    return out;
}

std::string encodeBmp4(const QImage &indexed)
{
    const int width = indexed.width(), height = indexed.height();
    const int stride = (width * 4 + 31) / 32 * 4;
    const uint32_t offset = 14 + 40 + 16 * 4;
    std::string out = "BM";
    put32(out, offset + uint32_t(stride * height));
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put16(out, 1);
    put16(out, 4);
    for (int i = 0; i < 6; ++i)
        put32(out, i == 4 ? 16u : 0u); // no compression, 16 colours used
    for (int i = 0; i < 16; ++i) {
        const QRgb colour = i < indexed.colorCount() ? indexed.color(i) : 0;
        out += char(qBlue(colour));
        out += char(qGreen(colour));
        out += char(qRed(colour));
        out += '\0';
    }
    for (int y = height - 1; y >= 0; --y) { // bottom row first
        std::string row(size_t(stride), '\0');
        for (int x = 0; x < width; ++x)
            row[size_t(x / 2)] = char(row[size_t(x / 2)] | indexed.pixelIndex(x, y) << (x % 2 ? 0 : 4));
        out += row;
    }
    return out;
}

Bitmap toBitmap(const QImage &picture, PixelFormat format)
{
    Bitmap bitmap(picture.width(), picture.height(), format);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            bitmap.setPixel(x, y, picture.pixel(x, y) & 0xFFFFFF);
    return bitmap;
}

namespace {

template <typename ExpectedPixel>
::testing::AssertionResult comparePixels(const Bitmap &bitmap, int width, int height, ExpectedPixel expected)
{
    if (bitmap.width() != width || bitmap.height() != height)
        return ::testing::AssertionFailure() << "size " << bitmap.width() << "x" << bitmap.height()
                                             << ", expected " << width << "x" << height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (bitmap.pixel(x, y) != expected(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex
                                                     << bitmap.pixel(x, y) << ", expected " << expected(x, y);
    return ::testing::AssertionSuccess();
}

} // namespace

::testing::AssertionResult samePixels(const Bitmap &bitmap, const QImage &expected)
{
    return comparePixels(bitmap, expected.width(), expected.height(),
                         [&](int x, int y) { return Rgb(expected.pixel(x, y) & 0xFFFFFFu); });
}

::testing::AssertionResult samePixels(const Bitmap &bitmap, const Bitmap &expected)
{
    return comparePixels(bitmap, expected.width(), expected.height(),
                         [&](int x, int y) { return expected.pixel(x, y); });
}
