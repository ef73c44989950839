#include "quarterturn.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace {

// A quarter turn makes the new rows a strip at a time: the rows of Strip
// source columns, written from start to end as Strip streams that stay in
// the cache and in the address translation cache, while the source is read
// Tile rows by Strip pixels at a time.
constexpr int Strip = 64;
constexpr int Tile = 8;
constexpr uint32_t OpaqueWord = 0xFF000000u;

// Four pixels as the words of the turned bitmap, moved and turned four at a
// time where the source can hand them out so.
typedef uint32_t Words __attribute__((vector_size(16)));
typedef uint8_t WordBytes __attribute__((vector_size(16)));
typedef uint64_t TwoHalves __attribute__((vector_size(16)));

// A 24-bit source read in place: each pixel widened to the 32-bit word the
// turned bitmap holds as it is read.
class Rgb24Rows
{
public:
    explicit Rgb24Rows(const Bitmap &picture) : m_picture(picture) {}

    using Row = const uint8_t *;
    Row row(int y, int, int, int) const { return m_picture.scanLine(y); }
    static uint32_t at(Row row, int x)
    {
        const uint8_t *p = row + 3 * x;
        return OpaqueWord | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }

private:
    const Bitmap &m_picture;
};

// The same, four pixels at a time, for processors that move bytes within a
// register at will.
class Rgb24Fours : public Rgb24Rows
{
public:
    using Rgb24Rows::Rgb24Rows;

    // Pixels x to x + 3: their twelve bytes, each pixel's red, green and
    // blue put into the bytes blue, green, red of a little-endian word.
    static Words four(Row row, int x)
    {
        // Read as eight bytes and four straight into a register: neither
        // a read past the row nor a trip through memory.
        uint64_t first;
        uint32_t last;
        std::memcpy(&first, row + 3 * x, sizeof first);
        std::memcpy(&last, row + 3 * x + 8, sizeof last);
        const WordBytes bytes = std::bit_cast<WordBytes>(TwoHalves{first, last});
        const WordBytes words = __builtin_shufflevector(bytes, bytes, 2, 1, 0, 12, 5, 4, 3, 12, 8, 7, 6, 12, 11, 10, 9, 12)
                                | WordBytes{0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF};
        return std::bit_cast<Words>(words);
    }
};

// A 32-bit source read in place.
class WordRows
{
public:
    explicit WordRows(const Bitmap &picture) : m_picture(picture) {}

    using Row = const uint32_t *;
    Row row(int y, int, int, int) const { return m_picture.scanLine32(y); }
    static uint32_t at(Row row, int x) { return row[x]; }
    static Words four(Row row, int x)
    {
        Words words;
        std::memcpy(&words, row + x, sizeof words);
        return words;
    }

private:
    const Bitmap &m_picture;
};

// Any other source: the pixels x0 to x1 - 1 of a row converted to words into
// one of Tile short rows as they are asked for, so that a turn takes no more
// memory than the turned bitmap and a row.
class ConvertedRows
{
public:
    explicit ConvertedRows(const Bitmap &picture)
        : m_picture(picture), m_words(size_t(std::max(Tile * Strip, picture.width())))
    {
    }

    struct Row {
        const uint32_t *words;
        int x0;
    };
    Row row(int y, int x0, int x1, int slot) const
    {
        // A half turn asks for whole rows, always into slot 0.
        uint32_t *words = m_words.data() + size_t(slot) * Strip;
        m_picture.readPixels(x0, y, x1 - x0, words);
        return {words, x0};
    }
    static uint32_t at(Row row, int x) { return OpaqueWord | row.words[x - row.x0]; }

private:
    const Bitmap &m_picture;
    mutable std::vector<uint32_t> m_words;
};

template<typename Source>
constexpr bool byFours = requires(typename Source::Row row) { Source::four(row, 0); };

void store(uint32_t *to, Words words)
{
    std::memcpy(to, &words, sizeof words);
}

Words reversed(Words words)
{
    return __builtin_shufflevector(words, words, 3, 2, 1, 0);
}

// The block of four columns from x by four rows from rows[0]: column j of
// it, top to bottom, goes to to + j * step, reversed for a turn by 90.
template<typename Source>
[[gnu::always_inline]] inline void turnBlock(const typename Source::Row *rows, int x, uint32_t *to, ptrdiff_t step,
                                             bool reverse)
{
    const Words a = Source::four(rows[0], x), b = Source::four(rows[1], x);
    const Words c = Source::four(rows[2], x), d = Source::four(rows[3], x);
    const Words ab01 = __builtin_shufflevector(a, b, 0, 4, 1, 5), ab23 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
    const Words cd01 = __builtin_shufflevector(c, d, 0, 4, 1, 5), cd23 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
    const Words columns[4] = {
        __builtin_shufflevector(ab01, cd01, 0, 1, 4, 5), __builtin_shufflevector(ab01, cd01, 2, 3, 6, 7),
        __builtin_shufflevector(ab23, cd23, 0, 1, 4, 5), __builtin_shufflevector(ab23, cd23, 2, 3, 6, 7)};
    for (int j = 0; j < 4; ++j)
        store(to + j * step, reverse ? reversed(columns[j]) : columns[j]);
}

// Turns the w by h part of source into turned, whose box was width by height.
template<typename Source>
[[gnu::always_inline]] inline void turnInto(const Source &source, int w, int h, int width, int height, int angle,
                                            Bitmap &turned)
{
    if (angle == 180) {
        // (x, y) goes to (width - 1 - x, height - 1 - y): each row reversed.
        for (int y = 0; y < h; ++y) {
            const typename Source::Row from = source.row(y, 0, w, 0);
            uint32_t *to = turned.scanLine32(height - 1 - y) + (width - 1);
            int x = 0;
            if constexpr (byFours<Source>) {
                for (; x + 4 <= w; x += 4)
                    store(to - x - 3, reversed(Source::four(from, x)));
            }
            for (; x < w; ++x)
                to[-x] = Source::at(from, x);
        }
        return;
    }
    // 90: (x, y) goes to (height - 1 - y, x); 270: to (y, width - 1 - x).
    // The turned row of column x, and the step from it to that of x + 1.
    const ptrdiff_t step = angle == 90 ? ptrdiff_t(turned.bytesPerLine() / 4) : -ptrdiff_t(turned.bytesPerLine() / 4);
    const auto turnedRow = [&](int x) { return turned.scanLine32(angle == 90 ? x : width - 1 - x); };
    // Column x's pixels from row y on, one a pixel.
    const auto turnPixels = [&](const typename Source::Row *rows, int x, int y, int from, int to) {
        uint32_t *row = turnedRow(x);
        for (int i = from; i < to; ++i)
            row[angle == 90 ? height - 1 - y - i : y + i] = Source::at(rows[i], x);
    };
    typename Source::Row rows[Tile];
    for (int x0 = 0; x0 < w; x0 += Strip) {
        const int x1 = std::min(x0 + Strip, w);
        for (int y0 = 0; y0 < h; y0 += Tile) {
            const int count = std::min(Tile, h - y0);
            for (int i = 0; i < count; ++i)
                rows[i] = source.row(y0 + i, x0, x1, i);
            // Blocks of four by four where the source hands out fours, four
            // rows at a time along the strip; the rest a pixel at a time.
            int x = x0, blockRows = 0;
            if constexpr (byFours<Source>) {
                blockRows = count / 4 * 4;
                x = x0 + (x1 - x0) / 4 * 4;
                for (int i = 0; i < blockRows; i += 4) {
                    const int y = y0 + i;
                    for (int column = x0; column < x; column += 4) {
                        turnBlock<Source>(rows + i, column, turnedRow(column) + (angle == 90 ? height - 4 - y : y),
                                          step, angle == 90);
                    }
                }
            }
            if (blockRows < count) {
                for (int column = x0; column < x; ++column)
                    turnPixels(rows, column, y0, blockRows, count);
            }
            for (int column = x; column < x1; ++column)
                turnPixels(rows, column, y0, 0, count);
        }
    }
}

// Moving the bytes of 24-bit pixels into words four at a time takes a byte
// shuffle, which x86 processors have from SSSE3 on; those without it turn a
// pixel at a time.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("ssse3"))) void turnRgb24ByFours(const Bitmap &picture, int w, int h, int width, int height,
                                                      int angle, Bitmap &turned)
{
    turnInto(Rgb24Fours(picture), w, h, width, height, angle, turned);
}

void turnRgb24(const Bitmap &picture, int w, int h, int width, int height, int angle, Bitmap &turned)
{
    if (__builtin_cpu_supports("ssse3"))
        turnRgb24ByFours(picture, w, h, width, height, angle, turned);
    else
        turnInto(Rgb24Rows(picture), w, h, width, height, angle, turned);
}
#else
void turnRgb24(const Bitmap &picture, int w, int h, int width, int height, int angle, Bitmap &turned)
{
    turnInto(Rgb24Fours(picture), w, h, width, height, angle, turned);
}
#endif

void turnWords(const Bitmap &picture, int w, int h, int width, int height, int angle, Bitmap &turned)
{
    turnInto(WordRows(picture), w, h, width, height, angle, turned);
}

void turnConverted(const Bitmap &picture, int w, int h, int width, int height, int angle, Bitmap &turned)
{
    turnInto(ConvertedRows(picture), w, h, width, height, angle, turned);
}

} // namespace

Bitmap quarterTurn(const Bitmap &picture, int width, int height, int angle)
{
    if (angle != 90 && angle != 180 && angle != 270)
        return Bitmap();
    width = std::max(width, 0);
    height = std::max(height, 0);
    // Only the part of the box that the picture covers is turned; the rest
    // of the new bitmap is white. When the picture covers the whole box
    // every pixel is written by the turn, so none is whitened first.
    const int w = std::min(width, picture.width());
    const int h = std::min(height, picture.height());
    const int turnedWidth = angle == 180 ? width : height;
    const int turnedHeight = angle == 180 ? height : width;
    Bitmap turned = w == width && h == height
                        ? Bitmap(turnedWidth, turnedHeight, PixelFormat::Device, Bitmap::Unwritten)
                        : Bitmap(turnedWidth, turnedHeight, PixelFormat::Device);
    if (w <= 0 || h <= 0)
        return turned;
    switch (picture.pixelFormat()) {
    case PixelFormat::Rgb24: turnRgb24(picture, w, h, width, height, angle, turned); break;
    case PixelFormat::Rgb32:
    case PixelFormat::Device: turnWords(picture, w, h, width, height, angle, turned); break;
    default: turnConverted(picture, w, h, width, height, angle, turned); break;
    }
    return turned;
}
