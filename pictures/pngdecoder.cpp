#include "pngdecoder.h"

#include <png.h>

#include <cstring>

namespace {

// The chunks that make the picture; libpng sees no other. No colour
// profile, gamma, text or background changes what the program shows, and
// a chunk libpng holds whole before it looks at it costs time and memory
// with its size: what libpng never sees costs nothing but the pass over it.
constexpr png_uint_32 HeaderChunk = 0x49484452; // IHDR
constexpr png_uint_32 PaletteChunk = 0x504C5445; // PLTE
constexpr png_uint_32 TransparencyChunk = 0x74524E53; // tRNS
constexpr png_uint_32 DataChunk = 0x49444154; // IDAT
constexpr png_uint_32 EndChunk = 0x49454E44; // IEND
// None of the chunks above but the data is longer in a valid file (a
// palette of 256 colours takes 768 bytes).
constexpr png_uint_32 LongestSmallChunk = 1024;
// Beside twice the rows' bytes, what the picture's compressed data may
// take: zlib's header and the first block's tables. Deflate stores data
// that does not compress at a few bytes per 64 KiB over its size, so no
// encoder comes near twice; data that decompresses to nothing (a stream
// of empty blocks) is the costliest a file can hold.
constexpr size_t DataSlack = 64 * 1024;

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

// What the picture's compressed data may take: twice its rows as the file
// stores them, each led by its filter byte, pass by pass when interlaced.
size_t dataAllowance(const PngHeader *header)
{
    const auto rowsBytes = [header](size_t width, size_t height) {
        return width == 0 ? 0 : height * ((width * size_t(header->bitsPerPixel) + 7) / 8 + 1);
    };
    size_t bytes = 0;
    if (!header->interlaced) {
        bytes = rowsBytes(header->width, header->height);
    } else {
        for (int pass = 0; pass < 7; ++pass)
            bytes += rowsBytes(PNG_PASS_COLS(header->width, pass), PNG_PASS_ROWS(header->height, pass));
    }
    return 2 * bytes + DataSlack;
}

void takeHeader(png_structp png, png_infop info)
{
    PngJob *job = jobOf(png);
    readHeader(png, info, &job->header);
    job->dataLeft = dataAllowance(&job->header);
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

bool whole(const PngJob *job)
{
    return job->rowsFinished == job->header.height && job->header.height > 0;
}

png_uint_32 bigEndian(const unsigned char *bytes)
{
    return png_uint_32(bytes[0]) << 24 | png_uint_32(bytes[1]) << 16 | png_uint_32(bytes[2]) << 8 | bytes[3];
}

// The walk over the file's chunks in front of libpng: the chunks of the
// picture are fed to it, the others passed over unread.
struct ChunkWalk {
    enum State { Signature, Header, Feed, Skip, Stop } state;
    unsigned char header[8];
    png_uint_32 type; // of the chunk being fed or passed over
    size_t have; // bytes of the signature or of the chunk's header so far
    size_t left; // bytes of the chunk (data and checksum) still to feed or pass
    PngResult result; // once stopped
};

// What to do with the chunk whose header the walk has just read.
void startChunk(png_structp png, png_infop info, PngJob *job, ChunkWalk *walk)
{
    const png_uint_32 length = bigEndian(walk->header);
    const png_uint_32 type = bigEndian(walk->header + 4);
    const bool critical = (walk->header[4] & 0x20) == 0;
    walk->type = type;
    walk->left = size_t(length) + 4;
    if (length > PNG_UINT_31_MAX
        || (critical && type != HeaderChunk && type != PaletteChunk && type != DataChunk && type != EndChunk)) {
        walk->state = ChunkWalk::Stop; // no PNG, or none we can read
        return;
    }
    if (type != DataChunk && !critical && type != TransparencyChunk) {
        walk->state = ChunkWalk::Skip;
        return;
    }
    if (type != DataChunk && length > LongestSmallChunk) {
        walk->state = ChunkWalk::Stop;
        return;
    }
    walk->state = ChunkWalk::Feed;
    job->inData = type == DataChunk;
    png_process_data(png, info, walk->header, sizeof walk->header);
}

// Feeds count bytes of the chunk to libpng; false, the walk stopped, when
// the picture's compressed data would pass its allowance, which libpng
// takes in with the header of the first data chunk. Only the data counts
// against it: each chunk's length, type and checksum are the file's
// framing, which no encoder makes costly and the load's own allowance
// bounds like every byte it reads. A file may hold its data in chunks of
// a byte, twelve bytes of framing for each.
bool feed(png_structp png, png_infop info, PngJob *job, ChunkWalk *walk, const unsigned char *bytes,
          size_t count)
{
    const size_t beforeChecksum = walk->left > 4 ? walk->left - 4 : 0;
    const size_t data = !job->inData ? 0 : count < beforeChecksum ? count : beforeChecksum;
    if (data > job->dataLeft) {
        png_process_data(png, info, const_cast<unsigned char *>(bytes), job->dataLeft);
        job->dataLeft = 0;
        walk->state = ChunkWalk::Stop;
        walk->result = whole(job) ? PngResult::Decoded : PngResult::NotDecoded;
        return false;
    }
    png_process_data(png, info, const_cast<unsigned char *>(bytes), count);
    job->dataLeft -= data;
    return true;
}

// Once libpng has read the header chunk whole, and found its checksum
// right: the picture's size is known before any chunk that follows, so
// that what the load may read follows the pixels from there on. A comment
// or profile of more than 16 MiB before the data is then no more than a
// large picture may carry. False, the walk stopped, when the target cannot
// be made.
bool takeSize(png_structp png, png_infop info, PngJob *job, ChunkWalk *walk)
{
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
    if (job->makeTarget(job->context, width, height, depth * png_get_channels(png, info),
                        interlace != PNG_INTERLACE_NONE))
        return true;
    job->refused = true;
    walk->state = ChunkWalk::Stop;
    walk->result = PngResult::Refused;
    return false;
}

// Walks over bytes, the next count of the file.
void walkChunks(png_structp png, png_infop info, PngJob *job, ChunkWalk *walk, const unsigned char *bytes,
                size_t count)
{
    const FileSource &file = job->source;
    while (count > 0 && walk->state != ChunkWalk::Stop) {
        if (walk->state == ChunkWalk::Signature || walk->state == ChunkWalk::Header) {
            const size_t now = count < 8 - walk->have ? count : 8 - walk->have;
            memcpy(walk->header + walk->have, bytes, now);
            walk->have += now;
            bytes += now;
            count -= now;
            if (walk->have < 8)
                continue;
            walk->have = 0;
            if (walk->state == ChunkWalk::Signature) {
                png_process_data(png, info, walk->header, sizeof walk->header);
                walk->state = ChunkWalk::Header;
            } else {
                startChunk(png, info, job, walk);
            }
            continue;
        }
        const size_t now = count < walk->left ? count : walk->left;
        if (walk->state == ChunkWalk::Feed && !feed(png, info, job, walk, bytes, now))
            return;
        bytes += now;
        count -= now;
        walk->left -= now;
        if (walk->left > 0 && walk->state == ChunkWalk::Skip) {
            // What is not in the buffer is passed over in the file.
            if (!file.pass(file.file, walk->left))
                walk->state = ChunkWalk::Stop;
            walk->left = 0;
        }
        if (walk->left == 0 && walk->state == ChunkWalk::Feed && walk->type == HeaderChunk
            && !takeSize(png, info, job, walk))
            return;
        if (walk->left == 0 && walk->state != ChunkWalk::Stop) {
            // Whole once the data chunk with the last row has passed its
            // checksum, which vouches for the pixels; nothing after it
            // can change them.
            walk->state = whole(job) && job->inData ? ChunkWalk::Stop : ChunkWalk::Header;
            if (walk->state == ChunkWalk::Stop)
                walk->result = PngResult::Decoded;
            job->inData = false;
        }
    }
}

} // namespace

PngResult decodePng(PngJob *job)
{
    job->lastPass = 0;
    job->rowsFinished = 0;
    job->refused = false;
    job->inData = false;
    job->dataLeft = 0;
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
        // The walk stops as soon as the picture is whole, so a failure
        // comes before: within its data, or in a chunk before them.
        png_destroy_read_struct(&png, &info, nullptr);
        return job->refused ? PngResult::Refused : PngResult::NotDecoded;
    }
    // A damaged transparency chunk changes the pixels: the picture is
    // damaged too, as with any chunk libpng is given.
    png_set_crc_action(png, PNG_CRC_DEFAULT, PNG_CRC_ERROR_QUIT);
    png_set_progressive_read_fn(png, job, takeHeader, takeRow, nullptr);

    ChunkWalk walk = {ChunkWalk::Signature, {}, 0, 0, 0, PngResult::NotDecoded};
    const FileSource &file = job->source;
    const unsigned char *bytes = nullptr;
    size_t count = 0;
    while (walk.state != ChunkWalk::Stop && (count = file.next(file.file, &bytes)) > 0)
        walkChunks(png, info, job, &walk, bytes, count);
    // A file that ends after the rows but before the end of their chunk's
    // checksum lacks nothing of the pixels.
    const PngResult result = walk.state == ChunkWalk::Stop ? walk.result
                             : whole(job)                  ? PngResult::Decoded
                                                           : PngResult::NotDecoded;
    png_destroy_read_struct(&png, &info, nullptr);
    return result;
}
