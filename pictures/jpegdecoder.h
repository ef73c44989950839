#pragma once

// JPEG decoding through libjpeg, kept in C-style functions whose locals need
// no destructors, so that its error recovery (a longjmp) never crosses a C++
// object. Everything it needs from the C++ side comes in through callbacks
// that never throw.

#include "filesource.h"

#include <cstddef>

struct JpegJob {
    FileSource source;

    // Called once the header is read, before any pixel memory exists: makes
    // the target width by height at bitsPerPixel (8 grey, 24 colour, 32 CMYK)
    // and sets aside workingBytes for the decoder's own buffers; returns the
    // target's first row and the distance between rows, or nullptr when
    // either cannot be had. The decoder writes every row; rows past
    // rowsDecoded when it fails are left as they were. A frame whose sides
    // libjpeg refuses (past 65500) is prepared too, with no working bytes,
    // before the decode fails: its size is the picture's all the same.
    unsigned char *(*prepare)(void *context, int width, int height, int bitsPerPixel, size_t workingBytes,
                              size_t *bytesPerLine);
    void *context;
    // Asked between scans and rows: true stops the decoding, as a failure.
    bool (*stopRequested)();
    // For grey pictures: the target's value for each grey level, which
    // prepare fills in.
    unsigned char greyToPixel[256];
    // Rows of the target written so far, counted from the top.
    int rowsDecoded;
};

enum class JpegResult {
    Decoded,    // every pixel of the picture decoded from the file
    NotDecoded, // no JPEG, a broken one, one whose pixels the file does not
                // hold all of, or one whose scans visit its blocks more often
                // than any encoder's
    Refused,    // prepare returned nullptr
};

JpegResult decodeJpeg(JpegJob *job);
