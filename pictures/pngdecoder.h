#pragma once

// PNG decoding through libpng, kept in C-style functions whose locals need
// no destructors, so that libpng's error recovery (a longjmp) never crosses
// a C++ object. libpng's progressive reader is fed the file as it is read:
// it stops wherever the file ends, and the rows it has delivered by then are
// all there is. Everything it needs from the C++ side comes in through
// callbacks that never throw.

#include "filesource.h"

#include <cstddef>

// What the file's header and colour chunks say.
struct PngHeader {
    unsigned width;
    unsigned height;
    int bitsPerPixel;   // bit depth times channels, as the file stores them
    int bitDepth;
    bool palette;       // colours are indices into the palette
    bool grey;          // one channel of grey levels (maybe with alpha)
    bool alpha;         // an alpha channel, or a transparent colour (tRNS)
    bool interlaced;
    int paletteSize;
    unsigned char paletteColours[256][3];
    unsigned char paletteAlpha[256];   // 255 past the transparency chunk
    int transparentGrey;               // the grey level that is transparent, or -1
};

// How libpng is to hand out the rows, and where to.
struct PngRows {
    enum Output {
        Indices, // a byte a pixel: palette index or grey level, as stored
        Rgb,     // 8 bits each of red, green, blue
        Bgrx,    // 8 bits each of blue, green, red and an opaque byte
        Rgba,    // 8 bits each of red, green, blue and alpha
    } output;
    // Where the rows go: row 0 at first, each next one stride bytes on.
    // Only the rows of an interlaced picture and rows that are not
    // finished go there; a picture that is not interlaced hands each row
    // to finishRow as libpng delivers it.
    unsigned char *first;
    size_t stride;
    bool finish; // finishRow is called for each row once it is whole
};

struct PngJob {
    FileSource source;

    // Called once libpng has read and checked the header chunk, before any
    // chunk after it is read: makes the target of width by height at
    // bitsPerPixel (bit depth times channels, as the file stores them),
    // and from then on the load may read as far as a picture of that size
    // needs; false when it cannot.
    bool (*makeTarget)(void *context, unsigned width, unsigned height, int bitsPerPixel, bool interlaced);
    // Called at the first data chunk, once the header and colour chunks are
    // read: says how the rows are to come into the target; false when it
    // cannot.
    bool (*prepare)(void *context, const PngHeader *header, PngRows *rows);
    // Called for each row y once all its pixels are in: turns it into the
    // target's pixels. The row may be the target's own (in place) or
    // libpng's, which holds it only until the call returns.
    void (*finishRow)(void *context, unsigned y, unsigned char *row);
    void *context;

    PngHeader header;
    PngRows rows;
    // Progress, for the decoder's own use and for what follows a failure:
    // rows finished from the top (those of an interlaced picture all at once,
    // when its last pass is in).
    int lastPass;
    unsigned rowsFinished;
    bool refused;
    bool inData;     // a chunk of the picture's data is being fed
    size_t dataLeft; // of what the picture's compressed data may take
};

enum class PngResult {
    Decoded,    // every pixel of the picture decoded from the file
    NotDecoded, // no PNG, a broken one, one whose pixels the file does not hold all of,
                // or one whose compressed data goes far beyond what its rows need
    Refused,    // makeTarget or prepare returned false
};

PngResult decodePng(PngJob *job);
