#include "cardface.h"

#include "majorarcana.h"
#include "shapes.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLinearGradient>

#include <stdexcept>

using namespace Colours;

namespace {

// Pictures are drawn at four times their size and scaled down: thin lines and
// small curves come out smooth. Lettering is drawn afterwards at the final
// size, where the font's hinting keeps it sharp.
constexpr int Supersample = 4;

const QRectF Panel(9, 21, PanelWidth, PanelHeight);
const QRectF NumeralBand(3, 4, 99, 16);
const QRectF NamePlate(8, 124, 89, 23);
const QRectF NameText(11, 127, 83, 17);

QImage canvas()
{
    QImage image(CardWidth * Supersample, CardHeight * Supersample, QImage::Format_RGB32);
    image.fill(Ink);
    return image;
}

QImage scaledDown(const QImage &large)
{
    return large.scaled(CardWidth, CardHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

void drawFrame(QPainter &p)
{
    p.fillRect(QRectF(0, 0, CardWidth, CardHeight), Ink);
    p.fillRect(QRectF(2, 2, CardWidth - 4, CardHeight - 4), Gold);
    p.fillRect(QRectF(3, 3, CardWidth - 6, CardHeight - 6), Cream);
    p.fillRect(Panel.adjusted(-1, -1, 1, 1), Ink);
    p.fillRect(NamePlate, Ink);
    p.fillRect(NamePlate.adjusted(2, 2, -2, -2), DeepGold);
    p.fillRect(NamePlate.adjusted(3, 3, -3, -3), Ink);
    // Small diamonds either side of the numeral.
    for (double x : {16.0, CardWidth - 16.0})
        fillOutlined(p, polygon({{x, 9}, {x + 2.5, 12}, {x, 15}, {x - 2.5, 12}}), Gold, 0.4);
}

void drawPanel(QPainter &p, const MajorArcanum &card)
{
    p.save();
    p.translate(Panel.topLeft());
    p.setClipRect(QRectF(0, 0, PanelWidth, PanelHeight));
    QLinearGradient sky(0, 0, 0, PanelHeight);
    sky.setColorAt(0, card.skyTop);
    sky.setColorAt(1, card.skyBottom);
    p.fillRect(QRectF(0, 0, PanelWidth, PanelHeight), sky);
    card.emblem(p);
    p.restore();
}

void drawLettering(QImage &image, const MajorArcanum &card)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(cardFont(LetterFamily, 12, true));
    p.setPen(Ink);
    p.drawText(NumeralBand, Qt::AlignCenter, QString::fromLatin1(card.numeral));

    const QString name = QString::fromUtf8(reinterpret_cast<const char *>(card.name));
    // The longest name takes a smaller size so it fits the plate.
    QFont font = cardFont(NameFamily, 12, true);
    for (int size = 12; size > 8; --size) {
        font.setPixelSize(size);
        if (QFontMetricsF(font).horizontalAdvance(name) <= NameText.width())
            break;
    }
    p.setFont(font);
    p.setPen(Cream);
    p.drawText(NameText, Qt::AlignCenter, name);
}

} // namespace

void checkCardFonts()
{
    for (const QString &family : {LetterFamily, NameFamily}) {
        if (!QFontDatabase::families().contains(family)
            || QFontInfo(QFont(family)).family() != family) {
            throw std::runtime_error("the font " + family.toStdString()
                                     + " is not installed: run tools/install-deps run");
        }
    }
}

QImage drawCardFace(const MajorArcanum &card)
{
    QImage large = canvas();
    {
        QPainter p(&large);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(Supersample, Supersample);
        drawFrame(p);
        drawPanel(p, card);
    }
    QImage image = scaledDown(large);
    drawLettering(image, card);
    return image;
}

QImage drawCardBack()
{
    QImage large = canvas();
    {
        QPainter p(&large);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(Supersample, Supersample);
        const QRectF card(0, 0, CardWidth, CardHeight);
        const QPointF centre = card.center();
        p.fillRect(card, Ink);
        p.fillRect(card.adjusted(2, 2, -2, -2), Gold);
        p.fillRect(card.adjusted(3, 3, -3, -3), Night);

        // A lattice of fine diamonds over the whole field.
        const QRectF field = card.adjusted(6, 6, -6, -6);
        p.save();
        p.setClipRect(field);
        p.setPen(QPen(QColor(0x3a, 0x33, 0x6a), 0.6));
        for (double d = -CardHeight; d < CardWidth + CardHeight; d += 8) {
            p.drawLine(QPointF(d, 0), QPointF(d + CardHeight, CardHeight));
            p.drawLine(QPointF(d, CardHeight), QPointF(d + CardHeight, 0));
        }
        p.restore();
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Gold, 0.8));
        p.drawRect(field);
        p.setPen(QPen(Gold, 0.4));
        p.drawRect(field.adjusted(2, 2, -2, -2));

        // Corner stars, and a crescent above and below, turned towards the
        // medallion: the back looks the same either way up.
        for (const QPointF &corner : {field.topLeft() + QPointF(8, 8), field.topRight() + QPointF(-8, 8),
                                      field.bottomLeft() + QPointF(8, -8), field.bottomRight() + QPointF(-8, -8)})
            fillOutlined(p, starPath(corner, 4.5, 1.3, 4), Gold, 0.4);
        for (int side : {-1, 1}) {
            const QPointF at = centre + QPointF(0, side * 44);
            fillOutlined(p, crescent(at, 8, at + QPointF(0, -side * 4), 7), Cream, 0.5);
            fillOutlined(p, starPath(centre + QPointF(0, side * 28), 2.4, 0.8, 4), Cream, 0);
            fillOutlined(p, starPath(centre + QPointF(side * 30, 0), 2.4, 0.8, 4), Cream, 0);
        }
        // The medallion: rings and a sixteen-pointed star of gold.
        fillOutlined(p, circle(centre, 24), QColor(0x1c, 0x18, 0x3a), 0);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Gold, 1));
        p.drawEllipse(centre, 24, 24);
        p.setPen(QPen(Gold, 0.4));
        p.drawEllipse(centre, 21.5, 21.5);
        fillOutlined(p, starPath(centre, 20, 9, 16, 180.0 / 16), DeepGold, 0.4);
        fillOutlined(p, starPath(centre, 17, 6, 8), Gold, 0.4);
        fillOutlined(p, circle(centre, 5.5), Cream, 0.5);
        fillOutlined(p, circle(centre, 2.2), Gold, 0.3);
    }
    return scaledDown(large);
}
