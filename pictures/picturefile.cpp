#include "picturefile.h"

#include "codepage.h"
#include "jpegdecoder.h"
#include "sharedfile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr size_t ReadChunk = 64 * 1024;
// No picture that fits a bitmap needs a file this large.
constexpr size_t MaxFileBytes = 2 * Bitmap::MaxPixelBytes + (size_t{1} << 20);
// What Qt's reader may hold while it decodes: enough for the largest
// bitmap's pixels at twice their depth (a 4-bit file decodes to bytes, a
// 16-bit one to 32-bit words).
constexpr int ReaderLimitMiB = int(2 * Bitmap::MaxPixelBytes >> 20) + 1;
// Rows converted at a time from Qt's decoded picture into the bitmap.
constexpr int BandRows = 64;

enum class FileKind { Jpeg, Png, Bmp, Gif, Unknown };

FileKind kindOf(const unsigned char *head, size_t size)
{
    const auto startsWith = [&](const char *magic, size_t length) {
        return size >= length && std::memcmp(head, magic, length) == 0;
    };
    if (startsWith("\xFF\xD8", 2))
        return FileKind::Jpeg;
    if (startsWith("\x89PNG\r\n\x1A\n", 8))
        return FileKind::Png;
    if (startsWith("BM", 2))
        return FileKind::Bmp;
    if (startsWith("GIF87a", 6) || startsWith("GIF89a", 6))
        return FileKind::Gif;
    return FileKind::Unknown;
}

const char *readerFormat(FileKind kind)
{
    switch (kind) {
    case FileKind::Png: return "png";
    case FileKind::Bmp: return "bmp";
    case FileKind::Gif: return "gif";
    default: return "";
    }
}

// Bits per pixel as the file stores them, read from its header; 0 when the
// header is too short to tell.
int fileBitsPerPixel(FileKind kind, const unsigned char *head, size_t size)
{
    const auto le16 = [&](size_t at) { return head[at] | head[at + 1] << 8; };
    switch (kind) {
    case FileKind::Png: {
        // The IHDR chunk comes first: bit depth at 24, colour type at 25.
        if (size < 26)
            return 0;
        static const int channels[] = {1, 0, 3, 1, 2, 0, 4}; // by colour type
        const int type = head[25];
        return type < 7 ? head[24] * channels[type] : 0;
    }
    case FileKind::Bmp:
        // The bit count follows the size of the info header: at 24 in the
        // old 12-byte core header, at 28 in all later ones.
        if (size < 30)
            return 0;
        return le16(14) == 12 && le16(16) == 0 ? le16(24) : le16(28);
    case FileKind::Gif:
        return 8; // every GIF frame is palette indices of up to 8 bits
    default:
        return 0;
    }
}

// The CRC-32 that guards each PNG chunk.
uint32_t chunkCrc(const unsigned char *data, size_t size)
{
    static const auto table = [] {
        std::array<uint32_t, 256> entries{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[n] = c;
        }
        return entries;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char *p = data; p < data + size; ++p)
        crc = table[(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

// True when every chunk of a PNG file is whole and unharmed up to its end
// chunk. libpng prints its errors and Qt's reader leaves it so: a file cut
// short or damaged is turned away before it reaches them.
bool isWholePng(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const size_t size = size_t(bytes.size());
    const auto be32 = [data](size_t at) {
        return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 | data[at + 3];
    };
    size_t at = 8;
    while (size - at >= 12) {
        const size_t length = be32(at);
        if (length > size - at - 12)
            return false;
        if (chunkCrc(data + at + 4, length + 4) != be32(at + 8 + length))
            return false;
        if (std::memcmp(data + at + 4, "IEND", 4) == 0)
            return true;
        at += 12 + length;
    }
    return false;
}

// True when the run-length encoded rows of a BMP file that start at offset
// reach their end-of-picture mark within the file.
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

// True when a BMP file holds all the pixel rows its header asks for. Qt's
// reader fills the rows of a file cut short with black and calls it read.
// The header is read as Qt's reader reads it: an info header of one of the
// four known sizes, or else the old one of 16-bit sides.
bool isWholeBmp(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const size_t size = size_t(bytes.size());
    const auto le = [&](size_t at, int length) {
        uint64_t value = 0;
        for (int i = length - 1; i >= 0; --i)
            value = value << 8 | data[at + size_t(i)];
        return value;
    };
    if (size < 26)
        return false;
    const uint64_t headerSize = le(14, 4);
    const bool core = headerSize != 40 && headerSize != 64 && headerSize != 108 && headerSize != 124;
    if (!core && size < 34)
        return false;
    const uint64_t compression = core ? 0 : le(30, 4);
    if (compression == 1 || compression == 2)
        return hasWholeRunLengths(data, size, le(10, 4), compression == 2 ? 4 : 8);
    const uint64_t width = core ? le(18, 2) : le(18, 4);
    const int64_t height = core ? int64_t(int16_t(le(20, 2))) : int64_t(int32_t(le(22, 4)));
    const uint64_t bits = core ? le(24, 2) : le(28, 2);
    const uint64_t rowBytes = (width * bits + 31) / 32 * 4;
    const uint64_t rows = uint64_t(height < 0 ? -height : height);
    return le(10, 4) + rowBytes * rows <= size;
}

// True when a GIF file holds its first picture whole: every block up to the
// end of that picture's data is there. Qt's reader, like its BMP reader,
// would finish a picture cut short on its own.
bool isWholeGif(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const size_t size = size_t(bytes.size());
    const auto colourTable = [](unsigned char flags) { return flags & 0x80 ? size_t(3) << ((flags & 7) + 1) : 0; };
    // Skips a run of sub-blocks up to its empty one; false when the file ends first.
    const auto skipSubBlocks = [&](size_t &at) {
        while (at < size && data[at] != 0)
            at += 1 + size_t(data[at]);
        return at++ < size;
    };
    if (size < 13)
        return false;
    size_t at = 13 + colourTable(data[10]);
    while (at < size) {
        if (data[at] == 0x21) { // an extension: its label, then sub-blocks
            at += 2;
            if (!skipSubBlocks(at))
                return false;
        } else if (data[at] == 0x2C) { // the picture: descriptor, table, code size, data
            if (size - at < 10)
                return false;
            at += 10 + colourTable(data[at + 9]) + 1;
            return skipSubBlocks(at);
        } else {
            return false;
        }
    }
    return false;
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

// Reads until size bytes are in buffer or the file ends; -1 on a failed read.
long readUpTo(SharedFile &file, unsigned char *buffer, size_t size)
{
    size_t total = 0;
    while (total < size) {
        int error = 0;
        const long got = file.read(reinterpret_cast<char *>(buffer) + total, size - total, error);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        total += size_t(got);
    }
    return long(total);
}

// The buffer a file is read through: not cleared first, since reads fill it.
struct ReadBuffer {
    std::unique_ptr<unsigned char[]> bytes = std::make_unique_for_overwrite<unsigned char[]>(ReadChunk);
    unsigned char *data() const { return bytes.get(); }
    static constexpr size_t size() { return ReadChunk; }
};

long readForJpeg(void *file, unsigned char *buffer, size_t size)
{
    int error = 0;
    return static_cast<SharedFile *>(file)->read(reinterpret_cast<char *>(buffer), size, error);
}

struct JpegLoad {
    JpegJob job;
    Bitmap *target;
    bool prepared;
    std::exception_ptr error;
};

// Called from inside the decoder, so no exception may leave it: the
// bitmap's error waits in the load until the decoder has cleaned up.
unsigned char *prepareJpegTarget(void *context, int width, int height, int bitsPerPixel,
                                 size_t *bytesPerLine) noexcept
{
    auto *load = static_cast<JpegLoad *>(context);
    Bitmap &target = *load->target;
    try {
        target = Bitmap(width, height, PixelFormatFor(bitsPerPixel), Bitmap::Unwritten);
    } catch (...) {
        load->error = std::current_exception();
        return nullptr;
    }
    load->prepared = true;
    if (target.pixelFormat() == PixelFormat::Indexed8) {
        for (unsigned grey = 0; grey < 256; ++grey)
            load->job.greyToPixel[grey] = target.nearestIndex(grey << 16 | grey << 8 | grey);
    }
    *bytesPerLine = target.bytesPerLine();
    return target.isEmpty() ? nullptr : target.scanLine(0);
}

bool loadJpeg(SharedFile &file, ReadBuffer &buffer, size_t filled, Bitmap &target)
{
    JpegLoad load{};
    load.job.read = readForJpeg;
    load.job.file = &file;
    load.job.buffer = buffer.data();
    load.job.bufferSize = buffer.size();
    load.job.filled = filled;
    load.job.prepare = prepareJpegTarget;
    load.job.context = &load;
    load.target = &target;
    const JpegResult result = decodeJpeg(&load.job);
    if (load.error)
        std::rethrow_exception(load.error);
    if (!load.prepared)
        target.setSize(0, 0);
    // Rows that a failed decode never reached are white, not what the
    // memory held before.
    for (int y = load.job.rowsDecoded; result != JpegResult::Decoded && y < target.height(); ++y)
        std::memset(target.scanLine(y), 0xFF, target.bytesPerLine());
    return result == JpegResult::Decoded;
}

bool readRest(SharedFile &file, QByteArray &bytes)
{
    bytes.reserve(qsizetype(file.size()) + 1);
    for (;;) {
        if (size_t(bytes.size()) > MaxFileBytes)
            return false;
        const qsizetype at = bytes.size();
        bytes.resize(at + qsizetype(ReadChunk));
        const long got = readUpTo(file, reinterpret_cast<unsigned char *>(bytes.data() + at), ReadChunk);
        if (got < 0)
            return false;
        bytes.resize(at + got);
        if (size_t(got) < ReadChunk)
            return true;
    }
}

// Draws a decoded picture into a bitmap of its size, a band of rows at a
// time; transparent parts are drawn over white.
void drawOnWhite(const QImage &picture, Bitmap &target)
{
    const int width = picture.width();
    std::vector<Rgb> colours(static_cast<size_t>(width));
    for (int top = 0; top < picture.height(); top += BandRows) {
        const int rows = std::min(BandRows, picture.height() - top);
        const QImage band = picture.copy(0, top, width, rows).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < rows; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(band.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                const QRgb p = line[x];
                const int alpha = qAlpha(p);
                const auto over = [alpha](int c) { return (c * alpha + 255 * (255 - alpha) + 127) / 255; };
                colours[size_t(x)] = alpha == 255 ? Rgb(p & 0xFFFFFF)
                                                  : Rgb(over(qRed(p)) << 16 | over(qGreen(p)) << 8 | over(qBlue(p)));
            }
            target.writePixels(0, top + y, width, colours.data());
        }
    }
}

bool loadWithImageReader(SharedFile &file, const ReadBuffer &head, size_t filled,
                         FileKind kind, Bitmap &target)
{
    QByteArray bytes(reinterpret_cast<const char *>(head.data()), qsizetype(filled));
    if (filled == head.size() && !readRest(file, bytes)) {
        target.setSize(0, 0);
        return false;
    }
    if (kind == FileKind::Png && !isWholePng(bytes)) {
        target.setSize(0, 0);
        return false;
    }
    const QuietReaders quiet;
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    QImageReader reader(&device, readerFormat(kind));
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) {
        target.setSize(0, 0);
        return false;
    }
    target = Bitmap(size.width(), size.height(),
                    PixelFormatFor(fileBitsPerPixel(kind, head.data(), filled)));
    if ((kind == FileKind::Bmp && !isWholeBmp(bytes)) || (kind == FileKind::Gif && !isWholeGif(bytes)))
        return false; // found, but cut short
    reader.setAllocationLimit(ReaderLimitMiB);
    QImage picture;
    if (!reader.read(&picture) || picture.size() != size)
        return false;
    drawOnWhite(picture, target);
    return true;
}

} // namespace

bool LoadPictureFile(const std::string &cp932FileName, Bitmap &target)
{
    std::string path = CodePage::toUtf8(cp932FileName);
    // Card lists may name folders with "\"; in UTF-8 that byte is always
    // the separator, never part of a character.
    std::replace(path.begin(), path.end(), '\\', '/');
    int error = 0;
    std::optional<SharedFile> file;
    if (!path.empty())
        file = SharedFile::open(path, error);
    ReadBuffer head;
    const long filled = file && file->size() <= MaxFileBytes ? readUpTo(*file, head.data(), head.size()) : -1;
    const FileKind kind = filled > 0 ? kindOf(head.data(), size_t(filled)) : FileKind::Unknown;
    switch (kind) {
    case FileKind::Unknown:
        target.setSize(0, 0);
        return false;
    case FileKind::Jpeg:
        return loadJpeg(*file, head, size_t(filled), target);
    default:
        return loadWithImageReader(*file, head, size_t(filled), kind, target);
    }
}

PixelFormat PixelFormatFor(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1: return PixelFormat::Indexed1;
    case 4: return PixelFormat::Indexed4;
    case 8: return PixelFormat::Indexed8;
    case 16: return PixelFormat::Rgb565;
    case 24: return PixelFormat::Rgb24;
    default: return PixelFormat::Rgb32;
    }
}
