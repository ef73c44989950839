#include "quarterturn.h"

#include <algorithm>

namespace {

// A quarter turn makes the new rows a strip at a time: the rows of Strip
// source columns, written from start to end as Strip streams that stay in
// the cache and in the address translation cache, while the source is read
// Tile rows by Strip pixels at a time.
constexpr int Strip = 64;
constexpr int Tile = 16;
constexpr uint32_t OpaqueWord = 0xFF000000u;

// A 24-bit source read in place: each pixel widened to the 32-bit word the
// turned bitmap holds as it is read.
class Rgb24Rows
{
public:
    explicit Rgb24Rows(const Bitmap &picture) : m_picture(picture) {}

    using Row = const uint8_t *;
    Row operator[](int y) const { return m_picture.scanLine(y); }
    static uint32_t at(Row row, int x)
    {
        const uint8_t *p = row + 3 * x;
        return OpaqueWord | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }

private:
    const Bitmap &m_picture;
};

// Any other source in 32-bit words: the picture's own rows when it has that
// layout, a converted copy otherwise.
class WordRows
{
public:
    explicit WordRows(const Bitmap &picture) : m_picture(&picture)
    {
        if (bitsPerPixel(picture.pixelFormat()) == 32)
            return;
        m_converted = picture.convertedTo(PixelFormat::Device);
        m_picture = &m_converted;
    }

    using Row = const uint32_t *;
    Row operator[](int y) const { return m_picture->scanLine32(y); }
    static uint32_t at(Row row, int x) { return row[x]; }

private:
    const Bitmap *m_picture;
    Bitmap m_converted;
};

// Turns the w by h part of source into turned, whose box was width by height.
template<typename Source>
void turnInto(const Source &source, int w, int h, int width, int height, int angle, Bitmap &turned)
{
    if (angle == 180) {
        // (x, y) goes to (width - 1 - x, height - 1 - y): each row reversed.
        for (int y = 0; y < h; ++y) {
            const typename Source::Row from = source[y];
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
                rows[i] = source[y0 + i];
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
    if (picture.pixelFormat() == PixelFormat::Rgb24)
        turnInto(Rgb24Rows(picture), w, h, width, height, angle, turned);
    else
        turnInto(WordRows(picture), w, h, width, height, angle, turned);
    return turned;
}
