#include "picturefile.h"

#include "codepage.h"
#include "deckfolder.h"
#include "hostilefiles.h"
#include "loadmemory.h"
#include "testpictures.h"
#include "workdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string cp932(const char8_t *utf8)
{
    return CodePage::fromUtf8(reinterpret_cast<const char *>(utf8));
}

// A bitmap that already holds something, to see what a load leaves in it.
Bitmap used()
{
    return Bitmap(5, 4, PixelFormat::Rgb24);
}

QImage greyPattern(int width, int height)
{
    return testPattern(width, height).convertToFormat(QImage::Format_Grayscale8);
}

// A picture of colours that the 8-bit halftone palette holds exactly.
QImage cubePicture(int width, int height)
{
    QImage cube(width, height, QImage::Format_Indexed8);
    QList<QRgb> cubeColours;
    for (int i = 0; i < 216; ++i)
        cubeColours.append(qRgb(i / 36 * 51, i / 6 % 6 * 51, i % 6 * 51));
    cube.setColorTable(cubeColours);
    for (int y = 0; y < cube.height(); ++y)
        for (int x = 0; x < cube.width(); ++x)
            cube.setPixel(x, y, uint(x * 11 + y * 5) % 216);
    return cube;
}

// Pixels of no pattern, which no compressor shrinks, the same every time.
QImage noisePicture(int width, int height)
{
    std::mt19937 random(27);
    QImage noise(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            noise.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFFu));
    return noise;
}

// What a 16-bit picture of those colours shows: each field as the file
// holds it, widened to 8 bits by repeating its top bits; 5 bits of green
// stand for the 6 of the nearest level.
QImage sixteenBitLevels(const QImage &picture, bool fiveSixFive)
{
    QImage levels(picture.size(), QImage::Format_RGB32);
    const auto widen = [](int value, int bits) { return value << (8 - bits) | value >> (2 * bits - 8); };
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            const int green6 = fiveSixFive ? qGreen(c) >> 2 : ((qGreen(c) >> 3) * 63 + 15) / 31;
            levels.setPixel(x, y, qRgb(widen(qRed(c) >> 3, 5), widen(green6, 6), widen(qBlue(c) >> 3, 5)));
        }
    return levels;
}

// What a BMP of those field widths (red, green, blue, alpha) shows in 32
// bits: each field as encodeBmpFields cut it, brought to 8 bits by
// rounding, so that its top is white; alpha over white.
QImage fieldLevels(const QImage &picture, const std::array<int, 4> &bits)
{
    QImage levels(picture.size(), QImage::Format_RGB32);
    const auto level = [](int value, int width) {
        if (width == 0)
            return 255;
        const int field = width <= 8 ? value >> (8 - width) : value << (width - 8) | value >> (16 - width);
        const int top = (1 << width) - 1;
        return (field * 255 + top / 2) / top;
    };
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            const int alpha = level(qAlpha(c), bits[3]);
            const auto over = [alpha](int channel) { return (channel * alpha + 255 * (255 - alpha) + 127) / 255; };
            levels.setPixel(x, y, qRgb(over(level(qRed(c), bits[0])), over(level(qGreen(c), bits[1])),
                                       over(level(qBlue(c), bits[2]))));
        }
    return levels;
}

// A GIF's picture: its screen, white, with the frame drawn at offset.
QImage framed(const QImage &frame, QSize screen, QPoint offset)
{
    QImage picture(screen, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            if (picture.valid(offset.x() + x, offset.y() + y))
                picture.setPixel(offset.x() + x, offset.y() + y, frame.pixel(x, y));
        }
    return picture;
}

uint8_t pngBitDepth(const std::string &png) { return uint8_t(png[24]); }
uint8_t pngColourType(const std::string &png) { return uint8_t(png[25]); }
int bmpBitCount(const std::string &bmp) { return uint8_t(bmp[28]) | uint8_t(bmp[29]) << 8; }

} // namespace

TEST(LoadPictureFile, GivesFalseAndNothingForWhatIsNoPicture)
{
    ScopedWorkDir dir;
    ScopedWorkDir::write("cardimages/notes.txt", "The Fool,fool.jpg\r\n");
    ScopedWorkDir::write("cardimages/empty.jpg", "");
    ScopedWorkDir::write("cardimages/soi.jpg", "\xFF\xD8");
    ScopedWorkDir::write("cardimages/header.png", "\x89PNG\r\n\x1A\n");
    for (const char *name : {"cardimages/missing.jpg", "cardimages/notes.txt", "cardimages/empty.jpg",
                             "cardimages/soi.jpg", "cardimages/header.png", "cardimages", "/dev/zero", ""}) {
        Bitmap target = used();
        EXPECT_FALSE(LoadPictureFile(name, target)) << name;
        EXPECT_EQ(target.width(), 0) << name;
        EXPECT_EQ(target.height(), 0) << name;
    }
}

TEST(LoadPictureFile, NeverWaitsOnAFifo)
{
    ScopedWorkDir dir;
    ASSERT_EQ(mkfifo("cardimages/fifo.jpg", 0600), 0);
    auto load = std::async(std::launch::async, [] {
        Bitmap target;
        return LoadPictureFile("cardimages/fifo.jpg", target);
    });
    if (load.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ::close(::open("cardimages/fifo.jpg", O_WRONLY)); // lets the load go on
        FAIL() << "the load waited for a writer";
    }
    EXPECT_FALSE(load.get());
}

TEST(LoadPictureFile, FindsNamesFromTheCurrentDirectoryInEitherSeparator)
{
    ScopedWorkDir dir;
    const std::string jpeg = encodeJpeg(testPattern(15, 10));
    ScopedWorkDir::write(PlaceholderPicture, jpeg);
    // "表" ends in the byte of "\" in code page 932: it must stay a character.
    ScopedWorkDir::write(reinterpret_cast<const char *>(u8"cardimages/表の恋人.jpg"), jpeg);
    Bitmap target;
    EXPECT_TRUE(LoadPictureFile(PlaceholderPicture, target));
    EXPECT_EQ(target.width(), 15);
    EXPECT_TRUE(LoadPictureFile("cardimages\\cut_tarot_00_150.jpg", target));
    EXPECT_TRUE(LoadPictureFile(cp932(u8"cardimages\\表の恋人.jpg"), target));
    EXPECT_TRUE(LoadPictureFile(cp932(u8"cardimages/表の恋人.jpg"), target));

    std::filesystem::current_path("cardimages"); // the work folder brings it back
    EXPECT_FALSE(LoadPictureFile(PlaceholderPicture, target));
    EXPECT_TRUE(target.isEmpty());
}

TEST(LoadPictureFile, JpegDepthFollowsItsColours)
{
    ScopedWorkDir dir;
    ScopedWorkDir::write("colour.jpg", encodeJpeg(testPattern(37, 23)));
    ScopedWorkDir::write("grey.jpg", encodeJpeg(greyPattern(29, 31)));
    ScopedWorkDir::write("cmyk.jpg", encodeCmykJpeg(9, 7, std::vector<uint8_t>(9 * 7 * 4, 40), true));
    const struct {
        const char *name;
        PixelFormat format;
        int width, height;
    } cases[] = {{"colour.jpg", PixelFormat::Rgb24, 37, 23},
                 {"grey.jpg", PixelFormat::Indexed8, 29, 31},
                 {"cmyk.jpg", PixelFormat::Rgb32, 9, 7}};
    for (const auto &c : cases) {
        Bitmap target = used();
        ASSERT_TRUE(LoadPictureFile(c.name, target)) << c.name;
        EXPECT_EQ(target.pixelFormat(), c.format) << c.name;
        EXPECT_EQ(target.width(), c.width) << c.name;
        EXPECT_EQ(target.height(), c.height) << c.name;
    }
    Bitmap grey;
    LoadPictureFile("grey.jpg", grey);
    EXPECT_EQ(grey.palette(), Bitmap(1, 1, PixelFormat::Indexed8).palette());
}

TEST(LoadPictureFile, JpegPixelsMatchAReferenceDecode)
{
    ScopedWorkDir dir;
    JpegOptions progressive;
    progressive.progressive = true;
    JpegOptions dense; // a stated resolution changes nothing
    dense.dotsPerInch = 300;
    const struct {
        const char *name;
        QImage picture;
        JpegOptions options;
    } cases[] = {{"plain.jpg", testPattern(61, 47), {}},
                 {"progressive.jpg", testPattern(40, 33), progressive},
                 {"dense.jpg", testPattern(50, 20), dense},
                 {"grey.jpg", greyPattern(45, 19), {}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string jpeg = encodeJpeg(c.picture, c.options);
        ScopedWorkDir::write(c.name, jpeg);
        const QImage reference = referenceDecode(jpeg);
        Bitmap target;
        ASSERT_TRUE(LoadPictureFile(c.name, target));
        EXPECT_TRUE(samePixels(target, toBitmap(reference, target.pixelFormat())));
    }
}

TEST(LoadPictureFile, ProgressiveJpegsOfEveryScriptAnEncoderWritesMatchTheirBaselineDecode)
{
    ScopedWorkDir dir;
    const QImage colour = testPattern(64, 48), grey = greyPattern(64, 48);
    const struct {
        const char *name;
        QImage picture;
        std::vector<JpegScan> script; // at most 100 scans, as cjpeg takes
        bool arithmetic;
    } cases[] = {
        {"12 bands", colour, progressiveScript({12, 12, 12}, 0, 0), false},
        {"16 bands", colour, progressiveScript({16, 16, 16}, 0, 0), false},
        {"24 bands", colour, progressiveScript({24, 24, 24}, 0, 0), true},
        {"32 bands", colour, progressiveScript({32, 32, 32}, 0, 0), false},
        {"32 bands, arithmetic", colour, progressiveScript({32, 32, 32}, 0, 0), true},
        {"64 bands of grey", grey, progressiveScript({63}, 0, 0), false},
        {"64 bands of luma", colour, progressiveScript({63, 1, 1}, 0, 0), true},
        {"successive approximation", colour, progressiveScript({2, 2, 2}, 1, 2), false},
        {"every bit by itself", colour, progressiveScript({1, 1, 1}, 10, 10), true},
        {"100 scans of grey", grey, progressiveScript({63}, 1, 1, 35), true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LE(c.script.size(), 100u);
        JpegOptions options;
        options.scans = c.script;
        options.arithmetic = c.arithmetic;
        ScopedWorkDir::write("progressive.jpg", encodeJpeg(c.picture, options));
        // Progression sends the same coefficients as a baseline file, so
        // libjpeg's decode of that is what must be seen.
        const QImage baseline = referenceDecode(encodeJpeg(c.picture));
        Bitmap target;
        ASSERT_TRUE(LoadPictureFile("progressive.jpg", target));
        EXPECT_TRUE(samePixels(target, toBitmap(baseline, target.pixelFormat())));
    }
}

TEST(LoadPictureFile, CmykJpegsHaveTheirColoursWithOrWithoutAdobeInversion)
{
    ScopedWorkDir dir;
    // Eight by eight blocks of one ink each: cyan, magenta, yellow, half
    // black, none; as stored plainly and as Adobe stores it, inverted.
    const uint8_t inks[5][4] = {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {0, 0, 0, 128}, {0, 0, 0, 0}};
    const Rgb expected[5] = {0x00FFFF, 0xFF00FF, 0xFFFF00, 0x7F7F7F, 0xFFFFFF};
    for (bool adobe : {false, true}) {
        std::vector<uint8_t> cmyk;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 40; ++x)
                for (uint8_t ink : inks[x / 8])
                    cmyk.push_back(adobe ? uint8_t(255 - ink) : ink);
        ScopedWorkDir::write("cmyk.jpg", encodeCmykJpeg(40, 8, cmyk, adobe));
        Bitmap target;
        ASSERT_TRUE(LoadPictureFile("cmyk.jpg", target));
        for (int block = 0; block < 5; ++block) {
            const Rgb got = target.pixel(block * 8 + 3, 4);
            for (int shift : {0, 8, 16})
                EXPECT_NEAR(int(got >> shift & 0xFF), int(expected[block] >> shift & 0xFF), 3)
                    << "adobe " << adobe << ", block " << block << std::hex << ", got " << got;
        }
    }
}

TEST(LoadPictureFile, LoadingTwiceGivesTwoIndependentBitmaps)
{
    ScopedWorkDir dir;
    ScopedWorkDir::write(PlaceholderPicture, encodeJpeg(testPattern(12, 9)));
    Bitmap first, second;
    ASSERT_TRUE(LoadPictureFile(PlaceholderPicture, first));
    ASSERT_TRUE(LoadPictureFile(PlaceholderPicture, second));
    EXPECT_TRUE(samePixels(first, second));
    const Rgb before = second.pixel(4, 4);
    first.setPixel(4, 4, before ^ 0xFFFFFF);
    EXPECT_EQ(second.pixel(4, 4), before);
}

TEST(LoadPictureFile, BrokenJpegsNeitherCrashNorPrint)
{
    ScopedWorkDir dir;
    JpegOptions progressive;
    progressive.progressive = true;
    std::mt19937 random(1234);
    const std::pair<std::string, int> jpegs[] = {{encodeJpeg(testPattern(48, 40)), 48},
                                                 {encodeJpeg(testPattern(48, 40), progressive), 48},
                                                 {encodeJpeg(greyPattern(30, 30)), 30}};
    for (const auto &[jpeg, width] : jpegs) {
        const size_t frame = frameHeaderOffset(jpeg);
        testing::internal::CaptureStderr();
        // Cut anywhere: before the frame header nothing is known, after it
        // the picture is incomplete and keeps its size.
        for (size_t length = 2; length < jpeg.size() - 2; length += 23) {
            ScopedWorkDir::write("cut.jpg", jpeg.substr(0, length));
            Bitmap target = used();
            EXPECT_FALSE(LoadPictureFile("cut.jpg", target)) << length;
            if (length <= frame) {
                EXPECT_TRUE(target.isEmpty()) << length;
            } else if (!target.isEmpty()) {
                EXPECT_EQ(target.width(), width) << length;
            }
        }
        // Bytes changed at random anywhere after the start.
        for (int round = 0; round < 300; ++round) {
            std::string corrupt = jpeg;
            for (int i = 0; i < 4; ++i)
                corrupt[2 + random() % (corrupt.size() - 2)] = char(random());
            ScopedWorkDir::write("corrupt.jpg", corrupt);
            Bitmap target;
            if (LoadPictureFile("corrupt.jpg", target)) {
                EXPECT_FALSE(target.isEmpty()) << round;
            }
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
}

TEST(LoadPictureFile, AJpegThatFailsAfterItsHeaderLeavesAWhitePictureOfItsSize)
{
    ScopedWorkDir dir;
    JpegOptions progressive;
    progressive.progressive = true;
    std::string jpeg = encodeJpeg(testPattern(48, 40), progressive);
    // The second scan names a component that the frame does not have: the
    // decoder gives up once the bitmap exists, before it has written a row.
    const size_t firstScan = jpeg.find("\xFF\xDA", frameHeaderOffset(jpeg));
    const size_t secondScan = jpeg.find("\xFF\xDA", firstScan + 2);
    ASSERT_NE(secondScan, std::string::npos);
    jpeg[secondScan + 5] = char(0x77);
    ScopedWorkDir::write("fails.jpg", jpeg);
    Bitmap target = used();
    EXPECT_FALSE(LoadPictureFile("fails.jpg", target));
    ASSERT_EQ(target.width(), 48);
    ASSERT_EQ(target.height(), 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 48; ++x)
            ASSERT_EQ(target.pixel(x, y), 0xFFFFFFu) << x << "," << y;
}

TEST(LoadPictureFile, RefusesAHugeHeaderWithTheBitmapsErrorBeforeDecoding)
{
    ScopedWorkDir dir;
    JpegOptions progressive;
    progressive.progressive = true;
    ScopedWorkDir::write("huge.jpg", withSize(encodeJpeg(testPattern(8, 8)), 60000, 60000));
    ScopedWorkDir::write("huge-progressive.jpg", withSize(encodeJpeg(testPattern(8, 8), progressive), 60000, 60000));
    ScopedWorkDir::write("huge-grey.jpg", withSize(encodeJpeg(greyPattern(8, 8)), 60000, 60000));
    // Its 8-bit pixels fit a bitmap, but the full-colour copy that a turn
    // makes would not: refused now, not when it is first dealt reversed.
    ScopedWorkDir::write("unturnable-grey.jpg", withSize(encodeJpeg(greyPattern(8, 8)), 8200, 8200));
    // Qt's reader refuses BMP sides past 16384 itself; this one passes it.
    std::string bmp = encodeWithQt(testPattern(8, 8), "bmp");
    for (int at : {18, 22}) { // width, height
        bmp[size_t(at)] = char(16000 & 0xFF);
        bmp[size_t(at + 1)] = char(16000 >> 8);
    }
    ScopedWorkDir::write("huge.bmp", bmp);
    // libjpeg reads no side past 65500; the claim is refused for its size
    // like any other.
    ScopedWorkDir::write("65535.jpg", withSize(encodeJpeg(testPattern(8, 8)), 65535, 65535));
    const std::pair<const char *, const char *> cases[] = {
        {"huge.jpg", "(60000 x 60000)"},         {"huge-progressive.jpg", "(60000 x 60000)"},
        {"huge-grey.jpg", "(60000 x 60000)"},    {"unturnable-grey.jpg", "(8200 x 8200)"},
        {"huge.bmp", "(16000 x 16000)"},         {"65535.jpg", "(65535 x 65535)"},
    };
    for (const auto &[name, size] : cases) {
        Bitmap target;
        try {
            LoadPictureFile(name, target);
            ADD_FAILURE() << name << ": no error";
        } catch (const BitmapError &error) {
            const QString message = CodePage::toQString(error.message());
            // The size, then what to do about it.
            const QString first = message.section(QLatin1Char('\n'), 0, 0);
            EXPECT_EQ(first, QStringLiteral("画像が大きすぎるため作成できません ") + QLatin1String(size)) << name;
            EXPECT_TRUE(message.section(QLatin1Char('\n'), 1).contains(QStringLiteral("105 × 153"))) << name;
        }
    }

    // A side past libjpeg's 65500 that a bitmap can have: the picture is
    // found at its size and cannot be decoded.
    ScopedWorkDir::write("wide.jpg", withSize(encodeJpeg(testPattern(8, 8)), 65535, 8));
    Bitmap target = used();
    EXPECT_FALSE(LoadPictureFile("wide.jpg", target));
    EXPECT_EQ(target.width(), 65535);
    EXPECT_EQ(target.height(), 8);
    EXPECT_EQ(target.pixel(65534, 7), 0xFFFFFFu);
}

TEST(LoadPictureFile, PngBmpAndGifKeepTheBitsPerPixelOfTheFile)
{
    ScopedWorkDir dir;
    const QImage colour = testPattern(23, 17);

    const QImage cube = cubePicture(19, 13);

    QImage system16(15, 6, QImage::Format_Indexed8); // colours of the 16-colour palette
    system16.setColorTable({qRgb(0, 0, 0), qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(192, 192, 192),
                            qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < system16.height(); ++y)
        for (int x = 0; x < system16.width(); ++x)
            system16.setPixel(x, y, uint(x + y) % 8);

    QImage mono(21, 5, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < mono.height(); ++y)
        for (int x = 0; x < mono.width(); ++x)
            mono.setPixel(x, y, uint(x * y + x) % 3 == 0);

    QImage translucent(4, 1, QImage::Format_ARGB32);
    translucent.setPixel(0, 0, qRgba(10, 20, 30, 255));
    translucent.setPixel(1, 0, qRgba(10, 20, 30, 0));
    translucent.setPixel(2, 0, qRgba(0, 0, 0, 128));
    translucent.setPixel(3, 0, qRgba(255, 0, 0, 51));

    const std::string colourPng = encodeWithQt(colour, "png");
    const std::string cubePng = encodeWithQt(cube, "png");
    const std::string greyPng = encodeWithQt(greyPattern(8, 8), "png");
    const std::string monoPng = encodeWithQt(mono, "png");
    const std::string translucentPng = encodeWithQt(translucent, "png");
    const std::string deepGreyPng = encodeWithQt(greyPattern(6, 6).convertToFormat(QImage::Format_Grayscale16), "png");
    const std::string deepColourPng = encodeWithQt(colour.convertToFormat(QImage::Format_RGBX64), "png");
    const std::string colourBmp = encodeWithQt(colour.convertToFormat(QImage::Format_RGB32), "bmp");
    const std::string cubeBmp = encodeWithQt(cube, "bmp");
    const std::string monoBmp = encodeWithQt(mono, "bmp");
    // What the writers made is what these cases are about.
    ASSERT_EQ(pngBitDepth(colourPng) * 10 + pngColourType(colourPng), 8 * 10 + 2);
    ASSERT_EQ(pngBitDepth(cubePng) * 10 + pngColourType(cubePng), 8 * 10 + 3);
    ASSERT_EQ(pngBitDepth(greyPng) * 10 + pngColourType(greyPng), 8 * 10 + 0);
    ASSERT_EQ(pngBitDepth(monoPng) * 10 + pngColourType(monoPng), 1 * 10 + 3);
    ASSERT_EQ(pngBitDepth(translucentPng) * 10 + pngColourType(translucentPng), 8 * 10 + 6);
    ASSERT_EQ(pngBitDepth(deepGreyPng) * 10 + pngColourType(deepGreyPng), 16 * 10 + 0);
    ASSERT_EQ(pngBitDepth(deepColourPng) * 10 + pngColourType(deepColourPng), 16 * 10 + 2);
    ASSERT_EQ(bmpBitCount(colourBmp), 24);
    ASSERT_EQ(bmpBitCount(cubeBmp), 8);
    ASSERT_EQ(bmpBitCount(monoBmp), 1);

    const struct {
        const char *name;
        std::string bytes;
        PixelFormat format;
        QImage picture; // what must be seen, exactly
    } cases[] = {
        {"colour.png", colourPng, PixelFormat::Rgb24, colour},
        {"cube.png", cubePng, PixelFormat::Indexed8, cube},
        {"mono.png", monoPng, PixelFormat::Indexed1, mono},
        {"deepcolour.png", deepColourPng, PixelFormat::Rgb32, colour}, // 48 bits: none of its own
        {"colour.bmp", colourBmp, PixelFormat::Rgb24, colour},
        {"cube.bmp", cubeBmp, PixelFormat::Indexed8, cube},
        {"mono.bmp", monoBmp, PixelFormat::Indexed1, mono},
        {"system16.bmp", encodeBmp4(system16), PixelFormat::Indexed4, system16},
        {"short-header.bmp", encodeBmpShortHeader(colour), PixelFormat::Rgb24, colour},
        {"short-header-cube.bmp", encodeBmpShortHeader(cube), PixelFormat::Indexed8, cube},
        {"cube.gif", encodeGif(cube), PixelFormat::Indexed8, cube},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScopedWorkDir::write(c.name, c.bytes);
        Bitmap target = used();
        ASSERT_TRUE(LoadPictureFile(c.name, target));
        EXPECT_EQ(target.pixelFormat(), c.format);
        EXPECT_TRUE(samePixels(target, c.picture));
    }

    Bitmap grey;
    ScopedWorkDir::write("grey.png", greyPng);
    ASSERT_TRUE(LoadPictureFile("grey.png", grey));
    EXPECT_EQ(grey.pixelFormat(), PixelFormat::Indexed8);
    EXPECT_TRUE(samePixels(grey, toBitmap(greyPattern(8, 8), PixelFormat::Indexed8)));

    Bitmap deepGrey;
    ScopedWorkDir::write("deepgrey.png", deepGreyPng);
    ASSERT_TRUE(LoadPictureFile("deepgrey.png", deepGrey));
    EXPECT_EQ(deepGrey.pixelFormat(), PixelFormat::Rgb565);

    // Transparency is drawn over white.
    Bitmap drawn;
    ScopedWorkDir::write("translucent.png", translucentPng);
    ASSERT_TRUE(LoadPictureFile("translucent.png", drawn));
    EXPECT_EQ(drawn.pixelFormat(), PixelFormat::Rgb32);
    EXPECT_EQ(drawn.pixel(0, 0), 0x0A141Eu);
    EXPECT_EQ(drawn.pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(drawn.pixel(2, 0), 0x7F7F7Fu);
    EXPECT_EQ(drawn.pixel(3, 0), 0xFFCCCCu);
}

TEST(LoadPictureFile, BrokenPngBmpAndGifGiveFalseWithoutAWord)
{
    ScopedWorkDir dir;
    const std::string png = encodeWithQt(testPattern(30, 30), "png");
    const std::string bmp = encodeWithQt(testPattern(30, 30), "bmp");
    const std::string gif = encodeGif(testPattern(10, 10).convertToFormat(QImage::Format_Indexed8));
    std::string damagedPng = png;
    damagedPng[png.size() / 2] = char(damagedPng[png.size() / 2] ^ 0x55);
    const std::pair<const char *, std::string> cases[] = {
        {"cut.png", png.substr(0, png.size() / 2)},   {"header.png", png.substr(0, 40)},
        {"damaged.png", damagedPng},
        {"header.gif", gif.substr(0, 20)},             {"header.bmp", bmp.substr(0, 20)},
    };
    testing::internal::CaptureStderr();
    for (const auto &[name, bytes] : cases) {
        ScopedWorkDir::write(name, bytes);
        Bitmap target = used();
        EXPECT_FALSE(LoadPictureFile(name, target)) << name;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(LoadPictureFile, LoadsWhenTheFileHoldsEveryPixelAndOnlyThen)
{
    ScopedWorkDir dir;
    const QImage colour = testPattern(37, 29);
    QImage withWhite = colour;
    withWhite.setPixel(0, 0, qRgb(255, 255, 255));
    QImage translucent = colour.convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x < translucent.width(); ++x)
        translucent.setPixel(x, 3, qRgba(200, 10, 40, x * 7));
    const QImage cube = cubePicture(21, 17);
    JpegOptions progressive;
    progressive.progressive = true;
    JpegOptions arithmetic = progressive;
    arithmetic.arithmetic = true;
    const std::string jpeg = encodeJpeg(colour);
    const std::string progressiveJpeg = encodeJpeg(colour, progressive);
    const std::string arithmeticJpeg = encodeJpeg(colour, arithmetic);
    const std::string png = encodeWithQt(colour, "png");
    const std::string gif = encodeGif(cube);
    const QImage card = noisePicture(105, 153);
    // A text of 17 MiB between the header and the data of a picture of
    // 2000 x 2000, whose pixels warrant far more than that.
    std::string text = std::string("Comment\0\0\0\0\0", 12);
    text.resize(text.size() + (size_t{17} << 20), 'x');
    QImage black(2000, 2000, QImage::Format_RGB32);
    black.fill(Qt::black);

    // The last block of the picture's data claims more than the file holds,
    // and the file ends there: all its codes, the end code too, are in.
    std::string longLastBlock = gif.substr(0, gif.size() - 2);
    longLastBlock[gifDataBlocks(gif).back()] = char(uint8_t(longLastBlock[gifDataBlocks(gif).back()]) + 40);
    const size_t secondScan = progressiveJpeg.find("\xFF\xDA", progressiveJpeg.find("\xFF\xDA") + 2);
    // A progressive file may end after any whole scan: with its end mark it
    // is whole, the bits of the scans never sent zero, as every decoder
    // takes them.
    const std::string firstScanAndEnd = progressiveJpeg.substr(0, secondScan) + "\xFF\xD9";

    const struct {
        const char *name;
        std::string bytes;
        bool loads;
        QImage picture; // what must be seen, exactly
    } cases[] = {
        {"no-end.jpg", jpeg.substr(0, jpeg.size() - 2), true, referenceDecode(jpeg)},
        {"no-end-progressive.jpg", progressiveJpeg.substr(0, progressiveJpeg.size() - 2), true,
         referenceDecode(progressiveJpeg)},
        {"no-end-arithmetic.jpg", arithmeticJpeg.substr(0, arithmeticJpeg.size() - 2), true,
         referenceDecode(arithmeticJpeg)},
        {"no-end.png", png.substr(0, png.size() - 12), true, colour},
        // Each chunk's length, type and checksum are the file's, not the
        // compressed data's: twelve bytes of them for every byte of data.
        {"1-byte data chunks.png", withDataInChunksOf(encodeWithQt(card, "png"), 1), true, card},
        {"long text before the data.png", pngFile(2000, 2000, 8, 0, deflatedZeros(2000 * 2001), pngChunk("iTXt", text)),
         true, black},
        {"long-last-block.gif", longLastBlock, true, cube},
        {"no-trailer.gif", gif.substr(0, gif.size() - 1), true, cube},
        {"top-down.bmp", asTopDown(encodeWithQt(colour.convertToFormat(QImage::Format_RGB32), "bmp")), true, colour},
        {"555.bmp", encodeBmpFields(withWhite, 16, Fields555, false), true, sixteenBitLevels(withWhite, false)},
        {"565.bmp", encodeBmpFields(withWhite, 16, Fields565, false), true, sixteenBitLevels(withWhite, true)},
        {"565-top-down.bmp", encodeBmpFields(withWhite, 16, Fields565, true), true, sixteenBitLevels(withWhite, true)},
        {"32-bit 10-10-10.bmp", encodeBmpFields(withWhite, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0}, false), true,
         fieldLevels(withWhite, {10, 10, 10, 0})},
        {"32-bit 5-6-5.bmp", encodeBmpFields(withWhite, 32, Fields565, false), true, fieldLevels(withWhite, {5, 6, 5, 0})},
        {"32-bit 4-4-4.bmp", encodeBmpFields(withWhite, 32, {0xF00, 0xF0, 0xF, 0}, false), true,
         fieldLevels(withWhite, {4, 4, 4, 0})},
        {"32-bit with alpha.bmp", encodeBmpFields(translucent, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, true), true,
         fieldLevels(translucent, {8, 8, 8, 8})},
        // The info headers of 52 and 56 bytes that hold the masks, as
        // image editors write them for bit fields with alpha.
        {"565, 52-byte header.bmp", encodeBmpFields(withWhite, 16, Fields565, false, 52), true,
         sixteenBitLevels(withWhite, true)},
        {"alpha, 56-byte header.bmp", encodeBmpFields(translucent, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, false, 56),
         true, fieldLevels(translucent, {8, 8, 8, 8})},
        {"10-10-10-2, 56-byte header.bmp",
         encodeBmpFields(translucent, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, true, 56), true,
         fieldLevels(translucent, {10, 10, 10, 2})},
        {"framed.gif", encodeGif(cube, {QSize(40, 30), QPoint(6, 9)}), true, framed(cube, QSize(40, 30), QPoint(6, 9))},
        {"overhanging.gif", encodeGif(cube, {QSize(15, 12), QPoint(3, 2)}), true,
         framed(cube, QSize(15, 12), QPoint(3, 2))},
        {"no screen.gif", encodeGif(cube, {QSize(0, 0), QPoint(2, 1)}), true,
         framed(cube, QSize(23, 18), QPoint(2, 1))},
        {"cut.jpg", jpeg.substr(0, jpeg.size() / 2), false, {}},
        {"first-scan-only.jpg", progressiveJpeg.substr(0, secondScan), false, {}},
        {"first-scan-and-end.jpg", firstScanAndEnd, true, referenceDecode(firstScanAndEnd)},
        {"cut.gif", gif.substr(0, gifDataBlocks(gif).back() + 20), false, {}},
    };
    testing::internal::CaptureStderr();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScopedWorkDir::write(c.name, c.bytes);
        Bitmap target = used();
        ASSERT_EQ(LoadPictureFile(c.name, target), c.loads);
        if (c.loads) {
            EXPECT_TRUE(samePixels(target, c.picture));
        }
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // A GIF without any colour table takes a grey ramp of its code size's
    // depth: with codes of 8 bits, each index is its own grey level.
    QImage greys(16, 16, QImage::Format_Indexed8);
    QList<QRgb> ramp;
    for (int i = 0; i < 256; ++i)
        ramp.append(qRgb(i, i, i));
    greys.setColorTable(ramp);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            greys.setPixel(x, y, uint(y * 16 + x));
    GifLayout withoutColours;
    withoutColours.colourTable = false;
    Bitmap grey;
    ScopedWorkDir::write("no-colours.gif", encodeGif(greys, withoutColours));
    ASSERT_TRUE(LoadPictureFile("no-colours.gif", grey));
    EXPECT_TRUE(samePixels(grey, toBitmap(greys, PixelFormat::Indexed8)));

    Bitmap white;
    ScopedWorkDir::write("555.bmp", encodeBmpFields(withWhite, 16, Fields555, false));
    ASSERT_TRUE(LoadPictureFile("555.bmp", white));
    EXPECT_EQ(white.pixelFormat(), PixelFormat::Rgb565);
    EXPECT_EQ(white.pixel(0, 0), 0xFFFFFFu);
}

TEST(LoadPictureFile, ThePixelBudgetHoldsEveryPictureWithRoomToTurnItTwice)
{
    ScopedWorkDir dir;
    JpegOptions arithmetic;
    arithmetic.arithmetic = true;
    JpegOptions progressive = arithmetic;
    progressive.progressive = true;
    // Tiny files that claim large pictures; what their data does not cover
    // is grey, by the rules of arithmetic coding.
    const std::string grey = encodeJpeg(greyPattern(16, 16), arithmetic);
    ScopedWorkDir::write("2048.jpg", withSize(grey, 2048, 2048));
    ScopedWorkDir::write("3000.jpg", withSize(grey, 3000, 3000));
    ScopedWorkDir::write("cmyk.jpg",
                         withSize(encodeCmykJpeg(16, 16, std::vector<uint8_t>(16 * 16 * 4, 9), true, progressive), 1024,
                                  1024));
    const size_t before = PixelBudget::inUse();
    {
        // 2048 x 2048 in grey holds 4 MiB of pixels but takes the 16 MiB of
        // its full-colour copy, whichever way it is to lie, and needs room
        // for two such copies: three fit under 64 MiB, the fourth does not.
        const ScopedPixelCeiling ceiling(size_t{64} << 20);
        std::vector<Bitmap> held;
        try {
            for (;;) {
                Bitmap picture;
                ASSERT_TRUE(LoadPictureFile("2048.jpg", picture));
                held.push_back(std::move(picture));
                ASSERT_LE(PixelBudget::inUse(), PixelBudget::ceiling());
            }
        } catch (const BitmapError &error) {
            EXPECT_NE(CodePage::toQString(error.message()).indexOf(QStringLiteral("画像が大きすぎるため作成できません")), -1);
        }
        EXPECT_EQ(held.size(), 3u);
        for (const Bitmap &picture : held)
            EXPECT_EQ(picture.budgetBytes(), size_t{16} << 20);
        held.clear();
        EXPECT_EQ(PixelBudget::inUse(), before);

        Bitmap target;
        EXPECT_THROW(LoadPictureFile("3000.jpg", target), BitmapError);
        EXPECT_EQ(PixelBudget::inUse(), before) << "refused before anything was taken";
    }
    {
        // A progressive CMYK picture of 1024 x 1024: 4 MiB of pixels, and 8
        // MiB of coefficients while it decodes. Two copies in colour would
        // fit in 10 MiB; the decoding does not.
        const ScopedPixelCeiling ceiling(size_t{10} << 20);
        Bitmap target;
        EXPECT_THROW(LoadPictureFile("cmyk.jpg", target), BitmapError);
    }
    {
        const ScopedPixelCeiling ceiling(size_t{13} << 20);
        Bitmap target;
        EXPECT_TRUE(LoadPictureFile("cmyk.jpg", target));
    }
    {
        // A copy asks again for all that its load asked, the coefficients
        // too: beside the 4 MiB picture, refused in 14 MiB, made in 16.
        Bitmap picture;
        {
            const ScopedPixelCeiling ceiling(size_t{13} << 20);
            ASSERT_TRUE(LoadPictureFile("cmyk.jpg", picture));
        }
        const LoadRequests asked = {{LoadRequest::Kind::Target, 1024, 1024, bitsPerPixel(picture.pixelFormat())},
                                    {LoadRequest::Kind::Working, 1024, 1024, 0, size_t{8} << 20},
                                    {LoadRequest::Kind::AskedAll}};
        {
            const ScopedPixelCeiling ceiling(size_t{14} << 20);
            EXPECT_THROW(copyAsLoaded(picture, asked), BitmapError);
        }
        const ScopedPixelCeiling ceiling(size_t{16} << 20);
        const Bitmap copy = copyAsLoaded(picture, asked);
        EXPECT_TRUE(samePixels(copy, picture));
        EXPECT_EQ(copy.budgetBytes(), picture.budgetBytes());
    }
    EXPECT_EQ(PixelBudget::inUse(), before);
}

TEST(LoadPictureFile, ScansBeyondWhatAnyEncoderWritesAreRefused)
{
    ScopedWorkDir dir;
    JpegOptions progressive;
    progressive.progressive = true;
    progressive.arithmetic = true;
    // A scan sent again sends bits its coefficients already have: no
    // encoder writes it, and each copy would cost a pass over 4 million
    // pixels here. The file is damaged.
    const std::string jpeg = withSize(encodeJpeg(greyPattern(16, 16), progressive), 2048, 2048);
    ScopedWorkDir::write("twice.jpg", withFirstScanRepeated(jpeg, 2));
    Bitmap target;
    EXPECT_FALSE(LoadPictureFile("twice.jpg", target));
    EXPECT_EQ(target.width(), 2048) << "found, but not decoded";

    // Each bit of each coefficient by itself, one coefficient at a time,
    // all in turn: 704 scans, seven times the visits to its blocks that
    // the 100 scans of any encoder's script make. Its size would fit: it
    // is no picture the program reads, not one too large.
    JpegOptions everyBit;
    everyBit.arithmetic = true;
    everyBit.scans = progressiveScript({63}, 10, 10, 63);
    ASSERT_EQ(everyBit.scans.size(), 704u);
    ScopedWorkDir::write("704 scans.jpg", withSize(encodeJpeg(greyPattern(16, 16), everyBit), 2048, 2048));
    target = used();
    EXPECT_FALSE(LoadPictureFile("704 scans.jpg", target));
    EXPECT_EQ(target.width(), 2048) << "found, but not decoded";
    EXPECT_EQ(target.pixel(0, 0), 0xFFFFFFu);
}

TEST(LoadPictureFile, PngsOfEveryKindShowWhatTheirSamplesSay)
{
    ScopedWorkDir dir;
    enum { Grey = 0, Colour = 2, Palette = 3, GreyAlpha = 4, ColourAlpha = 6 };
    const struct {
        int type;
        int depth;
        bool transparency; // a transparent colour, or a palette with alpha
    } kinds[] = {
        {Grey, 1, false},    {Grey, 2, false},        {Grey, 4, true},         {Grey, 8, true},
        {Grey, 16, true},    {Palette, 1, false},     {Palette, 2, true},      {Palette, 4, true},
        {Palette, 8, false}, {Palette, 8, true},      {Colour, 8, false},      {Colour, 8, true},
        {Colour, 16, false}, {Colour, 16, true},      {GreyAlpha, 8, false},   {GreyAlpha, 16, false},
        {ColourAlpha, 8, false}, {ColourAlpha, 16, false},
    };
    const int channelsOf[] = {1, 0, 3, 1, 2, 0, 4};
    for (const auto &kind : kinds)
        for (bool interlaced : {false, true})
            for (const QSize size : {QSize(13, 11), QSize(1, 1), QSize(3, 9)}) {
                SCOPED_TRACE(testing::Message() << "type " << kind.type << ", depth " << kind.depth << ", transparency "
                                                << kind.transparency << ", interlaced " << interlaced << ", "
                                                << size.width() << "x" << size.height());
                PngPicture picture;
                picture.width = size.width();
                picture.height = size.height();
                picture.bitDepth = kind.depth;
                picture.colourType = kind.type;
                picture.interlaced = interlaced;
                const int channels = channelsOf[kind.type];
                const int levels = kind.depth == 16 ? 256 : 1 << kind.depth;
                for (int y = 0; y < picture.height; ++y) {
                    std::vector<uint16_t> row;
                    for (int x = 0; x < picture.width; ++x)
                        for (int c = 0; c < channels; ++c) {
                            const int sample = (x * 7 + y * 13 + c * 5) % levels;
                            row.push_back(uint16_t(kind.depth == 16 ? sample * 257 : sample));
                        }
                    picture.samples.push_back(row);
                }
                if (kind.type == Palette) {
                    for (int i = 0; i < levels; ++i)
                        picture.palette.push_back(qRgba(i * 37 % 256, i * 91 % 256, i * 53 % 256,
                                                     kind.transparency ? i * 29 % 256 : 255));
                } else if (kind.transparency) {
                    for (int c = 0; c < channels; ++c)
                        picture.transparent[c] = picture.samples[0][size_t(c)];
                }
                ScopedWorkDir::write("kind.png", encodePng(picture));
                Bitmap target = used();
                ASSERT_TRUE(LoadPictureFile("kind.png", target));
                const PixelFormat format = PixelFormatFor(kind.depth * channels);
                EXPECT_EQ(target.pixelFormat(), format);
                EXPECT_TRUE(samePixels(target, toBitmap(pngPictureOverWhite(picture), format)));
            }
}

TEST(LoadPictureFile, PngAlphaIsDrawnOverWhiteAtEveryLevelAndEveryAlpha)
{
    // Rows of every alpha, each across every level of each channel; a width
    // of 257 leaves one pixel over when pixels are drawn four at a time.
    ScopedWorkDir dir;
    PngPicture picture;
    picture.width = 257;
    picture.height = 256;
    picture.colourType = 6; // colour with alpha
    for (int y = 0; y < picture.height; ++y) {
        std::vector<uint16_t> row;
        for (int x = 0; x < picture.width; ++x) {
            const int level = x % 256;
            row.insert(row.end(), {uint16_t(level), uint16_t(255 - level), uint16_t(level * 7 % 256), uint16_t(y)});
        }
        picture.samples.push_back(row);
    }
    ScopedWorkDir::write("alpha.png", encodePng(picture));
    Bitmap target;
    ASSERT_TRUE(LoadPictureFile("alpha.png", target));
    ASSERT_EQ(target.pixelFormat(), PixelFormat::Rgb32);
    EXPECT_TRUE(samePixels(target, toBitmap(pngPictureOverWhite(picture), PixelFormat::Rgb32)));
}
