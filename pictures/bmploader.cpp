#include "bmploader.h"

#include "pictureinput.h"
#include "picturetarget.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <bit>
#include <cstring>
#include <vector>

namespace {

// Rows converted at a time from Qt's decoded picture into the bitmap.
constexpr int BandRows = 64;

// What a BMP file's headers say, read as Qt's reader reads them: an info
// header of one of the four sizes it knows, or else the old one of 16-bit
// sides.
struct BmpHeader {
    uint64_t pixelOffset = 0;
    bool core = false;
    int64_t width = 0;
    int64_t height = 0; // below 0 for rows stored from the top down
    int bits = 0;
    uint32_t compression = 0;
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F}; // red, green, blue of 16-bit pixels
};

bool readHeader(const unsigned char *data, size_t size, BmpHeader &header)
{
    const auto le = [&](size_t at, int length) {
        uint64_t value = 0;
        for (int i = length - 1; i >= 0; --i)
            value = value << 8 | data[at + size_t(i)];
        return value;
    };
    if (size < 26)
        return false;
    const uint64_t headerSize = le(14, 4);
    header.core = headerSize != 40 && headerSize != 64 && headerSize != 108 && headerSize != 124;
    if (!header.core && size < 34)
        return false;
    header.pixelOffset = le(10, 4);
    header.width = header.core ? int64_t(le(18, 2)) : int64_t(int32_t(le(18, 4)));
    header.height = header.core ? int64_t(int16_t(le(20, 2))) : int64_t(int32_t(le(22, 4)));
    header.bits = int(header.core ? le(24, 2) : le(28, 2));
    header.compression = header.core ? 0 : uint32_t(le(30, 4));
    // Bit fields follow a 40-byte header and lie inside the longer ones:
    // at the same place either way.
    if (header.compression == 3 && size >= 66) {
        for (int i = 0; i < 3; ++i)
            header.masks[i] = uint32_t(le(54 + 4 * size_t(i), 4));
    }
    return true;
}

// True when the run-length encoded rows that start at offset reach their
// end-of-picture mark within the file.
bool hasWholeRunLengths(const unsigned char *data, size_t size, uint64_t offset, int bitsPerPixel)
{
    size_t at = size_t(std::min<uint64_t>(offset, size));
    while (size - at >= 2) {
        const unsigned count = data[at];
        const unsigned code = data[at + 1];
        at += 2;
        if (count > 0 || code == 0) // a run, or the end of a row
            continue;
        if (code == 1) // the end of the picture
            return true;
        if (code == 2) { // a move by the next two bytes
            at += std::min<size_t>(2, size - at);
            continue;
        }
        // code pixels as they stand, padded to a whole 16-bit word
        const size_t bytes = bitsPerPixel == 8 ? code : (code + 1) / 2;
        at += std::min(size - at, (bytes + 1) / 2 * 2);
    }
    return false;
}

uint64_t rowBytes(const BmpHeader &header)
{
    return (uint64_t(header.width) * uint64_t(header.bits) + 31) / 32 * 4;
}

// True when the file holds all the pixel rows its header asks for. Qt's
// reader fills the rows of a file cut short with black and calls it read.
bool isWhole(const BmpHeader &header, const std::string &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    if (header.compression == 1 || header.compression == 2)
        return hasWholeRunLengths(data, bytes.size(), header.pixelOffset, header.compression == 2 ? 4 : 8);
    const uint64_t rows = uint64_t(header.height < 0 ? -header.height : header.height);
    return header.pixelOffset + rowBytes(header) * rows <= bytes.size();
}

// One field of a 16-bit pixel, widened or narrowed to a field of
// targetBits: the levels of the file stay what they were, white stays
// white.
class BitField
{
public:
    // Only the low 16 bits can say anything of a 16-bit pixel.
    BitField(uint32_t fieldMask, int targetBits)
        : m_mask(fieldMask & 0xFFFF), m_shift(m_mask ? std::countr_zero(m_mask) : 0),
          m_top((1u << std::popcount(m_mask)) - 1), m_targetTop((1u << targetBits) - 1)
    {
    }
    unsigned operator()(uint32_t pixel) const
    {
        const unsigned value = (pixel & m_mask) >> m_shift;
        if (m_top == m_targetTop)
            return value;
        // A mask with gaps in it lets values pass its top.
        return m_top == 0 ? 0 : std::min(m_targetTop, (value * m_targetTop + m_top / 2) / m_top);
    }

private:
    uint32_t m_mask;
    int m_shift;
    unsigned m_top;
    unsigned m_targetTop;
};

// 16-bit pixels into the 5-6-5 bitmap, field by field; Qt's reader would
// widen each field to 8 bits by shifting alone, so that white came out grey.
void read16Bit(const BmpHeader &header, const std::string &bytes, Bitmap &target)
{
    const BitField red(header.masks[0], 5), green(header.masks[1], 6), blue(header.masks[2], 5);
    const size_t stride = size_t(rowBytes(header));
    for (int y = 0; y < target.height(); ++y) {
        const int stored = header.height < 0 ? y : target.height() - 1 - y;
        const auto *from = reinterpret_cast<const unsigned char *>(bytes.data()) + header.pixelOffset
                           + size_t(stored) * stride;
        auto *to = reinterpret_cast<uint16_t *>(target.scanLine(y));
        for (int x = 0; x < target.width(); ++x) {
            const uint32_t pixel = uint32_t(from[2 * x] | from[2 * x + 1] << 8);
            to[x] = uint16_t(red(pixel) << 11 | green(pixel) << 5 | blue(pixel));
        }
    }
}

// Qt's readers and the libraries under them say what they find wrong with a
// file on the error output. A picture that cannot be read is a quiet false
// here, so while a reader works its words go nowhere.
class QuietReaders
{
public:
    QuietReaders() : m_previous(qInstallMessageHandler(ignore)) {}
    ~QuietReaders() { qInstallMessageHandler(m_previous); }
    QuietReaders(const QuietReaders &) = delete;
    QuietReaders &operator=(const QuietReaders &) = delete;

private:
    static void ignore(QtMsgType, const QMessageLogContext &, const QString &) {}
    QtMessageHandler m_previous;
};

Rgb overWhite(QRgb colour)
{
    return ::overWhite(qRed(colour), qGreen(colour), qBlue(colour), qAlpha(colour));
}

// Draws a decoded picture into a bitmap of its size, a band of rows at a
// time; transparent parts are drawn over white. A picture of a palette
// goes into a target of one through a table, each colour looked up once.
void drawOnWhite(const QImage &picture, Bitmap &target)
{
    const int width = picture.width();
    const bool indexed = hasPalette(target.pixelFormat()) && picture.colorCount() > 0;
    std::vector<Rgb> colours(static_cast<size_t>(width));
    uint8_t indexFor[256] = {};
    for (int i = 0; indexed && i < std::min<int>(256, int(picture.colorCount())); ++i)
        indexFor[i] = target.nearestIndex(overWhite(picture.color(i)));
    for (int top = 0; top < picture.height(); top += BandRows) {
        const int rows = std::min(BandRows, picture.height() - top);
        const QImage band = picture.copy(0, top, width, rows)
                                .convertToFormat(indexed ? QImage::Format_Indexed8 : QImage::Format_ARGB32);
        for (int y = 0; y < rows; ++y) {
            if (indexed) {
                writeIndices(target, top + y, band.constScanLine(y), indexFor);
                continue;
            }
            const auto *line = reinterpret_cast<const QRgb *>(band.constScanLine(y));
            for (int x = 0; x < width; ++x)
                colours[size_t(x)] = overWhite(line[x]);
            target.writePixels(0, top + y, width, colours.data());
        }
    }
}

bool readWithQt(QImageReader &reader, const QSize &size, int bits, Bitmap &target)
{
    // Qt's reader decodes into a picture of its own, a byte a pixel for a
    // palette and a word a pixel for colours.
    const PixelReservation decoded = Bitmap::reserve(
        size_t(size.width()) * size_t(size.height()) * (bits <= 8 ? 1 : 4), size.width(), size.height());
    reader.setAllocationLimit(int(Bitmap::MaxPixelBytes >> 20) + 1);
    QImage picture;
    if (!reader.read(&picture) || picture.size() != size)
        return false;
    drawOnWhite(picture, target);
    return true;
}

} // namespace

bool loadBmp(PictureInput &input, Bitmap &target)
{
    target = Bitmap();
    BmpHeader header;
    if (!readHeader(input.buffer(), input.headSize(), header))
        return false;
    const auto side = [](int64_t length) { return int(std::clamp<int64_t>(length, 0, Bitmap::MaxSide + 1)); };
    const PixelReservation fileMemory =
        Bitmap::reserve(input.size(), side(header.width), side(header.height < 0 ? -header.height : header.height));
    std::string bytes;
    if (!input.readAll(bytes))
        return false;

    QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
    QBuffer device(&data);
    device.open(QIODevice::ReadOnly);
    const QuietReaders quiet;
    QImageReader reader(&device, "bmp");
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(false);
    // Rows stored from the top down give a negative height here, although
    // the reader reads them upright.
    QSize size = reader.size();
    size.setHeight(std::abs(size.height()));
    if (!size.isValid() || size.isEmpty())
        return false;
    makeTarget(target, size.width(), size.height(), header.bits);
    if (isWhole(header, bytes)) {
        const bool sixteen = header.bits == 16 && (header.compression == 0 || header.compression == 3)
                             && size == QSize(side(header.width), side(std::abs(header.height)));
        if (sixteen) {
            read16Bit(header, bytes, target);
            return true;
        }
        if (readWithQt(reader, size, header.bits, target))
            return true;
    }
    whitenRowsFrom(target, 0);
    return false;
}
