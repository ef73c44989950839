#include "pngdecoder.h"

#include <png.h>

#include <cstring>

namespace {

// libpng reads these chunks itself. The picture needs none of them: no
// colour profile, gamma or text changes what it shows, and a compressed one
// could expand to far more than the picture.
constexpr png_byte IgnoredChunks[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0"
                                     "sRGB\0tEXt\0tIME\0zTXt";
constexpr int IgnoredChunkCount = 17;
// The type of the chunks that hold the picture's data: "IDAT".
constexpr png_uint_32 DataChunk = 0x49444154;

// No message is printed: a failure longjmps back to decodePng.
[[noreturn]] void escapeOnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

PngJob *jobOf(png_structp png)
{
    return static_cast<PngJob *>(png_get_progressive_ptr(png));
}

void readHeader(png_structp png, png_infop info, PngHeader *header)
{
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
    header->interlaced = interlace != PNG_INTERLACE_NONE;
    header->width = width;
    header->height = height;
    header->bitDepth = depth;
    header->bitsPerPixel = depth * png_get_channels(png, info);
    header->palette = colourType == PNG_COLOR_TYPE_PALETTE;
    header->grey = (colourType & PNG_COLOR_MASK_COLOR) == 0;
    header->alpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    header->paletteSize = 0;
    png_colorp palette = nullptr;
    int paletteSize = 0;
    if (png_get_PLTE(png, info, &palette, &paletteSize) != 0) {
        header->paletteSize = paletteSize;
        for (int i = 0; i < paletteSize; ++i) {
            header->paletteColours[i][0] = palette[i].red;
            header->paletteColours[i][1] = palette[i].green;
            header->paletteColours[i][2] = palette[i].blue;
        }
    }
    std::memset(header->paletteAlpha, 0xFF, sizeof header->paletteAlpha);
    header->transparentGrey = -1;
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    png_color_16p transparent = nullptr;
    if (png_get_tRNS(png, info, &alpha, &alphaCount, &transparent) != 0) {
        if (header->palette && alpha)
            std::memcpy(header->paletteAlpha, alpha, size_t(alphaCount < 256 ? alphaCount : 256));
        else if (header->grey && transparent)
            header->transparentGrey = transparent->gray;
    }
}

// The last of the seven passes of an interlaced picture that holds pixels:
// a small picture leaves the later ones empty.
int lastPass(const PngHeader *header)
{
    int last = 0;
    for (int pass = 0; pass < 7; ++pass) {
        if (PNG_PASS_COLS(header->width, pass) != 0 && PNG_PASS_ROWS(header->height, pass) != 0)
            last = pass;
    }
    return last;
}

void setTransformations(png_structp png, PngRows::Output output)
{
    if (output == PngRows::Indices) {
        png_set_packing(png); // a byte a pixel below 8 bits
        return;
    }
    png_set_expand(png); // palette to colours, low grey depths to 8 bits, tRNS to alpha
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    if (output == PngRows::Rgb || output == PngRows::Rgba)
        return;
    png_set_bgr(png);
    if (output == PngRows::Bgrx)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
}

size_t outputBytes(PngRows::Output output)
{
    switch (output) {
    case PngRows::Indices: return 1;
    case PngRows::Rgb: return 3;
    default: return 4;
    }
}

void takeHeader(png_structp png, png_infop info)
{
    PngJob *job = jobOf(png);
    readHeader(png, info, &job->header);
    if (!job->prepare(job->context, &job->header, &job->rows)) {
        job->refused = true;
        png_error(png, "refused");
    }
    png_set_interlace_handling(png);
    job->lastPass = job->header.interlaced ? lastPass(&job->header) : 0;
    setTransformations(png, job->rows.output);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(job->header.width) * outputBytes(job->rows.output))
        png_error(png, "unexpected rows");
}

void finishAll(PngJob *job)
{
    for (unsigned y = 0; y < job->header.height; ++y) {
        if (job->rows.finish)
            job->finishRow(job->context, y, job->rows.first + size_t(y) * job->rows.stride);
        job->rowsFinished = y + 1;
    }
}

// Interlaced pictures come in seven passes over the same rows, each pass
// handed out row by row down the whole picture, its pixels spread over the
// places that later passes fill in. A row is whole, and can be finished,
// only once the last pass is in.
void takeRow(png_structp png, png_bytep newRow, png_uint_32 y, int pass)
{
    PngJob *job = jobOf(png);
    if (y >= job->header.height || job->rowsFinished == job->header.height)
        return;
    unsigned char *row = job->rows.first + size_t(y) * job->rows.stride;
    if (!job->header.interlaced) {
        // A whole row: finished from libpng's own, without a copy first.
        if (job->rows.finish)
            job->finishRow(job->context, y, newRow);
        else
            png_progressive_combine_row(png, row, newRow);
        job->rowsFinished = y + 1;
        return;
    }
    if (newRow)
        png_progressive_combine_row(png, row, newRow);
    if (pass == job->lastPass && y == job->header.height - 1)
        finishAll(job);
}

// Whole, and past the data chunks whose checksums vouch for its pixels.
bool doneWith(png_structp png, const PngJob *job)
{
    return job->rowsFinished == job->header.height && job->header.height > 0
           && png_get_io_chunk_type(png) != DataChunk;
}

} // namespace

PngResult decodePng(PngJob *job)
{
    job->lastPass = 0;
    job->rowsFinished = 0;
    job->refused = false;
    job->header.height = 0;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, escapeOnError, ignoreWarning);
    if (!png)
        return PngResult::NotDecoded;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return PngResult::NotDecoded;
    }
    if (setjmp(png_jmpbuf(png))) {
        // A failure once every row is in counts only while the data chunks
        // are read: their checksum vouches for the pixels, what follows
        // them does not touch them.
        const bool whole = job->rowsFinished == job->header.height && job->header.height > 0
                           && png_get_io_chunk_type(png) != DataChunk;
        png_destroy_read_struct(&png, &info, nullptr);
        if (job->refused)
            return PngResult::Refused;
        return whole ? PngResult::Decoded : PngResult::NotDecoded;
    }
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, IgnoredChunks, IgnoredChunkCount);
    png_set_progressive_read_fn(png, job, takeHeader, takeRow, nullptr);

    const FileSource &file = job->source;
    png_process_data(png, info, file.buffer, file.filled);
    while (!doneWith(png, job)) {
        const long got = file.read(file.file, file.buffer, file.bufferSize);
        if (got <= 0)
            break;
        png_process_data(png, info, file.buffer, size_t(got));
    }
    const bool whole = job->rowsFinished == job->header.height && job->header.height > 0;
    png_destroy_read_struct(&png, &info, nullptr);
    return whole ? PngResult::Decoded : PngResult::NotDecoded;
}
