#include "bmploader.h"

#include "loadmemory.h"
#include "pictureinput.h"
#include "picturetarget.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace {

enum Compression : uint32_t { Plain = 0, RunLength8 = 1, RunLength4 = 2, BitFields = 3 };

// The whole of count bytes, or false.
bool readWhole(PictureInput &input, uint8_t *into, size_t count)
{
    return input.take(into, count) == count;
}

// Passes over bytes up to offset; nothing when the reading is there or past
// it already (an offset inside the headers, which readers take as such).
bool skipTo(PictureInput &input, uint64_t offset)
{
    return offset <= input.offset() || input.pass(size_t(offset - input.offset()));
}

uint32_t little(const uint8_t *bytes, int length)
{
    uint32_t value = 0;
    for (int i = length - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

// What a BMP file's headers say.
struct BmpHeader {
    uint32_t pixelOffset = 0;
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0; // below 0 for rows stored from the top down
    int bits = 0;
    uint32_t compression = Plain;
    uint32_t coloursUsed = 0;
    uint32_t masks[4] = {0x7C00, 0x03E0, 0x001F, 0}; // red, green, blue, alpha
    bool alpha = false;

    int rows() const { return int(height < 0 ? -height : height); }
    bool topDown() const { return height < 0; }
    size_t rowBytes() const { return (size_t(width) * size_t(bits) + 31) / 32 * 4; }
    bool runLength() const { return compression == RunLength8 || compression == RunLength4; }
};

// The kinds of file every reader takes: 1, 4, 8, 16, 24 or 32 bits, one
// plane, run lengths only at 8 and 4 bits, bit fields only at 16 and 32.
bool isReadable(const BmpHeader &header, uint32_t planes)
{
    const int bits = header.bits;
    const uint32_t compression = header.compression;
    if ((bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) || planes != 1)
        return false;
    const bool compressionFits = compression == Plain || (bits == 8 && compression == RunLength8)
                                 || (bits == 4 && compression == RunLength4)
                                 || ((bits == 16 || bits == 32) && compression == BitFields);
    // Run lengths stored from the top down are no BMP.
    return compressionFits && header.width > 0 && header.height != 0 && !(header.runLength() && header.topDown());
}

// The info header's layout, told by its size: the old one of 16-bit sides
// (12 bytes, and any size in no other use, as every reader takes it);
// OS/2's short one of 16 bytes, its sides of 32 bits and then planes and
// bits per pixel, the fields it lacks as a longer header has them by
// default; or 40 bytes of fields and more (52, 56, 64, 108, 124).
enum class InfoLayout { Old, Short, Full };

InfoLayout layoutOf(uint32_t headerSize)
{
    switch (headerSize) {
    case 16: return InfoLayout::Short;
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124: return InfoLayout::Full;
    default: return InfoLayout::Old;
    }
}

// The bit fields held inside the header after its first 40 bytes: red,
// green and blue in 52 bytes, alpha too in 56 and more. OS/2's header of 64
// bytes holds other fields there.
int masksInHeader(uint32_t headerSize)
{
    switch (headerSize) {
    case 52: return 3;
    case 56:
    case 108:
    case 124: return 4;
    default: return 0;
    }
}

bool readHeader(PictureInput &input, BmpHeader &header)
{
    uint8_t bytes[124 + 14] = {};
    if (!readWhole(input, bytes, 18) || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    header.pixelOffset = little(bytes + 10, 4);
    header.headerSize = little(bytes + 14, 4);
    const uint32_t size = header.headerSize;
    const InfoLayout layout = layoutOf(size);
    const size_t rest = layout == InfoLayout::Old ? 8 : layout == InfoLayout::Short ? 12 : size - 4;
    if (!readWhole(input, bytes + 18, rest))
        return false;
    uint32_t planes = 0;
    if (layout == InfoLayout::Old) {
        header.width = int16_t(little(bytes + 18, 2));
        header.height = int16_t(little(bytes + 20, 2));
        planes = little(bytes + 22, 2);
        header.bits = int(little(bytes + 24, 2));
    } else {
        header.width = int32_t(little(bytes + 18, 4));
        header.height = int32_t(little(bytes + 22, 4));
        planes = little(bytes + 26, 2);
        header.bits = int(little(bytes + 28, 2));
    }
    if (layout == InfoLayout::Full) {
        header.compression = little(bytes + 30, 4);
        header.coloursUsed = little(bytes + 46, 4);
    }
    if (header.height == INT32_MIN || !isReadable(header, planes))
        return false;
    // Bit fields lie inside the longer headers; after the 40-byte one (and
    // OS/2's of 64), three of them follow it.
    const int inHeader = masksInHeader(size);
    if (inHeader > 0) {
        for (int i = 0; i < inHeader; ++i)
            header.masks[i] = little(bytes + 54 + 4 * i, 4);
    } else if (header.compression == BitFields) {
        if (!readWhole(input, bytes + 54, 12))
            return false;
        for (int i = 0; i < 3; ++i)
            header.masks[i] = little(bytes + 54 + 4 * i, 4);
        header.masks[3] = 0;
    }
    if (header.compression == Plain && header.bits == 32) {
        header.alpha = inHeader == 4 && header.masks[3] == 0xFF000000;
        header.masks[0] = 0x00FF0000;
        header.masks[1] = 0x0000FF00;
        header.masks[2] = 0x000000FF;
    } else if (header.compression == BitFields) {
        header.alpha = header.masks[3] != 0;
    } else if (header.compression == Plain && header.bits == 16) {
        header.masks[0] = 0x7C00, header.masks[1] = 0x03E0, header.masks[2] = 0x001F;
    }
    return true;
}

// The palette right after the header, whatever its size, each colour to the
// target's nearest entry.
bool readPalette(PictureInput &input, const BmpHeader &header, const Bitmap &target, uint8_t *indexFor)
{
    if (!skipTo(input, 14 + uint64_t(header.headerSize)))
        return false;
    const uint32_t count = header.coloursUsed ? header.coloursUsed : 1u << header.bits;
    if (count > 256)
        return false;
    // The old header of 12 bytes has colours of 3 bytes; all others of 4.
    const int entryBytes = header.headerSize == 12 ? 3 : 4;
    std::fill(indexFor, indexFor + 256, target.nearestIndex(0)); // past the palette: black
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t entry[4];
        if (!readWhole(input, entry, size_t(entryBytes)))
            return false;
        indexFor[i] = target.nearestIndex(Rgb(entry[2]) << 16 | Rgb(entry[1]) << 8 | entry[0]);
    }
    return true;
}

// One field of a pixel, widened or narrowed to a field of targetBits: the
// levels of the file stay what they were, white stays white.
class BitField
{
public:
    BitField(uint32_t fieldMask, int pixelBits, int targetBits)
        : m_mask(pixelBits == 16 ? fieldMask & 0xFFFF : fieldMask), m_shift(m_mask ? std::countr_zero(m_mask) : 0),
          m_top((uint64_t{1} << std::popcount(m_mask)) - 1), m_targetTop((uint64_t{1} << targetBits) - 1)
    {
    }
    unsigned operator()(uint32_t pixel) const
    {
        const uint64_t value = (pixel & m_mask) >> m_shift;
        if (m_top == m_targetTop)
            return unsigned(value);
        // A mask with gaps in it lets values pass its top.
        return m_top == 0 ? 0 : unsigned(std::min(m_targetTop, (value * m_targetTop + m_top / 2) / m_top));
    }

private:
    uint32_t m_mask;
    int m_shift;
    uint64_t m_top;
    uint64_t m_targetTop;
};

// Turns one stored row into row y of the target.
class RowWriter
{
public:
    RowWriter(const BmpHeader &header, Bitmap &target, const uint8_t *indexFor)
        : m_header(header), m_target(target), m_indexFor(indexFor),
          m_fieldBits(header.bits == 16 ? std::array<int, 3>{5, 6, 5} : std::array<int, 3>{8, 8, 8}),
          m_red(header.masks[0], header.bits, m_fieldBits[0]), m_green(header.masks[1], header.bits, m_fieldBits[1]),
          m_blue(header.masks[2], header.bits, m_fieldBits[2]), m_red8(header.masks[0], header.bits, 8),
          m_green8(header.masks[1], header.bits, 8), m_blue8(header.masks[2], header.bits, 8),
          m_alpha(header.masks[3], header.bits, 8), m_values(size_t(target.width())),
          m_colours(header.alpha && header.bits == 16 ? size_t(target.width()) : 0)
    {
    }

    void write(int y, const uint8_t *from)
    {
        const int width = m_target.width();
        switch (m_header.bits) {
        case 1:
        case 4:
        case 8: {
            const int bits = m_header.bits, perByte = 8 / bits, top = (1 << bits) - 1;
            for (int x = 0; x < width; ++x)
                m_values[size_t(x)] = uint8_t(from[x / perByte] >> (8 - bits - bits * (x % perByte)) & top);
            writeIndices(m_target, y, m_values.data(), m_indexFor);
            return;
        }
        case 16: {
            if (m_header.alpha) {
                // Drawn over white at 8 bits a field, then cut to 5-6-5.
                for (int x = 0; x < width; ++x) {
                    const uint32_t pixel = little(from + 2 * x, 2);
                    m_colours[size_t(x)] = overWhite(int(m_red8(pixel)), int(m_green8(pixel)), int(m_blue8(pixel)),
                                                     int(m_alpha(pixel)));
                }
                m_target.writePixels(0, y, width, m_colours.data());
                return;
            }
            auto *to = reinterpret_cast<uint16_t *>(m_target.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const uint32_t pixel = little(from + 2 * x, 2);
                to[x] = uint16_t(m_red(pixel) << 11 | m_green(pixel) << 5 | m_blue(pixel));
            }
            return;
        }
        case 24: {
            uint8_t *to = m_target.scanLine(y);
            for (int x = 0; x < width; ++x, to += 3, from += 3) {
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
            return;
        }
        default: {
            uint32_t *to = m_target.scanLine32(y);
            for (int x = 0; x < width; ++x) {
                const uint32_t pixel = little(from + 4 * x, 4);
                const int alpha = m_header.alpha ? int(m_alpha(pixel)) : 255;
                to[x] = 0xFF000000u | overWhite(int(m_red(pixel)), int(m_green(pixel)), int(m_blue(pixel)), alpha);
            }
            return;
        }
        }
    }

private:
    const BmpHeader &m_header;
    Bitmap &m_target;
    const uint8_t *m_indexFor;
    std::array<int, 3> m_fieldBits;
    BitField m_red, m_green, m_blue;    // at the target's own widths
    BitField m_red8, m_green8, m_blue8; // at 8 bits, for drawing over white
    BitField m_alpha;
    std::vector<uint8_t> m_values;
    std::vector<Rgb> m_colours;
};

bool readRows(PictureInput &input, const BmpHeader &header, Bitmap &target, const uint8_t *indexFor)
{
    RowWriter writer(header, target, indexFor);
    std::vector<uint8_t> row(header.rowBytes());
    for (int stored = 0; stored < target.height(); ++stored) {
        if (!readWhole(input, row.data(), row.size()))
            return false;
        writer.write(header.topDown() ? stored : target.height() - 1 - stored, row.data());
    }
    return true;
}

// Run-length encoded rows, from the bottom up, until the end-of-picture
// mark: runs of one index (of two alternating ones at 4 bits), indices as
// they stand, row ends and moves. Pixels the data moves past stay white;
// what would fall outside the picture is dropped. Every pixel is written at
// most once, for the data only moves on: commands that write nothing cost
// only their bytes.
class RunLengthReader
{
public:
    RunLengthReader(PictureInput &input, Bitmap &target, const uint8_t *indexFor, bool fourBits)
        : m_input(input), m_target(target), m_indexFor(indexFor), m_fourBits(fourBits)
    {
    }

    bool read()
    {
        for (;;) {
            uint8_t count = 0, code = 0;
            if (!m_input.get(count) || !m_input.get(code))
                return false;
            if (count > 0) {
                run(count, code);
                continue;
            }
            switch (code) {
            case 0: // the end of a row
                m_x = 0;
                m_y = std::min(m_y + 1, m_target.height());
                break;
            case 1: // the end of the picture
                return true;
            case 2: { // a move right and up
                uint8_t right = 0, up = 0;
                if (!m_input.get(right) || !m_input.get(up))
                    return false;
                m_x = std::min(m_x + right, m_target.width());
                m_y = std::min(m_y + up, m_target.height());
                break;
            }
            default:
                if (!literal(code))
                    return false;
            }
        }
    }

private:
    // count pixels of one index, or at 4 bits of the two in value by turns.
    void run(int count, uint8_t value)
    {
        const int room = m_y < m_target.height() ? m_target.width() - m_x : 0;
        for (int i = 0; i < std::min(count, room); ++i)
            put(m_x + i, m_fourBits ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
        m_x += std::min(count, room);
    }
    // count indices as they stand, padded to a whole 16-bit word.
    bool literal(int count)
    {
        const size_t bytes = m_fourBits ? size_t(count + 1) / 2 : size_t(count);
        uint8_t data[256];
        if (!readWhole(m_input, data, (bytes + 1) / 2 * 2))
            return false;
        const int room = m_y < m_target.height() ? m_target.width() - m_x : 0;
        for (int i = 0; i < std::min(count, room); ++i)
            put(m_x + i, m_fourBits ? (i % 2 == 0 ? data[i / 2] >> 4 : data[i / 2] & 0x0F) : data[i]);
        m_x += std::min(count, room);
        return true;
    }
    // One index at x of the present row, which lies in the picture.
    void put(int x, int value)
    {
        uint8_t *row = m_target.scanLine(m_target.height() - 1 - m_y);
        const uint8_t index = m_indexFor[value];
        if (!m_fourBits)
            row[x] = index;
        else
            row[x / 2] = uint8_t(x % 2 == 0 ? (row[x / 2] & 0x0F) | index << 4 : (row[x / 2] & 0xF0) | index);
    }

    PictureInput &m_input;
    Bitmap &m_target;
    const uint8_t *m_indexFor;
    bool m_fourBits;
    int m_x = 0;
    int m_y = 0; // counted from the bottom row
};

} // namespace

bool loadBmp(PictureInput &input, Bitmap &target)
{
    target = Bitmap();
    BmpHeader header;
    if (!readHeader(input, header))
        return false;
    makeTarget(target, input, int(std::min<int64_t>(header.width, Bitmap::MaxSide + 1)), header.rows(), header.bits,
               {0, true});
    LoadMemory::current().askedAll();
    if (header.runLength())
        whitenRowsFrom(target, 0); // what the runs pass over
    uint8_t indexFor[256] = {};
    bool whole = header.bits > 8 || readPalette(input, header, target, indexFor);
    whole = whole && skipTo(input, header.pixelOffset);
    whole = whole
            && (header.runLength() ? RunLengthReader(input, target, indexFor, header.compression == RunLength4).read()
                                   : readRows(input, header, target, indexFor));
    if (!whole)
        whitenRowsFrom(target, 0);
    return concludeLoad(nullptr, whole, target, target.height());
}
