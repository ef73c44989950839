#pragma once

// The few shapes every picture of the deck is built from, and its colours.
// Coordinates are card pixels; the pictures are drawn four times larger and
// scaled down, so fractions of a pixel count.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>

#include <initializer_list>

namespace Colours {
inline const QColor Ink{0x2a, 0x22, 0x38};
inline const QColor Night{0x25, 0x20, 0x4a};
inline const QColor Cream{0xf6, 0xec, 0xd4};
inline const QColor Gold{0xe8, 0xb4, 0x3c};
inline const QColor DeepGold{0xb9, 0x82, 0x2a};
inline const QColor White{0xfb, 0xf8, 0xf0};
inline const QColor Silver{0xc9, 0xcd, 0xd6};
inline const QColor Red{0xc4, 0x3c, 0x34};
inline const QColor Rose{0xee, 0x8a, 0x9a};
inline const QColor Green{0x6a, 0x9e, 0x4c};
inline const QColor DarkGreen{0x3b, 0x66, 0x3a};
inline const QColor Brown{0x8f, 0x5b, 0x34};
inline const QColor Wood{0xb7, 0x7d, 0x48};
inline const QColor Stone{0xa8, 0xa4, 0xb0};
inline const QColor DarkStone{0x6e, 0x6a, 0x7a};
inline const QColor Water{0x4c, 0x8c, 0xc8};
inline const QColor Skin{0xf4, 0xd3, 0xb0};
inline const QColor Purple{0x6b, 0x3f, 0x7d};
inline const QColor Blue{0x3a, 0x5c, 0xa8};
} // namespace Colours

// The faces the deck is lettered in: a mincho for numerals and letters, a
// gothic for the names, which must stay clear at twelve pixels.
inline const QString LetterFamily = QStringLiteral("IPAPMincho");
inline const QString NameFamily = QStringLiteral("IPAPGothic");
QFont cardFont(const QString &family, int pixelSize, bool bold);

// The width of the ink line around filled shapes.
inline constexpr double Outline = 0.8;

QPainterPath polygon(std::initializer_list<QPointF> points);
QPainterPath circle(QPointF centre, double radius);
QPainterPath ellipse(QPointF centre, double rx, double ry);
// A star of `points` points, the first pointing up (turned by `turn` degrees).
QPainterPath starPath(QPointF centre, double outer, double inner, int points, double turn = 0);
// A heart whose point is at the bottom.
QPainterPath heart(QPointF centre, double size);
// A crescent: the disc at `centre` less the disc at `bite`.
QPainterPath crescent(QPointF centre, double radius, QPointF bite, double biteRadius);
// The figure of eight lying on its side, as a line to stroke.
QPainterPath lemniscate(QPointF centre, double halfWidth);

// Fills a shape and draws its outline in ink.
void fillOutlined(QPainter &p, const QPainterPath &path, const QColor &fill, double pen = Outline);
// A line of a colour with an ink edge on both sides.
void edgedLine(QPainter &p, const QPainterPath &path, const QColor &colour, double width);
void edgedLine(QPainter &p, QPointF from, QPointF to, const QColor &colour, double width);
void inkLine(QPainter &p, QPointF from, QPointF to, double width = Outline);

// A sun: a disc with pointed rays around it.
void sunburst(QPainter &p, QPointF centre, double radius, double rayLength, int rays, const QColor &fill);
// A cloud of overlapping puffs with a flat bottom.
void cloud(QPainter &p, QPointF bottomCentre, double width, const QColor &fill);
// A goblet standing on its foot at `foot`, `height` tall.
void goblet(QPainter &p, QPointF foot, double height, const QColor &fill);
// Ground from `top` to the bottom of a picture `width` wide.
void ground(QPainter &p, double top, double width, const QColor &fill);
// A stone pillar: a capital that flares out, a shaft and a stepped base
// broader than the capital, so it stands the right way up.
void pillar(QPainter &p, double left, double width, double top, double bottom, const QColor &fill);
