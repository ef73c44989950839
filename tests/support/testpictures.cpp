#include "testpictures.h"

#include <QBuffer>
#include <QImageWriter>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <png.h>
#include <sys/resource.h>

namespace {

// The tests of pictures run with a limit on their address space, so that a
// picture that escaped the pixel budget fails its test at once instead of
// taking the machine's memory. AddressSanitizer reserves far more address
// space of its own: under it the budget alone holds.
class AddressSpaceLimit : public ::testing::Environment
{
public:
    void SetUp() override
    {
#if !defined(__SANITIZE_ADDRESS__)
        const rlim_t most = rlim_t{3} << 30;
        rlimit limit{};
        if (getrlimit(RLIMIT_AS, &limit) == 0 && (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > most)) {
            limit.rlim_cur = most;
            setrlimit(RLIMIT_AS, &limit);
        }
#endif
    }
};
[[maybe_unused]] const ::testing::Environment *const addressSpaceLimit =
    ::testing::AddGlobalTestEnvironment(new AddressSpaceLimit);

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
    std::vector<jpeg_scan_info> script;
    for (const JpegScan &scan : options.scans) {
        jpeg_scan_info info = {};
        info.comps_in_scan = int(scan.components.size());
        for (size_t i = 0; i < scan.components.size(); ++i)
            info.component_index[i] = scan.components[i];
        info.Ss = scan.firstCoefficient;
        info.Se = scan.lastCoefficient;
        info.Ah = scan.highBit;
        info.Al = scan.lowBit;
        script.push_back(info);
    }
    if (!script.empty()) {
        cinfo.scan_info = script.data();
        cinfo.num_scans = int(script.size());
    }
    cinfo.arith_code = options.arithmetic;
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

// A BMP file's header, and the start of the info header that all but the
// oldest share: its size, the sides, one plane and the bits per pixel.
// The pixels begin at offset and take pixelBytes.
std::string bmpStart(uint32_t offset, size_t pixelBytes, int headerSize, int width, int height, int bits)
{
    std::string out = "BM";
    put32(out, offset + uint32_t(pixelBytes));
    put32(out, 0);
    put32(out, offset);
    put32(out, uint32_t(headerSize));
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put16(out, 1);
    put16(out, bits);
    return out;
}

// count colours of 4 bytes (blue, green, red, 0): the picture's table, then
// black.
void putBmpPalette(std::string &out, const QImage &picture, int count)
{
    for (int i = 0; i < count; ++i) {
        const QRgb colour = i < picture.colorCount() ? picture.color(i) : 0;
        out += char(qBlue(colour));
        out += char(qGreen(colour));
        out += char(qRed(colour));
        out += '\0';
    }
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

std::vector<JpegScan> progressiveScript(const std::vector<int> &bands, int dcLowBit, int acLowBit,
                                        int refineBands)
{
    const int components = int(bands.size());
    std::vector<JpegScan> script;
    std::vector<int> all;
    for (int c = 0; c < components; ++c)
        all.push_back(c);
    script.push_back({all, 0, 0, 0, dcLowBit});
    const auto acBands = [&](int c, int count, int high, int low) {
        for (int b = 0; b < count; ++b)
            script.push_back({{c}, 1 + 63 * b / count, 63 * (b + 1) / count, high, low});
    };
    for (int c = 0; c < components; ++c)
        acBands(c, bands[size_t(c)], 0, acLowBit);
    for (int bit = acLowBit; bit > 0; --bit)
        for (int c = 0; c < components; ++c)
            acBands(c, refineBands ? refineBands : bands[size_t(c)], bit, bit - 1);
    for (int bit = dcLowBit; bit > 0; --bit)
        script.push_back({all, 0, 0, bit, bit - 1});
    return script;
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

std::string encodeCmykJpeg(int width, int height, const std::vector<uint8_t> &cmyk, bool adobeMarker,
                           JpegOptions options)
{
    std::vector<const uint8_t *> rows;
    for (int y = 0; y < height; ++y)
        rows.push_back(cmyk.data() + size_t(y) * size_t(width) * 4);
    options.quality = 100;
    return compress(width, height, 4, JCS_CMYK, rows, options, adobeMarker);
}

std::string slowJpeg(int side)
{
    QImage grey(side, side, QImage::Format_Grayscale8);
    grey.fill(128);
    JpegOptions options;
    options.progressive = true;
    options.arithmetic = true;
    options.scans = progressiveScript({9}, 0, 10);
    return encodeJpeg(grey, options);
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
        // Every start of frame but those of the hierarchical and lossless
        // kinds, Huffman-coded or arithmetic-coded.
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2 || marker == 0xC9 || marker == 0xCA)
            return at;
        at += 2 + size_t(uint8_t(jpeg[at + 2]) << 8 | uint8_t(jpeg[at + 3]));
    }
    return std::string::npos;
}

std::string withSize(std::string jpeg, int width, int height)
{
    const size_t frame = frameHeaderOffset(jpeg);
    jpeg[frame + 5] = char(height >> 8);
    jpeg[frame + 6] = char(height & 0xFF);
    jpeg[frame + 7] = char(width >> 8);
    jpeg[frame + 8] = char(width & 0xFF);
    return jpeg;
}

std::string withFirstScanRepeated(const std::string &jpeg, int times)
{
    const size_t start = jpeg.find("\xFF\xDA", frameHeaderOffset(jpeg));
    // The scan's data runs to the next marker that is no stuffed byte and
    // no restart.
    size_t end = start + 2 + size_t(uint8_t(jpeg[start + 2]) << 8 | uint8_t(jpeg[start + 3]));
    while (end + 1 < jpeg.size()
           && !(uint8_t(jpeg[end]) == 0xFF && jpeg[end + 1] != 0 && (uint8_t(jpeg[end + 1]) & 0xF8) != 0xD0))
        ++end;
    std::string repeated = jpeg.substr(0, start);
    for (int i = 0; i < times; ++i)
        repeated += jpeg.substr(start, end - start);
    return repeated + jpeg.substr(end);
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

std::string encodePng(const PngPicture &picture)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::string bytes;
    png_set_write_fn(
        png, &bytes,
        [](png_structp writer, png_bytep data, size_t size) {
            static_cast<std::string *>(png_get_io_ptr(writer))->append(reinterpret_cast<const char *>(data), size);
        },
        nullptr);
    png_set_IHDR(png, info, png_uint_32(picture.width), png_uint_32(picture.height), picture.bitDepth,
                 picture.colourType, picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> colours;
    std::vector<png_byte> alphas;
    for (QRgb colour : picture.palette) {
        colours.push_back({png_byte(qRed(colour)), png_byte(qGreen(colour)), png_byte(qBlue(colour))});
        alphas.push_back(png_byte(qAlpha(colour)));
    }
    if (!colours.empty()) {
        png_set_PLTE(png, info, colours.data(), int(colours.size()));
        png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
    }
    if (picture.transparent[0] >= 0) {
        png_color_16 transparent{};
        transparent.gray = png_uint_16(picture.transparent[0]);
        transparent.red = png_uint_16(picture.transparent[0]);
        transparent.green = png_uint_16(picture.transparent[1]);
        transparent.blue = png_uint_16(picture.transparent[2]);
        png_set_tRNS(png, info, nullptr, 0, &transparent);
    }
    png_write_info(png, info);
    // Samples packed as the file stores them: below 8 bits several to a
    // byte, leftmost highest; 16 bits with the high byte first.
    std::vector<std::vector<png_byte>> rows;
    for (const std::vector<uint16_t> &samples : picture.samples) {
        std::vector<png_byte> row((samples.size() * size_t(picture.bitDepth) + 7) / 8);
        for (size_t i = 0; i < samples.size(); ++i) {
            if (picture.bitDepth == 16) {
                row[2 * i] = png_byte(samples[i] >> 8);
                row[2 * i + 1] = png_byte(samples[i] & 0xFF);
            } else {
                const size_t bit = i * size_t(picture.bitDepth);
                row[bit / 8] = png_byte(row[bit / 8] | samples[i] << (8 - picture.bitDepth - bit % 8));
            }
        }
        rows.push_back(row);
    }
    std::vector<png_bytep> pointers;
    for (std::vector<png_byte> &row : rows)
        pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

QImage pngPictureOverWhite(const PngPicture &picture)
{
    QImage shown(picture.width, picture.height, QImage::Format_RGB32);
    const int top = (1 << picture.bitDepth) - 1;
    const auto level = [&](int sample) { return sample * 255 / top; }; // 16 bits: multiples of 257 only
    const auto over = [](int c, int alpha) { return (c * alpha + 255 * (255 - alpha) + 127) / 255; };
    const bool colour = picture.colourType & PNG_COLOR_MASK_COLOR;
    const bool alpha = picture.colourType & PNG_COLOR_MASK_ALPHA;
    const int channels = picture.colourType == PNG_COLOR_TYPE_PALETTE ? 1 : (colour ? 3 : 1) + (alpha ? 1 : 0);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const uint16_t *s = picture.samples[size_t(y)].data() + size_t(x * channels);
            int r, g, b, a = 255;
            if (picture.colourType == PNG_COLOR_TYPE_PALETTE) {
                const QRgb entry = picture.palette[s[0]];
                r = qRed(entry), g = qGreen(entry), b = qBlue(entry), a = qAlpha(entry);
            } else {
                const bool opaqueMatch = picture.transparent[0] >= 0 && s[0] == picture.transparent[0]
                                         && (!colour || (s[1] == picture.transparent[1] && s[2] == picture.transparent[2]));
                r = level(s[0]);
                g = colour ? level(s[1]) : r;
                b = colour ? level(s[2]) : r;
                if (alpha)
                    a = level(s[colour ? 3 : 1]);
                if (opaqueMatch)
                    a = 0;
            }
            shown.setPixel(x, y, qRgb(over(r, a), over(g, a), over(b, a)));
        }
    return shown;
}

std::string encodeGif(const QImage &indexed, const GifLayout &layout)
{
    std::string out = "GIF89a";
    const QSize screen = layout.screen.isValid() ? layout.screen : indexed.size();
    put16(out, screen.width());
    put16(out, screen.height());
    out += char(layout.colourTable ? 0xF7 : 0x70); // a global table of 256 colours, or none
    out += '\0';
    out += '\0';
    for (int i = 0; layout.colourTable && i < 256; ++i) {
        const QRgb colour = i < indexed.colorCount() ? indexed.color(i) : 0;
        out += char(qRed(colour));
        out += char(qGreen(colour));
        out += char(qBlue(colour));
    }
    out += char(0x2C);
    put16(out, layout.offset.x());
    put16(out, layout.offset.y());
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
    std::string out = bmpStart(offset, size_t(stride * height), 40, width, height, 4);
    for (int i = 0; i < 6; ++i)
        put32(out, i == 4 ? 16u : 0u); // no compression, 16 colours used
    putBmpPalette(out, indexed, 16);
    for (int y = height - 1; y >= 0; --y) { // bottom row first
        std::string row(size_t(stride), '\0');
        for (int x = 0; x < width; ++x)
            row[size_t(x / 2)] = char(row[size_t(x / 2)] | indexed.pixelIndex(x, y) << (x % 2 ? 0 : 4));
        out += row;
    }
    return out;
}

uint32_t bmpField(int level, uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int bits = std::popcount(mask);
    const uint32_t value = bits <= 8 ? uint32_t(level) >> (8 - bits)
                                     : uint32_t(level) << (bits - 8) | uint32_t(level) >> (16 - bits);
    return value << std::countr_zero(mask);
}

std::string encodeBmpFields(const QImage &picture, int bits, const std::array<uint32_t, 4> &masks, bool topDown,
                            int headerSize)
{
    const int width = picture.width(), height = picture.height();
    const int stride = (width * bits + 31) / 32 * 4;
    const bool plain = bits == 16 && masks == std::array<uint32_t, 4>{0x7C00, 0x03E0, 0x001F, 0};
    if (headerSize == 0)
        headerSize = masks[3] != 0 ? 108 : 40;
    const int inside = headerSize == 40 ? 0 : headerSize == 52 ? 3 : 4; // masks within the header
    const uint32_t offset = 14 + uint32_t(headerSize) + (plain || inside > 0 ? 0 : 12);
    std::string out = bmpStart(offset, size_t(stride * height), headerSize, width, topDown ? -height : height, bits);
    put32(out, plain ? 0 : 3); // the plain 5-5-5, or bit fields
    for (int i = 0; i < 5; ++i)
        put32(out, 0);
    for (int i = 0; i < (plain ? 0 : inside > 0 ? inside : 3); ++i)
        put32(out, masks[size_t(i)]);
    out.resize(offset, '\0'); // the rest of a longer header
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        std::string line(size_t(stride), '\0');
        for (int x = 0; x < width; ++x) {
            const QRgb c = picture.pixel(x, y);
            const uint32_t value = bmpField(qRed(c), masks[0]) | bmpField(qGreen(c), masks[1])
                                   | bmpField(qBlue(c), masks[2]) | bmpField(qAlpha(c), masks[3]);
            for (int i = 0; i < bits / 8; ++i)
                line[size_t(x * bits / 8 + i)] = char(value >> (8 * i) & 0xFF);
        }
        out += line;
    }
    return out;
}

std::string encodeBmpShortHeader(const QImage &picture)
{
    const bool indexed = picture.format() == QImage::Format_Indexed8;
    const int bits = indexed ? 8 : 24;
    const int width = picture.width(), height = picture.height();
    const int stride = (width * bits + 31) / 32 * 4;
    const uint32_t offset = 14 + 16 + (indexed ? 256 * 4 : 0);
    std::string out = bmpStart(offset, size_t(stride * height), 16, width, height, bits);
    putBmpPalette(out, picture, indexed ? 256 : 0);
    for (int y = height - 1; y >= 0; --y) { // bottom row first
        std::string row(size_t(stride), '\0');
        for (int x = 0; x < width; ++x) {
            if (indexed) {
                row[size_t(x)] = char(picture.pixelIndex(x, y));
                continue;
            }
            const QRgb c = picture.pixel(x, y);
            row[size_t(3 * x)] = char(qBlue(c));
            row[size_t(3 * x + 1)] = char(qGreen(c));
            row[size_t(3 * x + 2)] = char(qRed(c));
        }
        out += row;
    }
    return out;
}

std::string asTopDown(const std::string &bmp)
{
    const auto le = [&](size_t at, int bytes) {
        uint32_t value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = value << 8 | uint8_t(bmp[at + size_t(i)]);
        return value;
    };
    const size_t offset = le(10, 4);
    const int width = int(le(18, 4)), height = int(le(22, 4)), bits = int(le(28, 2));
    const size_t stride = size_t(width * bits + 31) / 32 * 4;
    std::string out = bmp.substr(0, offset);
    std::string negative;
    put32(negative, uint32_t(-height));
    out.replace(22, 4, negative);
    for (int row = height - 1; row >= 0; --row)
        out += bmp.substr(offset + size_t(row) * stride, stride);
    return out;
}

std::vector<size_t> gifDataBlocks(const std::string &gif)
{
    const auto table = [](uint8_t flags) { return flags & 0x80 ? size_t(3) << ((flags & 7) + 1) : 0; };
    size_t at = 13 + table(uint8_t(gif[10]));
    while (at < gif.size() && gif[at] == 0x21) { // extensions
        at += 2;
        while (gif[at] != 0)
            at += 1 + uint8_t(gif[at]);
        ++at;
    }
    at += 10 + table(uint8_t(gif[at + 9])) + 1; // descriptor, table, code size
    std::vector<size_t> blocks;
    while (at < gif.size() && gif[at] != 0) {
        blocks.push_back(at);
        at += 1 + uint8_t(gif[at]);
    }
    return blocks;
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
