#include "quarterturn.h"

#include <algorithm>
#include <vector>

namespace {

// Square tiles small enough that the rows read and the rows written of one
// tile stay in the first-level cache together.
constexpr int Tile = 32;

// The source's part in 32-bit words, as the turn reads it: the picture's
// own rows when it has that layout, a converted copy otherwise.
class WordRows
{
public:
    WordRows(const Bitmap &picture, int width, int height) : m_picture(&picture)
    {
        if (bitsPerPixel(picture.pixelFormat()) == 32)
            return;
        m_converted = Bitmap(width, height, PixelFormat::Device);
        std::vector<Rgb> row(static_cast<size_t>(width));
        for (int y = 0; y < height; ++y) {
            picture.readPixels(0, y, width, row.data());
            m_converted.writePixels(0, y, width, row.data());
        }
        m_picture = &m_converted;
    }

    const uint32_t *operator[](int y) const { return m_picture->scanLine32(y); }

private:
    const Bitmap *m_picture;
    Bitmap m_converted;
};

} // namespace

Bitmap quarterTurn(const Bitmap &picture, int width, int height, int angle)
{
    if (angle != 90 && angle != 180 && angle != 270)
        return Bitmap();
    width = std::max(width, 0);
    height = std::max(height, 0);
    Bitmap turned = angle == 180 ? Bitmap(width, height, PixelFormat::Device)
                                 : Bitmap(height, width, PixelFormat::Device);
    // Only the part of the box that the picture covers is turned; the rest
    // of the new bitmap stays white.
    const int w = std::min(width, picture.width());
    const int h = std::min(height, picture.height());
    if (w <= 0 || h <= 0)
        return turned;
    const WordRows source(picture, w, h);

    if (angle == 180) {
        // (x, y) goes to (width - 1 - x, height - 1 - y): each row reversed.
        for (int y = 0; y < h; ++y)
            std::reverse_copy(source[y], source[y] + w, turned.scanLine32(height - 1 - y) + (width - w));
        return turned;
    }
    // 90: (x, y) goes to (height - 1 - y, x); 270: to (y, width - 1 - x).
    const uint32_t *rows[Tile];
    for (int y0 = 0; y0 < h; y0 += Tile) {
        const int count = std::min(Tile, h - y0);
        for (int i = 0; i < count; ++i)
            rows[i] = source[y0 + i];
        for (int x0 = 0; x0 < w; x0 += Tile) {
            const int x1 = std::min(x0 + Tile, w);
            for (int x = x0; x < x1; ++x) {
                if (angle == 90) {
                    uint32_t *to = turned.scanLine32(x) + (height - 1 - y0);
                    for (int i = 0; i < count; ++i)
                        to[-i] = rows[i][x];
                } else {
                    uint32_t *to = turned.scanLine32(width - 1 - x) + y0;
                    for (int i = 0; i < count; ++i)
                        to[i] = rows[i][x];
                }
            }
        }
    }
    return turned;
}
