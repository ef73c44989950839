#include "photo.h"

#include <algorithm>
#include <cmath>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <QImage>
#include <QImageWriter>

namespace {

constexpr int Quality = 85;
constexpr int Grain = 4; // grain either way of the picture, in levels of 255

uint8_t clampLevel(double v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// The picture's RGB rows, top to bottom. Blotches follow the picture's
// size, as a photograph's subject does; the grain has a fixed size, as a
// sensor's does.
class PhotoRows
{
public:
    PhotoRows(int width, int height, uint32_t seed)
        : m_width(width), m_height(height), m_phase((seed % 97) * 0.13), m_fy(6.2832 * 2.0 / height),
          m_across(size_t(width)), m_noise(seed * 2654435761u + 1), m_row(size_t(width) * 3)
    {
        const double fx = 6.2832 * 3.0 / width;
        for (int x = 0; x < width; ++x)
            m_across[size_t(x)] = std::sin(fx * x + m_phase);
    }

    const uint8_t *row(int y)
    {
        const double v = double(y) / m_height;
        const double down = std::cos(m_fy * y - m_phase);
        for (int x = 0; x < m_width; ++x) {
            const double u = double(x) / m_width;
            const double blotch = m_across[size_t(x)] * down;
            m_noise ^= m_noise << 13;
            m_noise ^= m_noise >> 17;
            m_noise ^= m_noise << 5;
            const double grain = double(m_noise % (2 * Grain + 1)) - Grain;
            uint8_t *p = &m_row[size_t(x) * 3];
            p[0] = clampLevel(40 + 150 * u + 40 * blotch + grain);
            p[1] = clampLevel(60 + 120 * v - 30 * blotch + grain);
            p[2] = clampLevel(180 - 100 * u * v + 50 * blotch + grain);
        }
        return m_row.data();
    }

private:
    int m_width;
    int m_height;
    double m_phase;
    double m_fy;
    std::vector<double> m_across;
    uint32_t m_noise;
    std::vector<uint8_t> m_row;
};

void writeBytes(const std::string &path, const unsigned char *bytes, size_t size)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char *>(bytes), std::streamsize(size));
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

enum class JpegKind { Baseline, Progressive, CostliestScript };

// The costliest script an encoder writes for its number of scans: every
// bit of every coefficient sent by itself (the point transform at its
// highest, 10, then a scan for each bit below), the luma's AC coefficients
// in five bands each time; 88 scans.
std::vector<jpeg_scan_info> costliestScript()
{
    std::vector<jpeg_scan_info> script;
    const auto scan = [&](std::initializer_list<int> components, int first, int last, int high, int low) {
        jpeg_scan_info info = {};
        info.comps_in_scan = int(components.size());
        int i = 0;
        for (int component : components)
            info.component_index[i++] = component;
        info.Ss = first;
        info.Se = last;
        info.Ah = high;
        info.Al = low;
        script.push_back(info);
    };
    constexpr int Top = 10, LumaBands = 5;
    for (int bit = Top; bit >= 0; --bit) {
        const int high = bit == Top ? 0 : bit + 1;
        scan({0, 1, 2}, 0, 0, high, bit);
        for (int band = 0; band < LumaBands; ++band)
            scan({0}, 1 + 63 * band / LumaBands, 63 * (band + 1) / LumaBands, high, bit);
        scan({1}, 1, 63, high, bit);
        scan({2}, 1, 63, high, bit);
    }
    return script;
}

// The JPEG file in memory.
std::vector<unsigned char> encodeJpeg(int width, int height, uint32_t seed, JpegKind kind)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, Quality, TRUE);
    const std::vector<jpeg_scan_info> script = costliestScript();
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&cinfo);
    if (kind == JpegKind::CostliestScript) {
        cinfo.scan_info = script.data();
        cinfo.num_scans = int(script.size());
        cinfo.arith_code = TRUE;
    }
    jpeg_start_compress(&cinfo, TRUE);
    PhotoRows photo(width, height, seed);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {const_cast<JSAMPROW>(photo.row(int(cinfo.next_scanline)))};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<unsigned char> file(buffer, buffer + size);
    std::free(buffer);
    return file;
}

// The palette of the pictures with one: 6 levels of red, 7 of green and 6
// of blue, and each colour's nearest entry.
std::vector<png_color> photoPalette()
{
    std::vector<png_color> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back({png_byte(r * 51), png_byte(g * 42), png_byte(b * 51)});
    return palette;
}

uint8_t paletteIndex(const uint8_t *rgb)
{
    return uint8_t(((rgb[0] + 25) / 51 * 7 + (rgb[1] + 21) / 42) * 6 + (rgb[2] + 25) / 51);
}

void putLittle(std::vector<unsigned char> &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

// A GIF of the picture through the palette, its codes 9-bit literals with
// a clear code often enough that the table never grows, as the simplest
// encoders write; a comment of one-byte blocks before the picture.
std::vector<unsigned char> paddedGif(int width, int height, uint32_t seed, size_t commentBlocks)
{
    std::vector<unsigned char> out = {'G', 'I', 'F', '8', '9', 'a'};
    putLittle(out, uint32_t(width), 2);
    putLittle(out, uint32_t(height), 2);
    out.insert(out.end(), {0xF7, 0, 0}); // a global table of 256 colours
    const std::vector<png_color> palette = photoPalette();
    for (int i = 0; i < 256; ++i) {
        const png_color c = i < int(palette.size()) ? palette[size_t(i)] : png_color{0, 0, 0};
        out.insert(out.end(), {c.red, c.green, c.blue});
    }
    out.insert(out.end(), {0x21, 0xFE});
    for (size_t i = 0; i < commentBlocks; ++i)
        out.insert(out.end(), {1, 'x'});
    out.push_back(0);
    out.push_back(0x2C);
    putLittle(out, 0, 4);
    putLittle(out, uint32_t(width), 2);
    putLittle(out, uint32_t(height), 2);
    out.insert(out.end(), {0, 8});
    std::vector<unsigned char> data;
    uint32_t bits = 0;
    int held = 0;
    const auto code = [&](uint32_t value) {
        bits |= value << held;
        for (held += 9; held >= 8; held -= 8, bits >>= 8)
            data.push_back(uint8_t(bits));
    };
    PhotoRows photo(width, height, seed);
    int sinceClear = 254;
    for (int y = 0; y < height; ++y) {
        const uint8_t *rgb = photo.row(y);
        for (int x = 0; x < width; ++x) {
            if (sinceClear++ == 254) {
                code(256);
                sinceClear = 1;
            }
            code(paletteIndex(rgb + 3 * x));
        }
    }
    code(257);
    if (held > 0)
        data.push_back(uint8_t(bits));
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t length = std::min<size_t>(255, data.size() - at);
        out.push_back(uint8_t(length));
        out.insert(out.end(), data.begin() + long(at), data.begin() + long(at + length));
    }
    out.insert(out.end(), {0, 0x3B});
    return out;
}

// An 8-bit BMP of the picture through the palette, its rows in runs of one
// index, bottom row first, after moves that go nowhere.
std::vector<unsigned char> paddedBmp(int width, int height, uint32_t seed, size_t emptyMoves)
{
    std::vector<std::vector<uint8_t>> indices;
    PhotoRows photo(width, height, seed);
    for (int y = 0; y < height; ++y) {
        const uint8_t *rgb = photo.row(y);
        indices.emplace_back();
        for (int x = 0; x < width; ++x)
            indices.back().push_back(paletteIndex(rgb + 3 * x));
    }
    std::vector<unsigned char> rows;
    rows.reserve(4 * emptyMoves);
    for (size_t i = 0; i < emptyMoves; ++i)
        rows.insert(rows.end(), {0, 2, 0, 0});
    for (int y = height - 1; y >= 0; --y) {
        const std::vector<uint8_t> &row = indices[size_t(y)];
        for (size_t x = 0; x < row.size();) {
            size_t run = 1;
            while (x + run < row.size() && run < 255 && row[x + run] == row[x])
                ++run;
            rows.insert(rows.end(), {uint8_t(run), row[x]});
            x += run;
        }
        rows.insert(rows.end(), {0, 0});
    }
    rows.insert(rows.end(), {0, 1});
    const std::vector<png_color> palette = photoPalette();
    const uint32_t offset = 14 + 40 + 4 * uint32_t(palette.size());
    std::vector<unsigned char> out = {'B', 'M'};
    putLittle(out, offset + uint32_t(rows.size()), 4);
    putLittle(out, 0, 4);
    putLittle(out, offset, 4);
    putLittle(out, 40, 4);
    putLittle(out, uint32_t(width), 4);
    putLittle(out, uint32_t(height), 4);
    putLittle(out, 1, 2);                     // planes
    putLittle(out, 8, 2);                     // bits per pixel
    putLittle(out, 1, 4);                     // run-length encoded, 8 bits
    putLittle(out, uint32_t(rows.size()), 4);
    putLittle(out, 0, 8);                     // resolution
    putLittle(out, uint32_t(palette.size()), 4);
    putLittle(out, 0, 4);
    for (const png_color &c : palette)
        out.insert(out.end(), {c.blue, c.green, c.red, 0});
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

} // namespace

void writePhotoJpeg(const std::string &path, int width, int height, uint32_t seed)
{
    const std::vector<unsigned char> file = encodeJpeg(width, height, seed, JpegKind::Baseline);
    writeBytes(path, file.data(), file.size());
}

void writeHostileJpeg(const std::string &path, int width, int height, uint32_t seed)
{
    std::vector<unsigned char> file = encodeJpeg(64, 64, seed, JpegKind::CostliestScript);
    // The frame header, before the first scan: height, then width.
    size_t frame = 2;
    while (file[frame + 1] != 0xCA) // start of a progressive, arithmetic-coded frame
        frame += 2 + (size_t(file[frame + 2]) << 8 | file[frame + 3]);
    file[frame + 5] = uint8_t(height >> 8);
    file[frame + 6] = uint8_t(height & 0xFF);
    file[frame + 7] = uint8_t(width >> 8);
    file[frame + 8] = uint8_t(width & 0xFF);
    writeBytes(path, file.data(), file.size());
}

void writePhotoPng(const std::string &path, int width, int height, uint32_t seed, PngKind kind, size_t emptyChunks)
{
    struct FileCloser {
        void operator()(FILE *file) const { std::fclose(file); }
    };
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        throw std::runtime_error("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file.get());
    const int colourType = kind == PngKind::Rgb     ? PNG_COLOR_TYPE_RGB
                           : kind == PngKind::Alpha ? PNG_COLOR_TYPE_RGB_ALPHA
                                                    : PNG_COLOR_TYPE_PALETTE;
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette = photoPalette();
    if (kind == PngKind::Palette)
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    png_write_info(png, info);
    // Chunks of no kind a reader knows, empty, before the data.
    static const png_byte unknown[] = {'a', 'b', 'C', 'd', 0};
    for (size_t i = 0; i < emptyChunks; ++i)
        png_write_chunk(png, unknown, nullptr, 0);

    PhotoRows photo(width, height, seed);
    const int channels = kind == PngKind::Rgb ? 3 : kind == PngKind::Alpha ? 4 : 1;
    std::vector<png_byte> row(size_t(width) * size_t(channels));
    for (int y = 0; y < height; ++y) {
        const uint8_t *rgb = photo.row(y);
        const double dy = 2.0 * y / height - 1;
        for (int x = 0; x < width; ++x) {
            const uint8_t *p = rgb + size_t(x) * 3;
            png_byte *out = &row[size_t(x) * size_t(channels)];
            if (kind == PngKind::Palette) {
                out[0] = paletteIndex(p);
                continue;
            }
            out[0] = p[0];
            out[1] = p[1];
            out[2] = p[2];
            if (kind == PngKind::Alpha) {
                const double dx = 2.0 * x / width - 1;
                out[3] = clampLevel(255 * (1.6 - dx * dx - dy * dy));
            }
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::ferror(file.get()))
        throw std::runtime_error("cannot write " + path);
}

void writePhotoGif(const std::string &path, int width, int height, uint32_t seed)
{
    std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
    const std::vector<png_color> palette = photoPalette();
    for (size_t i = 0; i < palette.size(); ++i)
        colours[i] = {palette[i].red, palette[i].green, palette[i].blue};
    int error = 0;
    GifFileType *gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif)
        throw std::runtime_error("cannot write " + path);
    ColorMapObject *map = GifMakeMapObject(256, colours.data());
    bool written = map && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK
                   && EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    PhotoRows photo(width, height, seed);
    std::vector<GifPixelType> row(static_cast<size_t>(width));
    for (int y = 0; y < height && written; ++y) {
        const uint8_t *rgb = photo.row(y);
        for (int x = 0; x < width; ++x)
            row[size_t(x)] = paletteIndex(rgb + 3 * x);
        written = EGifPutLine(gif, row.data(), width) == GIF_OK;
    }
    written = EGifCloseFile(gif, &error) == GIF_OK && written;
    GifFreeMapObject(map);
    if (!written)
        throw std::runtime_error("cannot write " + path);
}

void writePhotoBmp(const std::string &path, int width, int height, uint32_t seed)
{
    QImage picture(width, height, QImage::Format_RGB888);
    PhotoRows photo(width, height, seed);
    for (int y = 0; y < height; ++y)
        std::copy_n(photo.row(y), size_t(width) * 3, picture.scanLine(y));
    QImageWriter writer(QString::fromStdString(path), "bmp");
    if (!writer.write(picture))
        throw std::runtime_error("cannot write " + path);
}

void writePaddedPicture(const std::string &path, PictureFormat format, int width, int height, uint32_t seed,
                        size_t padding)
{
    std::vector<unsigned char> file;
    switch (format) {
    case PictureFormat::Jpeg:
        file = encodeJpeg(width, height, seed, JpegKind::Progressive);
        file.insert(file.end() - 2, padding, 0xFF);
        break;
    case PictureFormat::Png:
        // Each empty chunk takes 12 bytes.
        writePhotoPng(path, width, height, seed, PngKind::Rgb, padding / 12);
        return;
    case PictureFormat::Gif:
        file = paddedGif(width, height, seed, padding / 2);
        break;
    case PictureFormat::Bmp:
        file = paddedBmp(width, height, seed, padding / 4);
        break;
    }
    writeBytes(path, file.data(), file.size());
}
