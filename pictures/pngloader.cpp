#include "pngloader.h"

#include "pictureinput.h"
#include "picturetarget.h"
#include "pngdecoder.h"

#include <exception>
#include <memory>
#include <vector>

namespace {

bool preparePng(void *context, const PngHeader *header, PngRows *rows) noexcept;
void finishPngRow(void *context, unsigned y, unsigned char *row) noexcept;

// One load: the decoder's job, and what its callbacks make for it.
struct PngLoad {
    PngLoad(PictureInput &from, Bitmap &into) : job{}, input(&from), target(&into)
    {
        job.source = from.source();
        job.prepare = preparePng;
        job.finishRow = finishPngRow;
        job.context = this;
    }

    PngJob job;
    PictureInput *input;
    Bitmap *target;
    // Rows as libpng hands them out when they cannot go straight into the
    // target: one row, or the whole picture when it is interlaced.
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
    for (int value = 0; value < 256; ++value) {
        Rgb colour = 0; // an index past the palette is black
        if (header.palette && value < header.paletteSize) {
            const unsigned char *c = header.paletteColours[value];
            colour = overWhite(c[0], c[1], c[2], header.paletteAlpha[value]);
        } else if (header.grey && value < 1 << header.bitDepth) {
            const int level = value * 255 / ((1 << header.bitDepth) - 1);
            colour = value == header.transparentGrey ? 0xFFFFFF : Rgb(level * 0x010101);
        }
        indexFor[value] = target.nearestIndex(colour);
    }
}

PngRows::Output outputFor(const PngHeader &header, PixelFormat format)
{
    // 1, 4 and 8 bits a pixel are palette indices or grey levels, whose
    // transparency, if any, the table takes in.
    if (hasPalette(format))
        return PngRows::Indices;
    if (header.alpha)
        return PngRows::Bgra;
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

bool preparePng(void *context, const PngHeader *header, PngRows *rows) noexcept
{
    auto *load = static_cast<PngLoad *>(context);
    Bitmap &target = *load->target;
    // libpng refuses sides past a million itself.
    const int width = int(header->width), height = int(header->height);
    try {
        makeTarget(target, *load->input, width, height, header->bitsPerPixel);
        rows->output = outputFor(*header, target.pixelFormat());
        rows->finish = rows->output == PngRows::Indices || rows->output == PngRows::Bgra
                       || !intoTarget(rows->output, target.pixelFormat());
        if (intoTarget(rows->output, target.pixelFormat())) {
            rows->first = target.scanLine(0);
            rows->stride = target.bytesPerLine();
        } else {
            const size_t rowBytes = size_t(width) * (rows->output == PngRows::Indices ? 1
                                                     : rows->output == PngRows::Rgb   ? 3
                                                                                      : 4);
            const size_t count = header->interlaced ? size_t(height) : 1;
            load->rowMemory = Bitmap::reserve(rowBytes * count, width, height);
            load->rows = std::make_unique_for_overwrite<unsigned char[]>(rowBytes * count);
            rows->first = load->rows.get();
            rows->stride = header->interlaced ? rowBytes : 0;
        }
        if (rows->output == PngRows::Indices)
            fillIndexTable(*header, target, load->indexFor);
        else
            load->colours.resize(size_t(width));
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
    case PngRows::Bgra:
        if (target.pixelFormat() == PixelFormat::Rgb32) {
            // The target's own row, drawn over white in place.
            for (unsigned char *p = row; p < row + 4 * size_t(width); p += 4) {
                p[0] = channelOverWhite(p[0], p[3]);
                p[1] = channelOverWhite(p[1], p[3]);
                p[2] = channelOverWhite(p[2], p[3]);
                p[3] = 0xFF;
            }
            return;
        }
        for (int x = 0; x < width; ++x) {
            const unsigned char *p = row + 4 * x;
            load->colours[size_t(x)] = overWhite(p[2], p[1], p[0], p[3]);
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
    return concludeLoad(load.error, result == PngResult::Decoded,
                        result == PngResult::TooMuchWork || input.exhausted(), target, int(load.job.rowsFinished));
}
