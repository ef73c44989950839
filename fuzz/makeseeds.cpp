// Writes the fuzz targets' seed corpus into the folder it is given:
// picture/ holds small valid pictures of every format and depth the program
// reads, cardlist/ a few card lists with each of the line and field rules.
// Usage: makeseeds FOLDER

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

    write("colour.bmp", encodeWithQt(colour.convertToFormat(QImage::Format_RGB32), "bmp"));
    write("palette.bmp", encodeWithQt(indexed(11, 7, 40), "bmp"));
    write("mono.bmp", encodeWithQt(indexed(11, 7, 2).convertToFormat(QImage::Format_Mono), "bmp"));
    write("system16.bmp", encodeBmp4(indexed(11, 7, 16)));

    write("palette.gif", encodeGif(indexed(11, 7, 40)));
    write("two.gif", encodeGif(indexed(5, 3, 2)));
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
