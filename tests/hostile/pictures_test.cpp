// Picture files made to hurt: compressed data that expands far beyond the
// file, data that costs work and makes no pixels, and files of every format
// cut short or with bits flipped. A load gives a picture, a quiet false or
// the bitmap's error for a size it cannot make; it never crashes, hangs or
// prints.

#include "childprocesses.h"
#include "decoderprocess.h"
#include "hostilefiles.h"
#include "picturefile.h"
#include "pictureinput.h"
#include "picturekind.h"
#include "testpictures.h"
#include "workdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>

namespace {

// Appends value as that many bytes, lowest first, as BMP files store numbers.
void put(std::string &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += char(value >> (8 * i) & 0xFF);
}

// A 24-bit BMP file in the old layout of 16-bit sides, which Qt's reader
// takes for any header size it does not know.
std::string oldLayoutBmp(const QImage &picture, int headerSize)
{
    const int rowBytes = (picture.width() * 3 + 3) / 4 * 4;
    const int offset = 14 + headerSize;
    std::string bmp = "BM";
    put(bmp, uint32_t(offset + rowBytes * picture.height()), 4);
    put(bmp, 0, 4);
    put(bmp, uint32_t(offset), 4);
    put(bmp, uint32_t(headerSize), 4);
    put(bmp, uint32_t(picture.width()), 2);
    put(bmp, uint32_t(picture.height()), 2);
    put(bmp, 1, 2);  // planes
    put(bmp, 24, 2); // bits per pixel
    bmp.resize(size_t(offset), '\0');
    for (int y = picture.height() - 1; y >= 0; --y) { // bottom row first
        for (int x = 0; x < picture.width(); ++x)
            put(bmp, picture.pixel(x, y) & 0xFFFFFF, 3);
        bmp.resize(bmp.size() + size_t(rowBytes - picture.width() * 3), '\0');
    }
    return bmp;
}

// An 8-bit BMP file whose rows are run-length encoded: each row as runs of
// one palette index, then the end-of-row mark, and the end-of-picture mark
// after the last.
std::string runLengthBmp(const QImage &indexed)
{
    std::string rows;
    for (int y = indexed.height() - 1; y >= 0; --y) { // bottom row first
        for (int x = 0; x < indexed.width();) {
            int run = 1;
            while (x + run < indexed.width() && run < 255 && indexed.pixelIndex(x + run, y) == indexed.pixelIndex(x, y))
                ++run;
            rows += char(run);
            rows += char(indexed.pixelIndex(x, y));
            x += run;
        }
        rows += std::string("\0\0", 2);
    }
    rows += std::string("\0\x01", 2);
    const int colours = int(indexed.colorCount());
    const uint32_t offset = 14 + 40 + 4 * uint32_t(colours);
    std::string bmp = "BM";
    put(bmp, offset + uint32_t(rows.size()), 4);
    put(bmp, 0, 4);
    put(bmp, offset, 4);
    put(bmp, 40, 4);
    put(bmp, uint32_t(indexed.width()), 4);
    put(bmp, uint32_t(indexed.height()), 4);
    put(bmp, 1, 2);  // planes
    put(bmp, 8, 2);  // bits per pixel
    put(bmp, 1, 4);  // run-length encoded, 8 bits
    put(bmp, uint32_t(rows.size()), 4);
    put(bmp, 0, 4);  // resolution
    put(bmp, 0, 4);
    put(bmp, uint32_t(colours), 4);
    put(bmp, 0, 4);
    for (int i = 0; i < colours; ++i)
        put(bmp, indexed.color(i) & 0xFFFFFF, 4);
    return bmp + rows;
}

// A small picture file the program reads, of one kind.
struct Sample {
    std::string name;
    PictureKind kind;
    std::string bytes;
};

// Small pictures of one kind: its colour, palette and old layouts. A kind
// added to the program's list needs its case here: the build says so.
std::vector<Sample> samplesOf(PictureKind kind)
{
    const QImage colour = testPattern(30, 20);
    QImage indexed(30, 20, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 40; ++i)
        table.append(qRgb(i * 6, 255 - i * 6, i * 3));
    indexed.setColorTable(table);
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x)
            indexed.setPixel(x, y, uint(x + y) % 40);
    QImage sixteen = indexed;
    sixteen.setColorTable(table.mid(0, 16));
    for (int y = 0; y < sixteen.height(); ++y)
        for (int x = 0; x < sixteen.width(); ++x)
            sixteen.setPixel(x, y, uint(x * y) % 16);
    switch (kind) {
    case PictureKind::Jpeg: return {{"colour.jpg", kind, encodeJpeg(colour)}};
    case PictureKind::Png:
        return {{"colour.png", kind, encodeWithQt(colour, "png")}, {"indexed.png", kind, encodeWithQt(indexed, "png")}};
    case PictureKind::Bmp:
        return {{"colour.bmp", kind, encodeWithQt(colour.convertToFormat(QImage::Format_RGB32), "bmp")},
                {"indexed.bmp", kind, encodeWithQt(indexed, "bmp")},
                {"sixteen.bmp", kind, encodeBmp4(sixteen)},
                {"mono.bmp", kind, encodeWithQt(colour.convertToFormat(QImage::Format_Mono), "bmp")},
                {"old.bmp", kind, oldLayoutBmp(colour, 12)},
                {"runs.bmp", kind, runLengthBmp(indexed)},
                {"odd-header.bmp", kind, oldLayoutBmp(colour, 20)},
                {"short-header.bmp", kind, encodeBmpShortHeader(indexed)},
                {"56-byte-header.bmp", kind,
                 encodeBmpFields(colour, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, false, 56)}};
    case PictureKind::Gif: return {{"indexed.gif", kind, encodeGif(indexed)}};
    case PictureKind::Unknown: break;
    }
    return {};
}

// Samples of every kind the program reads, from its own list of them.
std::vector<Sample> everyFormat()
{
    std::vector<Sample> all;
    for (const PictureFormat &format : PictureFormats) {
        const std::vector<Sample> samples = samplesOf(format.kind);
        EXPECT_FALSE(samples.empty()) << "no sample files of " << format.name;
        all.insert(all.end(), samples.begin(), samples.end());
    }
    return all;
}

enum class Outcome { Loaded, Missed, TooLarge };

Outcome loadFile(const std::string &name, Bitmap &target)
{
    try {
        return loadPictureConfined(name, target) ? Outcome::Loaded : Outcome::Missed;
    } catch (const BitmapError &error) {
        EXPECT_FALSE(error.message().empty());
        return Outcome::TooLarge;
    }
}

Outcome load(const std::string &bytes, Bitmap &target)
{
    ScopedWorkDir::write("picture", bytes);
    return loadFile("picture", target);
}

// Bytes a process has read from files so far, by the kernel's count.
size_t bytesRead(const std::string &process)
{
    std::ifstream io("/proc/" + process + "/io");
    std::string key;
    size_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:")
            return value;
    }
    ADD_FAILURE() << "the kernel does not count the reads of process " << process;
    return 0;
}

// The same for this process and its decoder processes, which read the files.
size_t bytesReadSoFar()
{
    size_t read = bytesRead("self");
    for (const pid_t child : childProcesses(getpid()))
        read += bytesRead(std::to_string(child));
    return read;
}

} // namespace

TEST(HostilePicture, PngBombsStayWithinTheBitmapLimit)
{
    ScopedWorkDir dir;
    testing::internal::CaptureStderr();
    Bitmap target;
    // The header claims 40000 by 40000 colour pixels; the data is a trifle.
    EXPECT_EQ(load(pngFile(40000, 40000, 8, 2, deflatedZeros(40001)), target), Outcome::TooLarge);

    // 64 by 64 grey pixels need 4 KiB; the data would expand to 128 MiB.
    const std::string overflowing = pngFile(64, 64, 8, 0, deflatedZeros(size_t{128} << 20));
    ASSERT_LT(overflowing.size(), size_t{1} << 20);
    EXPECT_EQ(load(overflowing, target), Outcome::Loaded);
    EXPECT_EQ(target.width(), 64);
    EXPECT_EQ(target.pixel(63, 63), 0u) << "the rows are black";

    // A compressed text chunk that would expand to 128 MiB, before the data.
    std::string text = "Comment";
    text += '\0'; // end of the keyword
    text += '\0'; // deflate
    text += deflatedZeros(size_t{128} << 20);
    EXPECT_EQ(load(pngFile(1, 1, 8, 0, deflatedZeros(2), pngChunk("zTXt", text)), target), Outcome::Loaded);
    EXPECT_EQ(target.width(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Where a file of the picture's kind holds the last of its pixels, and from
// where on all that is missing is the end mark after them: a cut before the
// first gives false, a cut after the second loads. In between lie the
// bytes that may or may not carry the last bits of a pixel.
struct PixelsEnd {
    size_t missedBefore;
    size_t wholeFrom;
};

PixelsEnd pixelsEndOf(const Sample &sample)
{
    const size_t size = sample.bytes.size();
    switch (sample.kind) {
    case PictureKind::Jpeg: return {size - 3, size - 2}; // the last byte of data, then the end mark
    case PictureKind::Png: return {size - 12 - 8 - 3, size - 12}; // the data's checksums, then the end chunk
    case PictureKind::Gif: return {size - 5, size - 2}; // the end code, then the empty block and the trailer
    case PictureKind::Bmp:
    case PictureKind::Unknown: break; // the last row's padding is part of it
    }
    return {size, size};
}

TEST(HostilePicture, PicturesDamagedWhereTheirPixelsLieGiveFalseWithoutAWord)
{
    ScopedWorkDir dir;
    // Eight rows of eight grey pixels, each row led by its filter byte;
    // every chunk with a right CRC, so only the data itself is wrong.
    std::string rows;
    for (int y = 0; y < 8; ++y)
        rows += '\0' + std::string(8, char(y * 30));
    std::string badFilter = rows;
    badFilter[9 * 3] = char(9); // there are five filters, 0 to 4
    std::string badStream = deflated(rows);
    for (size_t at = 2; at < badStream.size(); at += 3)
        badStream[at] = char(~badStream[at]);
    // A transparent grey level makes row 1 white; a damaged checksum on it
    // leaves that unsaid, so the picture is damaged, not shown without it.
    std::string transparency = pngChunk("tRNS", std::string("\0\x1E", 2));
    transparency.back() = char(~transparency.back());
    QImage indexed(6, 5, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0)});
    indexed.fill(1);
    std::string runsFromTheTop = runLengthBmp(indexed);
    runsFromTheTop.replace(22, 4, std::string("\xFB\xFF\xFF\xFF", 4)); // a height of -5
    using enum PictureKind;
    const struct {
        PictureKind kind;
        const char *what;
        std::string bytes;
    } cases[] = {
        {Png, "bad filter", pngFile(8, 8, 8, 0, deflated(badFilter))},
        {Png, "bad deflate stream", pngFile(8, 8, 8, 0, badStream)},
        {Png, "too few rows", pngFile(8, 8, 8, 0, deflated(rows.substr(0, 9 * 5)))},
        {Png, "transparency with a bad checksum", pngFile(8, 8, 8, 0, deflated(rows), transparency)},
        // Rows encoded in runs are stored from the bottom up; stored from the
        // top down, they are no BMP file.
        {Bmp, "run lengths from the top down", runsFromTheTop},
    };
    // Formats whose data has no structure left to break once it is cut
    // short (every cut is in EveryFormatCutShortLoadsOnlyWithAllItsPixels):
    // a flip decodes to other pixels, as the flipped-bit test expects.
    const std::map<PictureKind, const char *> onlyCutShort = {
        {Jpeg, "JPEG data carries no checksum: damaged, it decodes to noise"},
        {Gif, "GIF data is codes and nothing else: damaged, they decode to other pixels"},
    };
    for (const PictureFormat &format : PictureFormats) {
        const bool damaged = std::any_of(std::begin(cases), std::end(cases),
                                         [&format](const auto &c) { return c.kind == format.kind; });
        EXPECT_TRUE(damaged || onlyCutShort.contains(format.kind)) << "no damaged file of " << format.name;
    }
    Bitmap whole;
    ASSERT_EQ(load(pngFile(8, 8, 8, 0, deflated(rows)), whole), Outcome::Loaded);
    testing::internal::CaptureStderr();
    for (const auto &[kind, what, bytes] : cases) {
        Bitmap target;
        EXPECT_EQ(load(bytes, target), Outcome::Missed) << what;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Files whose bytes ask for work that their pixels do not: each is read no
// further than the allowance of its picture's size, and gives a quiet false
// when its pixels are not complete by then: its size would fit a bitmap,
// so it is no picture the program reads, not one too large. Picture files
// past the picture's end are never read.
TEST(HostilePicture, WorkFollowsThePixelsNotTheBytes)
{
    ScopedWorkDir dir;
    const QImage card = testPattern(105, 153);
    const std::string cardPng = encodeWithQt(card, "png");
    const std::string cardBmp = encodeWithQt(card.convertToFormat(QImage::Format_RGB32), "bmp");
    const std::string cardGif = encodeGif(card.convertToFormat(QImage::Format_Indexed8));
    const std::string cardJpeg = encodeJpeg(card);
    JpegOptions progressive;
    progressive.progressive = true;
    const std::string progressiveJpeg = encodeJpeg(card, progressive);
    const size_t beyond = PictureInput::ExtraAllowance + (size_t{4} << 20);
    const size_t far = size_t{500} << 20;
    const std::string afterSignatureAndHeader = cardPng.substr(0, 33);
    std::string bigChunk = afterSignatureAndHeader;
    for (int shift = 24; shift >= 0; shift -= 8)
        bigChunk += char(beyond >> shift & 0xFF);
    bigChunk += "abCd";
    std::string emptyChunks, emptyDataChunks;
    for (size_t size = 0; size < beyond; size += 12) {
        emptyChunks += pngChunk("abCd", {});
        emptyDataChunks += pngChunk("IDAT", {});
    }
    const size_t cardData = cardPng.find("IDAT") - 4;
    std::string farPixels = cardBmp;
    farPixels.replace(10, 4, std::string("\0\0\0\x1F", 4)); // the rows 496 MiB in
    using enum PictureKind;
    const struct {
        PictureKind kind;
        const char *what;
        std::string head;
        size_t size;      // with a hole after the head, when more than it
        std::string tail; // after the hole
        Outcome outcome;
    } cases[] = {
        {Gif, "GIF data of clear codes", gifOfClearCodes(size_t{3} << 20), 0, {}, Outcome::Missed},
        {Gif, "GIF comment of one-byte blocks", withGifComment(cardGif, beyond / 2), 0, {}, Outcome::Missed},
        {Bmp, "BMP runs of moves that go nowhere", bmpOfEmptyMoves(beyond / 4), 0, {}, Outcome::Missed},
        {Png, "PNG data of empty deflate blocks",
         pngFile(1, 1, 8, 0, deflatedAfterEmptyBlocks(std::string(2, '\0'), 1 << 18)), 0, {}, Outcome::Missed},
        {Png, "PNG chunks with nothing in them", afterSignatureAndHeader + emptyChunks + cardPng.substr(33), 0, {},
         Outcome::Missed},
        // Framing is no compressed data, but it is read all the same.
        {Png, "PNG data chunks with nothing in them",
         cardPng.substr(0, cardData) + emptyDataChunks + cardPng.substr(cardData), 0, {}, Outcome::Missed},
        {Png, "PNG chunk larger than the allowance", bigChunk, bigChunk.size() + beyond + 4 + cardPng.size() - 33,
         "CRCs" + cardPng.substr(33), Outcome::Missed},
        {Bmp, "BMP rows far into the file", farPixels.substr(0, 54), (size_t{496} << 20) + cardBmp.size() - 54,
         cardBmp.substr(54), Outcome::Missed},
        {Bmp, "BMP before a hole", cardBmp, far, {}, Outcome::Loaded},
        {Gif, "GIF before a hole", cardGif, far, {}, Outcome::Loaded},
        {Png, "PNG before a hole", cardPng, far, {}, Outcome::Loaded},
        {Jpeg, "JPEG whose end mark lies far behind", cardJpeg.substr(0, cardJpeg.size() - 2), far, "\xFF\xD9",
         Outcome::Loaded},
        {Jpeg, "progressive JPEG whose end mark lies far behind",
         progressiveJpeg.substr(0, progressiveJpeg.size() - 2), far, "\xFF\xD9", Outcome::Loaded},
    };
    for (const PictureFormat &format : PictureFormats) {
        const bool costly = std::any_of(std::begin(cases), std::end(cases),
                                        [&format](const auto &c) { return c.kind == format.kind; });
        EXPECT_TRUE(costly) << "no costly file of " << format.name;
    }
    testing::internal::CaptureStderr();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.size > c.head.size())
            writeSparse("picture", c.head, c.size, c.tail);
        else
            ScopedWorkDir::write("picture", c.head);
        const size_t before = bytesReadSoFar();
        Bitmap target;
        EXPECT_EQ(loadFile("picture", target), c.outcome);
        EXPECT_LE(bytesReadSoFar() - before, PictureInput::ExtraAllowance + (size_t{1} << 20));
        if (c.outcome == Outcome::Loaded) {
            EXPECT_EQ(target.width(), 105);
            EXPECT_EQ(target.height(), 153);
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// A GIF may send a clear code for every two pixels and 4,096 more (see
// README), however wide its codes have grown in between: the clear codes
// are counted on giflib's codes, width for width.
TEST(HostilePicture, GifClearCodesLoadUpToTheirAllowance)
{
    ScopedWorkDir dir;
    constexpr int Width = 100, Height = 160;
    const size_t allowed = size_t(Width) * Height / 2 + 4096;
    const std::string within = gifOfClearedRuns(Width, Height, allowed);
    const QImage expected = QImage::fromData(QByteArray::fromStdString(within), "GIF");
    ASSERT_FALSE(expected.isNull());
    Bitmap picture;
    EXPECT_EQ(load(within, picture), Outcome::Loaded);
    EXPECT_TRUE(samePixels(picture, expected));
    Bitmap beyond;
    EXPECT_EQ(load(gifOfClearedRuns(Width, Height, allowed + 1), beyond), Outcome::Missed);
}

TEST(HostilePicture, EveryFormatCutShortLoadsOnlyWithAllItsPixels)
{
    ScopedWorkDir dir;
    testing::internal::CaptureStderr();
    for (const Sample &sample : everyFormat()) {
        SCOPED_TRACE(sample.name);
        const std::string &bytes = sample.bytes;
        for (const PictureFormat &format : PictureFormats)
            EXPECT_EQ(format.isOfKind(bytes), format.kind == sample.kind) << "told as " << format.name;
        Bitmap whole;
        EXPECT_EQ(load(bytes, whole), Outcome::Loaded);
        const PixelsEnd end = pixelsEndOf(sample);
        for (size_t length = 0; length < end.missedBefore; length += 1 + bytes.size() / 97) {
            Bitmap target;
            EXPECT_EQ(load(bytes.substr(0, length), target), Outcome::Missed) << "cut at " << length;
        }
        for (size_t length = end.wholeFrom; length < bytes.size(); ++length) {
            Bitmap target;
            EXPECT_EQ(load(bytes.substr(0, length), target), Outcome::Loaded) << "cut at " << length;
            EXPECT_TRUE(samePixels(target, whole)) << "cut at " << length;
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(HostilePicture, FlippedBitsNeitherCrashNorPrint)
{
    ScopedWorkDir dir;
    std::mt19937 random(8);
    testing::internal::CaptureStderr();
    for (const Sample &sample : everyFormat()) {
        SCOPED_TRACE(sample.name);
        const std::string &bytes = sample.bytes;
        Bitmap whole;
        ASSERT_EQ(load(bytes, whole), Outcome::Loaded);
        // Every bit of the headers, then bits anywhere.
        std::vector<size_t> bits;
        for (size_t bit = 0; bit < 8 * std::min<size_t>(bytes.size(), 80); ++bit)
            bits.push_back(bit);
        for (int i = 0; i < 300; ++i)
            bits.push_back(random() % (8 * bytes.size()));
        for (size_t bit : bits) {
            std::string flipped = bytes;
            flipped[bit / 8] = char(flipped[bit / 8] ^ (1 << bit % 8));
            Bitmap target;
            const Outcome outcome = load(flipped, target);
            if (outcome == Outcome::Loaded) {
                EXPECT_FALSE(target.isEmpty()) << "bit " << bit;
                // Every chunk of a PNG file carries a CRC: a flip that
                // loads lay in a chunk that says nothing of the pixels.
                if (sample.kind == PictureKind::Png) {
                    EXPECT_TRUE(samePixels(target, whole)) << "bit " << bit;
                }
            }
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
