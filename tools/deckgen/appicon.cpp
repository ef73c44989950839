#include "appicon.h"

#include "shapes.h"

#include <QLinearGradient>

using namespace Colours;

namespace {

constexpr double Units = 256; // the icon is designed on a 256-unit square
constexpr int Supersample = 4;

void drawCard(QPainter &p, QPointF centre, double turn, const QColor &face)
{
    p.save();
    p.translate(centre);
    p.rotate(turn);
    const QRectF card(-62, -90, 124, 180);
    p.setPen(QPen(Ink, 6));
    p.setBrush(Gold);
    p.drawRoundedRect(card, 10, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawRoundedRect(card.adjusted(9, 9, -9, -9), 5, 5);
    p.restore();
}

} // namespace

QImage drawAppIcon(int size)
{
    QImage large(size * Supersample, size * Supersample, QImage::Format_ARGB32_Premultiplied);
    large.fill(Qt::transparent);
    {
        QPainter p(&large);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size * Supersample / Units, size * Supersample / Units);
        // Small sizes keep only the big shapes; fine lines would blur away.
        const bool small = size < 48;

        QLinearGradient night(0, 0, 0, Units);
        night.setColorAt(0, QColor(0x4a, 0x3c, 0x8a));
        night.setColorAt(1, QColor(0x1e, 0x18, 0x3c));
        p.setPen(Qt::NoPen);
        p.setBrush(night);
        const double inset = small ? 8 : 16;
        p.drawRoundedRect(QRectF(inset, inset, Units - 2 * inset, Units - 2 * inset), 44, 44);

        drawCard(p, {150, 132}, 14, Night);
        drawCard(p, {112, 132}, -8, Cream);

        p.save();
        p.translate(112, 132);
        p.rotate(-8);
        fillOutlined(p, crescent({0, -10}, 40, {16, -22}, 34), Gold, small ? 0 : 4);
        if (!small)
            fillOutlined(p, starPath({22, -30}, 15, 5.5, 4), DeepGold, 3);
        p.restore();
    }
    return large.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}
