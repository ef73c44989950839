#include "gifloader.h"

#include "pictureinput.h"
#include "picturetarget.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Follows the codes of a picture's data as giflib reads them, only to count
// the clear codes: giflib empties its table of 4096 codes on each, which
// makes a clear code cost as much as a few hundred pixels while it gives
// none. The width of the codes grows as giflib's does.
class ClearCodeCounter
{
public:
    void start(int codeSize)
    {
        m_codeSize = codeSize;
        m_clear = 1 << codeSize;
        restart();
    }
    void feed(const unsigned char *bytes, size_t count)
    {
        for (size_t i = 0; i < count && !m_ended; ++i) {
            m_bits |= uint32_t(bytes[i]) << m_bitCount;
            m_bitCount += 8;
            while (m_bitCount >= m_width && !m_ended)
                step();
        }
    }
    size_t clears() const { return m_clears; }

private:
    void restart()
    {
        m_next = m_clear + 2;
        m_width = m_codeSize + 1;
        m_limit = 1 << m_width;
    }
    void step()
    {
        const int code = int(m_bits & ((1u << m_width) - 1));
        m_bits >>= m_width;
        m_bitCount -= m_width;
        // giflib counts every code read, the clear code too, towards the
        // next width, and stays at 12 bits once there.
        if (m_next < 4097 && ++m_next > m_limit && m_width < 12) {
            m_limit <<= 1;
            ++m_width;
        }
        if (code == m_clear) {
            ++m_clears;
            restart();
        } else if (code == m_clear + 1) {
            m_ended = true;
        }
    }

    int m_codeSize = 0;
    int m_clear = 0;
    int m_next = 0;
    int m_width = 1;
    int m_limit = 0;
    uint32_t m_bits = 0;
    int m_bitCount = 0;
    size_t m_clears = 0;
    bool m_ended = false;
};

// What giflib reads through: the file, and within the picture's data, one
// whole block at a time. A file that ends inside the blocks, or right after
// them, is given the end its blocks promise: the last block shortened to
// what is there and the empty block after it. Whether every pixel is in
// what remains is then for giflib to find; files that end a little early
// with all their pixels are common.
class GifStream
{
public:
    explicit GifStream(PictureInput &input) : m_input(input) {}

    int read(unsigned char *into, int count)
    {
        if (!m_inData) {
            const size_t got = m_input.take(into, size_t(std::max(count, 0)));
            if (got > 0)
                m_lastByte = into[got - 1];
            return int(got);
        }
        int given = 0;
        while (given < count) {
            if (m_at == m_block.size() && !nextBlock())
                break;
            const size_t now = std::min(size_t(count - given), m_block.size() - m_at);
            std::memcpy(into + given, m_block.data() + m_at, now);
            m_at += now;
            given += int(now);
        }
        return given;
    }

    // From here on giflib reads the picture's data; the byte it read last
    // was the data's code size. Past mostClears clear codes the data ends.
    void startData(size_t mostClears)
    {
        m_inData = true;
        m_mostClears = mostClears;
        m_counter.start(m_lastByte);
    }
    int codeSize() const { return m_lastByte; }
    bool tooManyClears() const { return m_counter.clears() > m_mostClears; }

    // Passes over the blocks of an extension that giflib has begun, which
    // giflib would copy out one at a time.
    void skipBlocks()
    {
        const unsigned char *bytes = nullptr;
        size_t count = 0;
        size_t left = 0; // of the block being passed over
        while ((count = m_input.next(&bytes)) > 0) {
            size_t at = std::min(left, count);
            left -= at;
            while (at < count && left == 0) {
                const size_t length = bytes[at++];
                if (length == 0) {
                    m_input.putBack(count - at);
                    return;
                }
                left = length;
                const size_t now = std::min(left, count - at);
                at += now;
                left -= now;
            }
            if (left > 0 && !m_input.pass(left))
                return;
            left = 0;
        }
    }

private:
    // The next block with its length byte; after the empty block there is
    // no more.
    bool nextBlock()
    {
        if (m_closed || tooManyClears())
            return false;
        m_at = 0;
        m_block.resize(256);
        unsigned char length = 0;
        if (m_input.take(&length, 1) == 1)
            length = uint8_t(m_input.take(m_block.data() + 1, length));
        m_block.resize(size_t(length) + 1);
        m_block[0] = length;
        m_counter.feed(m_block.data() + 1, length);
        m_closed = length == 0;
        return true;
    }

    PictureInput &m_input;
    unsigned char m_lastByte = 0;
    bool m_inData = false;
    bool m_closed = false;
    size_t m_mostClears = 0;
    std::vector<unsigned char> m_block;
    size_t m_at = 0;
    ClearCodeCounter m_counter;
};

int readGif(GifFileType *gif, GifByteType *into, int count)
{
    return static_cast<GifStream *>(gif->UserData)->read(into, count);
}

struct CloseGif {
    void operator()(GifFileType *gif) const { DGifCloseFile(gif, nullptr); }
};
using GifFile = std::unique_ptr<GifFileType, CloseGif>;

// The transparent colour of the picture, from the extension before it.
int readExtension(GifFileType *gif, GifStream &stream, int &transparent)
{
    int code = 0;
    GifByteType *block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return GIF_ERROR;
    if (code == GRAPHICS_EXT_FUNC_CODE && block) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            transparent = control.TransparentColor;
    }
    if (block)
        stream.skipBlocks();
    return GIF_OK;
}

// Reads up to the first picture's descriptor; false when there is none.
bool findPicture(GifFileType *gif, GifStream &stream, int &transparent)
{
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return false;
        if (type == IMAGE_DESC_RECORD_TYPE)
            return DGifGetImageDesc(gif) == GIF_OK;
        if (type != EXTENSION_RECORD_TYPE || readExtension(gif, stream, transparent) == GIF_ERROR)
            return false;
    }
}

// The rows in the order the file holds them: an interlaced picture gives
// every eighth row from the first, then from the fifth, then every fourth
// from the third, then every second from the second.
std::vector<int> rowOrder(int height, bool interlaced)
{
    std::vector<int> order;
    order.reserve(size_t(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            order.push_back(y);
        return order;
    }
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = starts[pass]; y < height; y += steps[pass])
            order.push_back(y);
    return order;
}

// The target's entry for each colour of the picture's table; a file without
// a table of its own gets a grey ramp of its code size's depth.
void fillIndexTable(const ColorMapObject *colours, int codeSize, int transparent, const Bitmap &target,
                    uint8_t *indexFor)
{
    const int greys = 1 << std::clamp(codeSize, 1, 8);
    for (int i = 0; i < 256; ++i) {
        Rgb colour = 0; // an index past the table is black
        if (colours && i < colours->ColorCount) {
            const GifColorType &c = colours->Colors[i];
            colour = Rgb(c.Red << 16 | c.Green << 8 | c.Blue);
        } else if (!colours && i < greys) {
            colour = Rgb(i * 255 / (greys - 1)) * 0x010101;
        }
        indexFor[i] = target.nearestIndex(i == transparent ? 0xFFFFFF : colour);
    }
}

// The picture of a GIF file is its logical screen; a side the screen leaves
// at 0 reaches as far as the first frame does.
int screenSide(int screen, int frameOffset, int frameSide)
{
    return screen > 0 ? screen : frameOffset + frameSide;
}

// A clear code for every two pixels is what the most wasteful encoders
// write (each code a pixel, cleared before the codes grow a bit), and a few
// thousand more for any picture.
size_t clearsAllowed(int width, int height)
{
    return size_t(width) * size_t(height) / 2 + 4096;
}

} // namespace

bool loadGif(PictureInput &input, Bitmap &target)
{
    target = Bitmap();
    GifStream stream(input);
    int error = 0;
    const GifFile gif(DGifOpen(&stream, readGif, &error));
    int transparent = NO_TRANSPARENT_COLOR;
    if (!gif)
        return false;
    if (!findPicture(gif.get(), stream, transparent))
        return false;
    const GifImageDesc &frame = gif->Image;
    if (frame.Width <= 0 || frame.Height <= 0)
        return false;
    const int width = screenSide(gif->SWidth, frame.Left, frame.Width);
    const int height = screenSide(gif->SHeight, frame.Top, frame.Height);
    stream.startData(clearsAllowed(width, height));

    makeTarget(target, input, width, height, 8);
    whitenRowsFrom(target, 0);
    uint8_t indexFor[256];
    fillIndexTable(frame.ColorMap ? frame.ColorMap : gif->SColorMap, stream.codeSize(), transparent, target,
                   indexFor);
    // The part of each row of the frame that lies on the screen.
    const int first = std::min(frame.Left, width), last = std::min(frame.Left + frame.Width, width);
    std::vector<uint8_t> row(size_t(frame.Width));
    bool whole = true;
    for (const int y : rowOrder(frame.Height, frame.Interlace)) {
        // Each row decoded counts against the allowance, on the screen or
        // not: a frame far larger than its screen is work all the same.
        whole = input.spend(size_t(frame.Width)) && DGifGetLine(gif.get(), row.data(), frame.Width) == GIF_OK;
        if (!whole)
            break;
        if (frame.Top + y >= height)
            continue;
        uint8_t *to = target.scanLine(frame.Top + y);
        for (int x = first; x < last; ++x)
            to[x] = indexFor[row[size_t(x - frame.Left)]];
    }
    return concludeLoad(nullptr, whole, target, target.height());
}
