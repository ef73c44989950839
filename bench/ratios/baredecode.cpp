#include "baredecode.h"

#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <cstdlib>
#include <memory>

#include <jpeglib.h>

size_t bareDecode(const std::string &path)
{
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file) {
        std::perror(path.c_str());
        std::exit(1);
    }
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);

    const size_t stride = size_t(cinfo.output_width) * 3;
    const size_t size = stride * cinfo.output_height;
    std::unique_ptr<JSAMPLE[]> pixels(new JSAMPLE[size]); // not cleared: libjpeg fills it
    constexpr JDIMENSION RowsPerRead = 16;
    JSAMPROW rows[RowsPerRead];
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION left = cinfo.output_height - cinfo.output_scanline;
        const JDIMENSION wanted = left < RowsPerRead ? left : RowsPerRead;
        for (JDIMENSION i = 0; i < wanted; ++i)
            rows[i] = pixels.get() + (cinfo.output_scanline + i) * stride;
        jpeg_read_scanlines(&cinfo, rows, wanted);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return size;
}
