// Writes the fuzz targets' seed corpus into the folder it is given:
// picture/ holds small valid pictures of every format and depth the program
// reads, cardlist/ a few card lists with each of the line and field rules.
// Usage: makeseeds FOLDER

#include "hostilefiles.h"
#include "testpictures.h"

#include "codepage.h"

#include <QImage>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::filesystem::path folder;

void write(const std::string &name, const std::string &bytes)
{
    std::ofstream(folder / name, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

QImage indexed(int width, int height, int colours)
{
    QImage picture(width, height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < colours; ++i)
        table.append(qRgb(i * 37 % 256, i * 91 % 256, i * 53 % 256));
    picture.setColorTable(table);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, uint(x + 2 * y) % uint(colours));
    return picture;
}

void writePictures()
{
    const QImage colour = testPattern(13, 9);
    const QImage grey = colour.convertToFormat(QImage::Format_Grayscale8);
    JpegOptions progressive;
    progressive.progressive = true;
    JpegOptions dense;
    dense.dotsPerInch = 300;
    write("baseline.jpg", encodeJpeg(colour));
    write("progressive.jpg", encodeJpeg(colour, progressive));
    write("grey.jpg", encodeJpeg(grey));
    write("dense.jpg", encodeJpeg(colour, dense));
    JpegOptions arithmetic = progressive;
    arithmetic.arithmetic = true;
    write("arithmetic.jpg", encodeJpeg(colour, arithmetic));
    write("claims-more.jpg", withSize(encodeJpeg(grey, arithmetic), 300, 200));
    write("cmyk.jpg", encodeCmykJpeg(8, 8, std::vector<uint8_t>(8 * 8 * 4, 90), false));
    write("adobe-cmyk.jpg", encodeCmykJpeg(8, 8, std::vector<uint8_t>(8 * 8 * 4, 90), true));

    QImage translucent = colour.convertToFormat(QImage::Format_ARGB32);
    translucent.setPixel(0, 0, qRgba(10, 20, 30, 40));
    write("colour.png", encodeWithQt(colour, "png"));
    write("grey.png", encodeWithQt(grey, "png"));
    write("grey16.png", encodeWithQt(grey.convertToFormat(QImage::Format_Grayscale16), "png"));
    write("rgb64.png", encodeWithQt(colour.convertToFormat(QImage::Format_RGBX64), "png"));
    write("alpha.png", encodeWithQt(translucent, "png"));
    write("palette.png", encodeWithQt(indexed(11, 7, 40), "png"));
    write("mono.png", encodeWithQt(indexed(11, 7, 2).convertToFormat(QImage::Format_Mono), "png"));
    // Interlaced, transparent and deep kinds, through libpng's own writer.
    const struct {
        int type, depth;
        bool interlaced, transparency;
    } kinds[] = {{3, 4, true, true}, {3, 8, false, true}, {0, 2, true, false}, {0, 16, false, true},
                 {2, 16, true, true}, {4, 8, true, false}, {6, 16, false, false}};
    for (const auto &kind : kinds) {
        PngPicture png;
        png.width = 9;
        png.height = 10;
        png.bitDepth = kind.depth;
        png.colourType = kind.type;
        png.interlaced = kind.interlaced;
        const int channels = kind.type == 2 ? 3 : kind.type == 4 ? 2 : kind.type == 6 ? 4 : 1;
        const int levels = kind.depth == 16 ? 65536 : 1 << kind.depth;
        for (int y = 0; y < png.height; ++y) {
            std::vector<uint16_t> row;
            for (int i = 0; i < png.width * channels; ++i)
                row.push_back(uint16_t((i * 7919 + y * 104729) % levels));
            png.samples.push_back(row);
        }
        for (int i = 0; kind.type == 3 && i < levels; ++i)
            png.palette.push_back(qRgba(i * 37 % 256, i * 91 % 256, i * 53 % 256, kind.transparency ? i * 29 % 256 : 255));
        if (kind.type != 3 && kind.transparency)
            for (int c = 0; c < channels; ++c)
                png.transparent[c] = png.samples[0][size_t(c)];
        write("kind" + std::to_string(kind.type) + "-" + std::to_string(kind.depth) + ".png", encodePng(png));
    }

    write("colour.bmp", encodeWithQt(colour.convertToFormat(QImage::Format_RGB32), "bmp"));
    write("palette.bmp", encodeWithQt(indexed(11, 7, 40), "bmp"));
    write("mono.bmp", encodeWithQt(indexed(11, 7, 2).convertToFormat(QImage::Format_Mono), "bmp"));
    write("system16.bmp", encodeBmp4(indexed(11, 7, 16)));
    write("555.bmp", encodeBmpFields(colour, 16, Fields555, false));
    write("565-top-down.bmp", encodeBmpFields(colour, 16, Fields565, true));
    write("top-down.bmp", asTopDown(encodeWithQt(colour.convertToFormat(QImage::Format_RGB32), "bmp")));

    write("palette.gif", encodeGif(indexed(11, 7, 40)));
    write("two.gif", encodeGif(indexed(5, 3, 2)));
    write("framed.gif", encodeGif(indexed(5, 3, 7), {QSize(9, 8), QPoint(2, 3)}));
    GifLayout colourless;
    colourless.colourTable = false;
    write("colourless.gif", encodeGif(indexed(6, 4, 9), colourless));
    write("32-bit fields.bmp", encodeBmpFields(translucent, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, false));
    write("16-bit alpha.bmp", encodeBmpFields(translucent, 16, {0xF00, 0xF0, 0xF, 0xF000}, true));
    write("56-byte header.bmp", encodeBmpFields(translucent, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, false, 56));
    write("short header.bmp", encodeBmpShortHeader(indexed(11, 7, 40)));

    // Small cases of each kind of work that makes no pixels.
    JpegOptions everyBit;
    everyBit.scans = {{{0, 1, 2}, 0, 0, 0, 2}, {{0}, 1, 63, 0, 2}, {{1}, 1, 63, 0, 0}, {{2}, 1, 63, 0, 0},
                      {{0}, 1, 63, 2, 1}, {{0}, 1, 63, 1, 0}, {{0, 1, 2}, 0, 0, 2, 1}, {{0, 1, 2}, 0, 0, 1, 0}};
    write("successive.jpg", encodeJpeg(colour, everyBit));
    write("repeated-scan.jpg", withFirstScanRepeated(encodeJpeg(colour, arithmetic), 3));
    write("clear-codes.gif", gifOfClearCodes(3000));
    write("comment.gif", withGifComment(encodeGif(indexed(5, 3, 7)), 600));
    write("empty-moves.bmp", bmpOfEmptyMoves(400));
    write("empty-blocks.png", pngFile(3, 2, 8, 0, deflatedAfterEmptyBlocks(std::string(8, '\0'), 300)));
    write("empty-chunks.png", pngFile(3, 2, 8, 0, deflated(std::string(8, '\0')),
                                      pngChunk("abCd", {}) + pngChunk("abCd", {}) + pngChunk("tEXt", "a\0b")));
}

void writeCardLists()
{
    const std::string name = CodePage::fromUtf8("愚者");
    // The first byte chooses the padding of the header; 0 leaves it as it is.
    write("crlf.csv", std::string(1, '\0') + "name,file\r\n" + name + ",fool.jpg\r\nmagician,magician.jpg\r\n");
    write("mixed.csv", std::string(1, '\0') + "h\nA,a.jpg\rB,b.jpg\n\r\"C, \"\"quoted\"\"\" , c.jpg,extra\r\n,only\n");
    write("blanks.csv", std::string(1, '\0') + "h\r\n \t a b ,\x81\x5C.jpg,\r\n" + name + ",\r\n\"open");
    write("nul.csv", std::string(1, '\0') + "h\r\nA,a.jpg\r\n" + std::string(1, '\0') + "B,b.jpg\r\n");
    write("padded.csv", std::string(1, '\x01') + "\x40" + "\r\nA,a.jpg\r\nB\x82,b.jpg\r");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeseeds FOLDER\n");
        return 2;
    }
    for (const char *kind : {"picture", "cardlist"})
        std::filesystem::create_directories(std::filesystem::path(argv[1]) / kind);
    folder = std::filesystem::path(argv[1]) / "picture";
    writePictures();
    folder = std::filesystem::path(argv[1]) / "cardlist";
    writeCardLists();
    return 0;
}
