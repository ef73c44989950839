#include "shapes.h"

#include <cmath>
#include <numbers>
#include <span>
#include <vector>

namespace {

QPointF onCircle(QPointF centre, double radius, double degreesFromTop)
{
    const double a = (degreesFromTop - 90) * std::numbers::pi / 180;
    return centre + QPointF(radius * std::cos(a), radius * std::sin(a));
}

// The outline through the points in order, closed.
QPainterPath closedPath(std::span<const QPointF> points)
{
    QPainterPath path;
    for (const QPointF &point : points) {
        if (path.elementCount() == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

QPen inkPen(double width)
{
    return QPen(Colours::Ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

QFont cardFont(const QString &family, int pixelSize, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QPainterPath polygon(std::initializer_list<QPointF> points)
{
    return closedPath(points);
}

QPainterPath circle(QPointF centre, double radius)
{
    return ellipse(centre, radius, radius);
}

QPainterPath ellipse(QPointF centre, double rx, double ry)
{
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    return path;
}

QPainterPath starPath(QPointF centre, double outer, double inner, int points, double turn)
{
    std::vector<QPointF> corners;
    for (int i = 0; i < points * 2; ++i)
        corners.push_back(onCircle(centre, i % 2 ? inner : outer, turn + i * 180.0 / points));
    return closedPath(corners);
}

QPainterPath heart(QPointF c, double s)
{
    QPainterPath path;
    path.moveTo(c.x(), c.y() + s * 0.95);
    path.cubicTo(c.x() - s * 1.25, c.y() + s * 0.05, c.x() - s * 0.95, c.y() - s * 1.0,
                 c.x(), c.y() - s * 0.4);
    path.cubicTo(c.x() + s * 0.95, c.y() - s * 1.0, c.x() + s * 1.25, c.y() + s * 0.05,
                 c.x(), c.y() + s * 0.95);
    return path;
}

QPainterPath crescent(QPointF centre, double radius, QPointF bite, double biteRadius)
{
    return circle(centre, radius).subtracted(circle(bite, biteRadius));
}

QPainterPath lemniscate(QPointF centre, double halfWidth)
{
    QPainterPath path;
    constexpr int Steps = 72;
    for (int i = 0; i <= Steps; ++i) {
        const double t = 2 * std::numbers::pi * i / Steps;
        const double d = 1 + std::sin(t) * std::sin(t);
        const QPointF point = centre + QPointF(halfWidth * std::cos(t) / d,
                                               halfWidth * std::sin(t) * std::cos(t) / d);
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    return path;
}

void fillOutlined(QPainter &p, const QPainterPath &path, const QColor &fill, double pen)
{
    p.setPen(pen > 0 ? inkPen(pen) : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawPath(path);
}

void edgedLine(QPainter &p, const QPainterPath &path, const QColor &colour, double width)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(inkPen(width + 2 * Outline * 0.8));
    p.drawPath(path);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

void edgedLine(QPainter &p, QPointF from, QPointF to, const QColor &colour, double width)
{
    QPainterPath path(from);
    path.lineTo(to);
    edgedLine(p, path, colour, width);
}

void inkLine(QPainter &p, QPointF from, QPointF to, double width)
{
    p.setPen(inkPen(width));
    p.drawLine(from, to);
}

void sunburst(QPainter &p, QPointF centre, double radius, double rayLength, int rays, const QColor &fill)
{
    QPainterPath rayPath;
    rayPath.setFillRule(Qt::WindingFill);
    const double half = 180.0 / rays * 0.55;
    for (int i = 0; i < rays; ++i) {
        const double angle = i * 360.0 / rays;
        rayPath.addPath(polygon({onCircle(centre, radius * 0.8, angle - half),
                                 onCircle(centre, radius + rayLength, angle),
                                 onCircle(centre, radius * 0.8, angle + half)}));
    }
    fillOutlined(p, rayPath.simplified(), fill.lighter(110));
    fillOutlined(p, circle(centre, radius), fill);
}

void cloud(QPainter &p, QPointF b, double w, const QColor &fill)
{
    const double r = w / 5;
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addEllipse(QPointF(b.x() - w * 0.3, b.y() - r * 0.9), r, r * 0.9);
    path.addEllipse(QPointF(b.x(), b.y() - r * 1.5), r * 1.3, r * 1.3);
    path.addEllipse(QPointF(b.x() + w * 0.3, b.y() - r), r * 1.05, r);
    path.addRect(QRectF(b.x() - w * 0.3, b.y() - r, w * 0.6, r));
    fillOutlined(p, path.simplified(), fill);
}

void goblet(QPainter &p, QPointF f, double h, const QColor &fill)
{
    const double w = h * 0.62;
    QPainterPath bowl;
    bowl.moveTo(f.x() - w / 2, f.y() - h);
    bowl.lineTo(f.x() + w / 2, f.y() - h);
    bowl.cubicTo(f.x() + w / 2, f.y() - h * 0.45, f.x() + w * 0.1, f.y() - h * 0.45,
                 f.x() + w * 0.08, f.y() - h * 0.42);
    bowl.lineTo(f.x() + w * 0.08, f.y() - h * 0.12);
    bowl.lineTo(f.x() + w * 0.4, f.y());
    bowl.lineTo(f.x() - w * 0.4, f.y());
    bowl.lineTo(f.x() - w * 0.08, f.y() - h * 0.12);
    bowl.lineTo(f.x() - w * 0.08, f.y() - h * 0.42);
    bowl.cubicTo(f.x() - w * 0.1, f.y() - h * 0.45, f.x() - w / 2, f.y() - h * 0.45,
                 f.x() - w / 2, f.y() - h);
    bowl.closeSubpath();
    fillOutlined(p, bowl, fill);
}

void ground(QPainter &p, double top, double width, const QColor &fill)
{
    fillOutlined(p, polygon({{-2, top}, {width + 2, top}, {width + 2, 102}, {-2, 102}}), fill);
}

void pillar(QPainter &p, double left, double width, double top, double bottom, const QColor &fill)
{
    const double shaftTop = top + 5;
    const double shaftBottom = bottom - 7;
    fillOutlined(p, polygon({{left + 1, shaftTop}, {left + width - 1, shaftTop},
                             {left + width - 1, shaftBottom}, {left + 1, shaftBottom}}),
                 fill);
    // The capital flares out like a lotus; the base is broader and stepped.
    QPainterPath capital;
    capital.moveTo(left + 1, shaftTop);
    capital.cubicTo(left - 1, top + 3, left - 1, top, left + 1, top);
    capital.lineTo(left + width - 1, top);
    capital.cubicTo(left + width + 1, top, left + width + 1, top + 3, left + width - 1, shaftTop);
    capital.closeSubpath();
    fillOutlined(p, capital, fill.lighter(115));
    fillOutlined(p, polygon({{left - 1, shaftBottom}, {left + width + 1, shaftBottom},
                             {left + width + 1, shaftBottom + 3}, {left - 1, shaftBottom + 3}}),
                 fill.lighter(110));
    fillOutlined(p, polygon({{left - 3, shaftBottom + 3}, {left + width + 3, shaftBottom + 3},
                             {left + width + 3, bottom}, {left - 3, bottom}}),
                 fill.darker(110));
}
