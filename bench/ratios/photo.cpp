#include "photo.h"

#include <cmath>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <memory>
#include <stdexcept>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int Quality = 85;
constexpr int Grain = 4; // grain either way of the picture, in levels of 255

struct FileCloser {
    void operator()(FILE *file) const { std::fclose(file); }
};

uint8_t clampLevel(double v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

} // namespace

void writePhotoJpeg(const std::string &path, int width, int height, uint32_t seed)
{
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        throw std::runtime_error("cannot write " + path);

    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file.get());
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, Quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);

    // Blotches whose size follows the picture's, as a photograph's subject
    // does, and grain of a fixed size, as a sensor's does.
    const double phase = (seed % 97) * 0.13;
    const double fx = 6.2832 * 3.0 / width, fy = 6.2832 * 2.0 / height;
    std::vector<double> across(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        across[size_t(x)] = std::sin(fx * x + phase);
    uint32_t noise = seed * 2654435761u + 1;
    std::vector<uint8_t> row(size_t(width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        const double v = double(y) / height;
        const double down = std::cos(fy * y - phase);
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            const double blotch = across[size_t(x)] * down;
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const double grain = double(noise % (2 * Grain + 1)) - Grain;
            uint8_t *p = &row[size_t(x) * 3];
            p[0] = clampLevel(40 + 150 * u + 40 * blotch + grain);
            p[1] = clampLevel(60 + 120 * v - 30 * blotch + grain);
            p[2] = clampLevel(180 - 100 * u * v + 50 * blotch + grain);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    if (std::ferror(file.get()))
        throw std::runtime_error("cannot write " + path);
}
