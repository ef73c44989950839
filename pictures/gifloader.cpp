#include "gifloader.h"

#include "loadmemory.h"
#include "pictureinput.h"
#include "picturetarget.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
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
        m_clear = 1 << codeSize;
        m_firstWidth = codeSize + 1;
        restart(m_width, m_mask, m_next, m_limit);
    }
    // The state lives in locals while a block is read, and the bits come
    // eight bytes at a time where there are as many: a code then costs a
    // dozen instructions, where giflib's own decoding of it costs tens.
    void feed(const unsigned char *bytes, size_t count)
    {
        uint64_t bits = m_bits, mask = m_mask;
        int held = m_held, width = m_width;
        int64_t next = m_next, limit = m_limit;
        const int clear = m_clear;
        size_t at = 0;
        while (!m_ended) {
            if (count - at >= 8) {
                // As many whole bytes as fit beside the bits held.
                bits |= littleEndian64(bytes + at) << held;
                at += size_t(63 - held) >> 3;
                held |= 56;
            } else {
                for (; held <= 56 && at < count; ++at, held += 8)
                    bits |= uint64_t(bytes[at]) << held;
                if (held < width)
                    break;
            }
            do {
                const int code = int(bits & mask);
                bits >>= width;
                held -= width;
                // giflib counts every code read, the clear code too, towards
                // the next width, and stays at 12 bits once there.
                if (++next > limit) {
                    if (width < 12) {
                        limit <<= 1;
                        mask = limit - 1;
                        ++width;
                    } else {
                        limit = INT64_MAX;
                    }
                }
                if (unsigned(code - clear) <= 1) { // the clear code or the end code
                    if (code != clear) {
                        m_ended = true;
                        break;
                    }
                    ++m_clears;
                    restart(width, mask, next, limit);
                }
            } while (held >= width);
        }
        m_bits = bits;
        m_mask = mask;
        m_held = held;
        m_width = width;
        m_next = next;
        m_limit = limit;
    }
    size_t clears() const { return m_clears; }

private:
    static uint64_t littleEndian64(const unsigned char *bytes)
    {
        uint64_t word;
        std::memcpy(&word, bytes, sizeof word);
        if constexpr (std::endian::native == std::endian::big)
            word = __builtin_bswap64(word);
        return word;
    }
    void restart(int &width, uint64_t &mask, int64_t &next, int64_t &limit) const
    {
        width = m_firstWidth;
        limit = int64_t{1} << width;
        mask = uint64_t(limit) - 1;
        next = m_clear + 2;
    }

    int m_clear = 0;
    int m_firstWidth = 1;
    int m_width = 1;
    uint64_t m_mask = 1;
    int64_t m_next = 0;  // the code that giflib would make next
    int64_t m_limit = 0; // the next code past which the codes grow a bit wider
    uint64_t m_bits = 0;
    int m_held = 0;      // bits of m_bits not yet read
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
            // giflib reads its headers a few bytes at a time, a colour table
            // three bytes a call.
            int got = 0;
            while (got < count && m_input.get(into[got]))
                ++got;
            if (got > 0)
                m_lastByte = into[got - 1];
            return got;
        }
        int given = 0;
        while (given < count) {
            if (m_at == m_blockEnd && !nextBlock())
                break;
            const size_t now = std::min(size_t(count - given), m_blockEnd - m_at);
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
        unsigned char length = 0;
        if (m_input.get(length))
            length = uint8_t(m_input.take(m_block.data() + 1, length));
        m_blockEnd = size_t(length) + 1;
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
    std::array<unsigned char, 256> m_block; // the length byte, then the data
    size_t m_blockEnd = 0;
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

// Every pixel of the picture passes here once. The pointers are restricted
// so that the compiler need not read the table again after each store.
void mapPixels(const uint8_t *__restrict from, uint8_t *__restrict to, int count,
               const uint8_t *__restrict indexFor)
{
#pragma GCC unroll 8
    for (int x = 0; x < count; ++x)
        to[x] = indexFor[from[x]];
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

    makeTarget(target, input, width, height, 8, {0, true});
    LoadMemory::current().askedAll();
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
        mapPixels(row.data(), target.scanLine(frame.Top + y) + first, last - first, indexFor);
    }
    return concludeLoad(nullptr, whole, target, target.height());
}
