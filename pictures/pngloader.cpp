#include "pngloader.h"

#include "loadmemory.h"
#include "pictureinput.h"
#include "picturetarget.h"
#include "pngdecoder.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

namespace {

bool makePngTarget(void *context, unsigned width, unsigned height, int bitsPerPixel, bool interlaced) noexcept;
bool preparePng(void *context, const PngHeader *header, PngRows *rows) noexcept;
void finishPngRow(void *context, unsigned y, unsigned char *row) noexcept;

// One load: the decoder's job, and what its callbacks make for it.
struct PngLoad {
    PngLoad(PictureInput &from, Bitmap &into) : job{}, input(&from), target(&into)
    {
        job.source = from.source();
        job.makeTarget = makePngTarget;
        job.prepare = preparePng;
        job.finishRow = finishPngRow;
        job.context = this;
    }

    PngJob job;
    PictureInput *input;
    Bitmap *target;
    // The rows of an interlaced picture as libpng hands them out, when they
    // cannot gather in the target itself.
    std::unique_ptr<unsigned char[]> rows;
    PixelReservation rowMemory;
    std::vector<Rgb> colours;   // a row of colours on its way into the target
    uint8_t indexFor[256] = {}; // target pixel for each palette index or grey level
    std::exception_ptr error;
};

// Palettes and grey levels of up to 8 bits go into a target of 1, 4 or 8
// bits through a table: each index or level once to its nearest entry.
void fillIndexTable(const PngHeader &header, const Bitmap &target, uint8_t *indexFor)
{
    const int values = header.palette ? header.paletteSize : header.grey ? 1 << header.bitDepth : 0;
    for (int value = 0; value < values; ++value) {
        Rgb colour;
        if (header.palette) {
            const unsigned char *c = header.paletteColours[value];
            colour = overWhite(c[0], c[1], c[2], header.paletteAlpha[value]);
        } else {
            const int level = value * 255 / ((1 << header.bitDepth) - 1);
            colour = value == header.transparentGrey ? 0xFFFFFF : Rgb(level * 0x010101);
        }
        indexFor[value] = target.nearestIndex(colour);
    }
    // An index past the palette is black.
    std::fill(indexFor + values, indexFor + 256, target.nearestIndex(0));
}

PngRows::Output outputFor(const PngHeader &header, PixelFormat format)
{
    // 1, 4 and 8 bits a pixel are palette indices or grey levels, whose
    // transparency, if any, the table takes in.
    if (hasPalette(format))
        return PngRows::Indices;
    if (header.alpha)
        return PngRows::Rgba;
    return format == PixelFormat::Rgb32 ? PngRows::Bgrx : PngRows::Rgb;
}

// Whether libpng's rows have the target's own layout and can be written
// into it: any finishing then happens in place.
bool intoTarget(PngRows::Output output, PixelFormat format)
{
    switch (output) {
    case PngRows::Indices: return format == PixelFormat::Indexed8;
    case PngRows::Rgb: return format == PixelFormat::Rgb24;
    default: return format == PixelFormat::Rgb32;
    }
}

// Called from inside the decoder, as preparePng is, so no exception may
// leave it: the bitmap's error waits in the load.
bool makePngTarget(void *context, unsigned width, unsigned height, int bitsPerPixel, bool interlaced) noexcept
{
    auto *load = static_cast<PngLoad *>(context);
    try {
        // libpng refuses sides past a million itself. Only an interlaced
        // picture may ask for rows of its own (preparePng).
        makeTarget(*load->target, *load->input, int(width), int(height), bitsPerPixel, {0, !interlaced});
    } catch (...) {
        load->error = std::current_exception();
        return false;
    }
    return true;
}

bool preparePng(void *context, const PngHeader *header, PngRows *rows) noexcept
{
    auto *load = static_cast<PngLoad *>(context);
    Bitmap &target = *load->target; // made from the same header
    const int width = target.width(), height = target.height();
    try {
        rows->output = outputFor(*header, target.pixelFormat());
        rows->finish = rows->output == PngRows::Indices || rows->output == PngRows::Rgba
                       || !intoTarget(rows->output, target.pixelFormat());
        if (intoTarget(rows->output, target.pixelFormat())) {
            rows->first = target.scanLine(0);
            rows->stride = target.bytesPerLine();
        } else if (header->interlaced) {
            const size_t rowBytes = size_t(width) * (rows->output == PngRows::Indices ? 1
                                                     : rows->output == PngRows::Rgb   ? 3
                                                                                      : 4);
            load->rowMemory = LoadMemory::current().working(rowBytes * size_t(height), width, height);
            load->rows = std::make_unique_for_overwrite<unsigned char[]>(rowBytes * size_t(height));
            rows->first = load->rows.get();
            rows->stride = rowBytes;
        } else {
            rows->first = nullptr; // every row is finished from libpng's own
            rows->stride = 0;
        }
        if (rows->output == PngRows::Indices)
            fillIndexTable(*header, target, load->indexFor);
        else
            load->colours.resize(size_t(width));
        LoadMemory::current().askedAll();
    } catch (...) {
        load->error = std::current_exception();
        return false;
    }
    return true;
}

void finishPngRow(void *context, unsigned y, unsigned char *row) noexcept
{
    auto *load = static_cast<PngLoad *>(context);
    Bitmap &target = *load->target;
    const int width = target.width();
    switch (load->job.rows.output) {
    case PngRows::Indices:
        writeIndices(target, int(y), row, load->indexFor);
        return;
    case PngRows::Rgba:
        if (target.pixelFormat() == PixelFormat::Rgb32) {
            drawOverWhite(row, target.scanLine32(int(y)), width);
            return;
        }
        for (int x = 0; x < width; ++x) {
            const unsigned char *p = row + 4 * x;
            load->colours[size_t(x)] = overWhite(p[0], p[1], p[2], p[3]);
        }
        break;
    case PngRows::Rgb:
        for (int x = 0; x < width; ++x) {
            const unsigned char *p = row + 3 * x;
            load->colours[size_t(x)] = Rgb(p[0] << 16 | p[1] << 8 | p[2]);
        }
        break;
    case PngRows::Bgrx:
        return; // always straight into the target, as it stands
    }
    target.writePixels(0, int(y), width, load->colours.data());
}

} // namespace

bool loadPng(PictureInput &input, Bitmap &target)
{
    target = Bitmap();
    PngLoad load(input, target);
    const PngResult result = decodePng(&load.job);
    return concludeLoad(load.error, result == PngResult::Decoded, target, int(load.job.rowsFinished));
}
