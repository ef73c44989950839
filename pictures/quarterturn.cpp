#include "quarterturn.h"

#include <algorithm>
#include <vector>

namespace {

// A quarter turn makes the new rows a strip at a time: the rows of Strip
// source columns, written from start to end as Strip streams that stay in
// the cache and in the address translation cache, while the source is read
// Tile rows by Strip pixels at a time.
constexpr int Strip = 64;
constexpr int Tile = 8;
constexpr uint32_t OpaqueWord = 0xFF000000u;

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

// A 32-bit source read in place.
class WordRows
{
public:
    explicit WordRows(const Bitmap &picture) : m_picture(picture) {}

    using Row = const uint32_t *;
    Row row(int y, int, int, int) const { return m_picture.scanLine32(y); }
    static uint32_t at(Row row, int x) { return row[x]; }

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

// Turns the w by h part of source into turned, whose box was width by height.
template<typename Source>
void turnInto(const Source &source, int w, int h, int width, int height, int angle, Bitmap &turned)
{
    if (angle == 180) {
        // (x, y) goes to (width - 1 - x, height - 1 - y): each row reversed.
        for (int y = 0; y < h; ++y) {
            const typename Source::Row from = source.row(y, 0, w, 0);
            uint32_t *to = turned.scanLine32(height - 1 - y) + (width - 1);
            for (int x = 0; x < w; ++x)
                to[-x] = Source::at(from, x);
        }
        return;
    }
    // 90: (x, y) goes to (height - 1 - y, x); 270: to (y, width - 1 - x).
    typename Source::Row rows[Tile];
    for (int x0 = 0; x0 < w; x0 += Strip) {
        const int x1 = std::min(x0 + Strip, w);
        for (int y0 = 0; y0 < h; y0 += Tile) {
            const int count = std::min(Tile, h - y0);
            for (int i = 0; i < count; ++i)
                rows[i] = source.row(y0 + i, x0, x1, i);
            for (int x = x0; x < x1; ++x) {
                if (angle == 90) {
                    uint32_t *to = turned.scanLine32(x) + (height - 1 - y0);
                    for (int i = 0; i < count; ++i)
                        to[-i] = Source::at(rows[i], x);
                } else {
                    uint32_t *to = turned.scanLine32(width - 1 - x) + y0;
                    for (int i = 0; i < count; ++i)
                        to[i] = Source::at(rows[i], x);
                }
            }
        }
    }
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
    case PixelFormat::Rgb24: turnInto(Rgb24Rows(picture), w, h, width, height, angle, turned); break;
    case PixelFormat::Rgb32:
    case PixelFormat::Device: turnInto(WordRows(picture), w, h, width, height, angle, turned); break;
    default: turnInto(ConvertedRows(picture), w, h, width, height, angle, turned); break;
    }
    return turned;
}
