#include "baredecode.h"

#include "bitmap.h"

#include <array>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <jpeglib.h>
#include <png.h>

namespace {

struct MemoryReader {
    const uint8_t *next;
    size_t left;
};

void readPngBytes(png_structp png, png_bytep target, size_t size)
{
    auto *reader = static_cast<MemoryReader *>(png_get_io_ptr(png));
    if (size > reader->left)
        png_error(png, "the file ends early");
    std::memcpy(target, reader->next, size);
    reader->next += size;
    reader->left -= size;
}

[[noreturn]] void stopOnPngError(png_structp, png_const_charp message)
{
    std::fprintf(stderr, "libpng: %s\n", message);
    std::exit(1);
}

void ignorePngWarning(png_structp, png_const_charp) {}

// Warnings and traces, such as the hostile files' repeated scans, which
// libjpeg would print once for every copy.
void ignoreJpegMessage(j_common_ptr, int) {}

} // namespace

PixelMemory::Words pixelMemory(size_t bytes)
{
    PixelMemory::Words memory = PixelMemory::allocate((bytes + 3) / 4 * 4);
    if (!memory) {
        std::fprintf(stderr, "no memory for %zu bytes of pixels\n", bytes);
        std::exit(1);
    }
    return memory;
}

std::vector<uint8_t> fileBytes(const std::string &path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> bytes(file ? size_t(file.tellg()) : 0);
    file.seekg(0);
    if (bytes.empty() || !file.read(reinterpret_cast<char *>(bytes.data()), std::streamsize(bytes.size()))) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(1);
    }
    return bytes;
}

DecodedPicture bareJpegDecode(const std::vector<uint8_t> &file)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors); // ends the process on an error
    errors.emit_message = ignoreJpegMessage;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);

    DecodedPicture picture;
    picture.width = int(cinfo.output_width);
    picture.height = int(cinfo.output_height);
    picture.bytesPerPixel = cinfo.output_components;
    picture.bytesPerLine = (size_t(cinfo.output_width) * size_t(cinfo.output_components) + 3) / 4 * 4;
    picture.memory = pixelMemory(picture.bytesPerLine * cinfo.output_height);
    constexpr JDIMENSION RowsPerRead = 16;
    JSAMPROW rows[RowsPerRead];
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION left = cinfo.output_height - cinfo.output_scanline;
        const JDIMENSION wanted = left < RowsPerRead ? left : RowsPerRead;
        for (JDIMENSION i = 0; i < wanted; ++i)
            rows[i] = picture.pixels() + (cinfo.output_scanline + i) * picture.bytesPerLine;
        jpeg_read_scanlines(&cinfo, rows, wanted);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return picture;
}

namespace {

// Reads a PNG from memory into a fresh buffer of rows as the file stores
// them, a row at a time, as the benchmarks' files are not interlaced; each
// row, once written, goes to eachRow(row, width).
template<typename EachRow>
DecodedPicture barePngRead(const std::vector<uint8_t> &file, EachRow &&eachRow)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, stopOnPngError, ignorePngWarning);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{file.data(), file.size()};
    png_set_read_fn(png, &reader, readPngBytes);
    png_read_info(png, info);

    DecodedPicture picture;
    picture.width = int(png_get_image_width(png, info));
    picture.height = int(png_get_image_height(png, info));
    picture.bytesPerLine = png_get_rowbytes(png, info);
    picture.memory = pixelMemory(picture.bytesPerLine * size_t(picture.height));
    eachRow.start(png, info);
    for (int y = 0; y < picture.height; ++y) {
        png_bytep row = picture.pixels() + size_t(y) * picture.bytesPerLine;
        png_read_row(png, row, nullptr);
        eachRow(row, picture.width);
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return picture;
}

struct KeepRows {
    void start(png_structp, png_infop) {}
    void operator()(png_bytep, int) {}
};

class HalftoneRows
{
public:
    void start(png_structp png, png_infop info)
    {
        png_colorp colours = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &colours, &count);
        for (int i = 0; i < count; ++i)
            m_indexFor[size_t(i)] = halftone().nearestIndex(Rgb(colours[i].red << 16 | colours[i].green << 8
                                                                 | colours[i].blue));
    }
    void operator()(png_bytep row, int width)
    {
        for (int x = 0; x < width; ++x)
            row[x] = m_indexFor[row[x]];
    }

private:
    // Any 8-bit bitmap: its palette is the halftone palette.
    static const Bitmap &halftone()
    {
        static const Bitmap bitmap(1, 1, PixelFormat::Indexed8);
        return bitmap;
    }

    std::array<uint8_t, 256> m_indexFor{};
};

} // namespace

DecodedPicture barePngDecode(const std::vector<uint8_t> &file)
{
    return barePngRead(file, KeepRows{});
}

DecodedPicture barePngDecodeToHalftone(const std::vector<uint8_t> &file)
{
    return barePngRead(file, HalftoneRows{});
}
