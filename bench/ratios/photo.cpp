#include "photo.h"

#include <cmath>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>
#include <png.h>

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

// The JPEG file in memory; progressive and arithmetic-coded if asked.
std::vector<unsigned char> encodeJpeg(int width, int height, uint32_t seed, bool progressiveArithmetic)
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
    if (progressiveArithmetic) {
        jpeg_simple_progression(&cinfo);
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

// Where the first scan (its SOS marker) begins: everything before it is
// the header and tables, everything after it up to the final EOI the scans.
size_t firstScan(const std::vector<unsigned char> &file)
{
    size_t at = 2; // after SOI
    while (at + 4 <= file.size() && file[at] == 0xFF) {
        if (file[at + 1] == 0xDA)
            return at;
        at += 2 + (size_t(file[at + 2]) << 8 | file[at + 3]);
    }
    throw std::runtime_error("libjpeg wrote no scan");
}

} // namespace

void writePhotoJpeg(const std::string &path, int width, int height, uint32_t seed)
{
    const std::vector<unsigned char> file = encodeJpeg(width, height, seed, false);
    writeBytes(path, file.data(), file.size());
}

void writeHostileJpeg(const std::string &path, int width, int height, uint32_t seed, int firstScanCopies)
{
    std::vector<unsigned char> once = encodeJpeg(64, 64, seed, true);
    const size_t scans = firstScan(once);
    // The frame header, before the first scan: height, then width.
    size_t frame = 2;
    while (once[frame + 1] != 0xCA) // start of a progressive, arithmetic-coded frame
        frame += 2 + (size_t(once[frame + 2]) << 8 | once[frame + 3]);
    once[frame + 5] = uint8_t(height >> 8);
    once[frame + 6] = uint8_t(height & 0xFF);
    once[frame + 7] = uint8_t(width >> 8);
    once[frame + 8] = uint8_t(width & 0xFF);
    size_t second = scans + 2;
    while (!(once[second] == 0xFF && once[second + 1] == 0xDA))
        ++second;
    std::vector<unsigned char> file(once.begin(), once.begin() + long(scans));
    for (int copy = 0; copy < firstScanCopies; ++copy)
        file.insert(file.end(), once.begin() + long(scans), once.begin() + long(second));
    file.insert(file.end(), once.begin() + long(second), once.end());
    writeBytes(path, file.data(), file.size());
}

void writePhotoPng(const std::string &path, int width, int height, uint32_t seed, PngKind kind)
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
    // The palette: 6 levels of red, 7 of green and 6 of blue.
    std::vector<png_color> palette;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back({png_byte(r * 51), png_byte(g * 42), png_byte(b * 51)});
    if (kind == PngKind::Palette)
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    png_write_info(png, info);

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
                out[0] = png_byte(((p[0] + 25) / 51 * 7 + (p[1] + 21) / 42) * 6 + (p[2] + 25) / 51);
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
