#pragma once

// A small deck made by the tests in the current directory's cardimages/:
// pictures split in four coloured quarters, so that a test can tell from a
// few pixels which picture a box shows and which way up it lies.

#include "codepage.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace TestDeck {

inline constexpr int CardWidth = 105;
inline constexpr int CardHeight = 153;

// Top right, bottom left and bottom right of every picture; the top left
// quarter tells the pictures apart.
inline const QColor TopRight(0, 200, 0);
inline const QColor BottomLeft(0, 0, 220);
inline const QColor BottomRight(250, 250, 250);
inline const QColor PlaceholderColour(200, 0, 0);

// The top-left colour of card k's picture.
inline QColor cardColour(int k)
{
    return QColor::fromHsv(k * 16, 255, 160);
}

inline QImage quarteredPicture(QColor topLeft, int width = CardWidth, int height = CardHeight)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    const int w = width / 2;
    const int h = height / 2;
    painter.fillRect(0, 0, w, h, topLeft);
    painter.fillRect(w, 0, width - w, h, TopRight);
    painter.fillRect(0, h, w, height - h, BottomLeft);
    painter.fillRect(w, h, width - w, height - h, BottomRight);
    return image;
}

inline std::string cardFile(int k)
{
    return "card" + std::to_string(k) + ".jpg";
}

inline std::string cardName(int k)
{
    return CodePage::fromUtf8("カード" + std::to_string(k));
}

// The placeholder and the pictures of cards 0 to 21, and a card list naming
// them in order.
inline void write()
{
    quarteredPicture(PlaceholderColour).save(QStringLiteral("cardimages/cut_tarot_00_150.jpg"), "JPEG", 95);
    std::string list = "name,file\r\n";
    for (int k = 0; k < 22; ++k) {
        quarteredPicture(cardColour(k)).save(QString::fromStdString("cardimages/" + cardFile(k)), "JPEG", 95);
        list += cardName(k) + "," + cardFile(k) + "\r\n";
    }
    FILE *out = std::fopen("cardimages/carddata.csv", "wb");
    std::fwrite(list.data(), 1, list.size(), out);
    std::fclose(out);
}

inline bool near(QColor a, QColor b, int tolerance = 24)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
           && std::abs(a.blue() - b.blue()) <= tolerance;
}

// Which way a quartered picture of the given top-left colour lies in image,
// judged from the centres of its four quarters.
enum class Turn { Upright, Clockwise, UpsideDown, CounterClockwise, Unknown };

inline Turn turnOf(const QImage &image, QColor topLeft)
{
    const int w = image.width();
    const int h = image.height();
    const QColor tl = image.pixelColor(w / 4, h / 4);
    const QColor tr = image.pixelColor(3 * w / 4, h / 4);
    const QColor bl = image.pixelColor(w / 4, 3 * h / 4);
    const QColor br = image.pixelColor(3 * w / 4, 3 * h / 4);
    if (near(tl, topLeft) && near(tr, TopRight) && near(bl, BottomLeft) && near(br, BottomRight))
        return Turn::Upright;
    if (near(tl, BottomLeft) && near(tr, topLeft) && near(bl, BottomRight) && near(br, TopRight))
        return Turn::Clockwise;
    if (near(tl, BottomRight) && near(tr, BottomLeft) && near(bl, TopRight) && near(br, topLeft))
        return Turn::UpsideDown;
    if (near(tl, TopRight) && near(tr, BottomRight) && near(bl, topLeft) && near(br, BottomLeft))
        return Turn::CounterClockwise;
    return Turn::Unknown;
}

} // namespace TestDeck
