#include "emblems.h"

#include "majorarcana.h"
#include "shapes.h"

#include <QRadialGradient>

#include <cmath>
#include <numbers>

using namespace Colours;

namespace {

constexpr double W = PanelWidth;

QPointF polar(QPointF centre, double radius, double degreesFromTop)
{
    const double a = (degreesFromTop - 90) * std::numbers::pi / 180;
    return centre + QPointF(radius * std::cos(a), radius * std::sin(a));
}

void glow(QPainter &p, QPointF centre, double radius, const QColor &colour)
{
    QRadialGradient gradient(centre, radius);
    QColor clear = colour;
    clear.setAlpha(0);
    gradient.setColorAt(0, colour);
    gradient.setColorAt(1, clear);
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawEllipse(centre, radius, radius);
}

void letter(QPainter &p, QPointF centre, const char *text, const QColor &colour, int size)
{
    p.setFont(cardFont(NameFamily, size, true));
    p.setPen(colour);
    p.drawText(QRectF(centre.x() - 10, centre.y() - 10, 20, 20), Qt::AlignCenter,
               QString::fromLatin1(text));
}

void key(QPainter &p, QPointF ring, QPointF tip, const QColor &colour)
{
    const QPointF along = (tip - ring) / std::hypot(tip.x() - ring.x(), tip.y() - ring.y());
    const QPointF across(-along.y(), along.x());
    edgedLine(p, ring + along * 4, tip, colour, 1.8);
    // The bit: two teeth standing off the shaft near the tip.
    const QPointF b = tip - along * 1.5;
    fillOutlined(p, polygon({b, b + across * 5, b + across * 5 - along * 2.5, b - along * 2.5}), colour);
    const QPointF c = tip - along * 5;
    fillOutlined(p, polygon({c, c + across * 4, c + across * 4 - along * 2, c - along * 2}), colour);
    QPainterPath bow = circle(ring, 4.2).subtracted(circle(ring, 2));
    fillOutlined(p, bow, colour);
}

void flame(QPainter &p, QPointF base, double height, double turn)
{
    QPainterPath path;
    path.moveTo(base + QPointF(-height * 0.3, 0));
    path.cubicTo(base + QPointF(-height * 0.4, -height * 0.5), base + QPointF(turn, -height * 0.6),
                 base + QPointF(turn, -height));
    path.cubicTo(base + QPointF(turn * 0.2 + height * 0.5, -height * 0.55),
                 base + QPointF(height * 0.45, -height * 0.3), base + QPointF(height * 0.3, 0));
    path.closeSubpath();
    fillOutlined(p, path, QColor(0xf2, 0x8a, 0x2c), 0.6);
}

void hill(QPainter &p, double left, double right, double top, double base, const QColor &fill)
{
    QPainterPath path;
    path.moveTo(left, base);
    path.cubicTo(left + (right - left) * 0.25, top, left + (right - left) * 0.75, top, right, base);
    path.closeSubpath();
    fillOutlined(p, path, fill, 0.6);
}

void grassTufts(QPainter &p, double y, double from, double to, double step)
{
    p.setPen(QPen(DarkGreen, 0.7, Qt::SolidLine, Qt::RoundCap));
    for (double x = from; x <= to; x += step) {
        p.drawLine(QPointF(x, y), QPointF(x - 1, y - 2.5));
        p.drawLine(QPointF(x, y), QPointF(x + 1.2, y - 2.2));
    }
}

// A sunflower on its stalk, the stalk's foot at `foot`.
void sunflower(QPainter &p, QPointF foot, double height)
{
    const QPointF head = foot - QPointF(0, height);
    edgedLine(p, foot, head, DarkGreen, 1.2);
    fillOutlined(p, ellipse(foot - QPointF(3, height * 0.45), 3, 1.4), Green, 0.5);
    fillOutlined(p, starPath(head, 6.5, 3.6, 10), Gold, 0.6);
    fillOutlined(p, circle(head, 3), Brown, 0.6);
}

} // namespace

namespace Emblems {

void fool(QPainter &p)
{
    sunburst(p, {17, 17}, 8, 6, 12, Gold);
    fillOutlined(p, polygon({{-2, 80}, {12, 58}, {24, 68}, {38, 50}, {56, 72}, {70, 62},
                             {90, 78}, {90, 102}, {-2, 102}}),
                 QColor(0xb4, 0xc2, 0xda), 0.6);
    fillOutlined(p, polygon({{60, 100}, {74, 86}, {90, 90}, {90, 102}, {60, 102}}),
                 QColor(0x9a, 0xb2, 0xcc), 0.6);
    // The cliff: a grassy top that breaks off in a sheer face on the right.
    QPainterPath cliff;
    cliff.moveTo(-2, 74);
    cliff.quadTo(30, 66, 58, 70);
    cliff.lineTo(63, 75);
    cliff.lineTo(58, 83);
    cliff.lineTo(62, 91);
    cliff.lineTo(58, 102);
    cliff.lineTo(-2, 102);
    cliff.closeSubpath();
    fillOutlined(p, cliff, QColor(0x9c, 0x74, 0x4c));
    QPainterPath grass;
    grass.moveTo(-2, 74);
    grass.quadTo(30, 66, 58, 70);
    grass.lineTo(61, 73);
    grass.quadTo(30, 70, -2, 80);
    grass.closeSubpath();
    fillOutlined(p, grass, Green);
    inkLine(p, {40, 84}, {50, 90}, 0.5);
    inkLine(p, {14, 90}, {26, 94}, 0.5);
    // The little dog at his heels.
    inkLine(p, {22, 66}, {21, 70.5}, 1);
    inkLine(p, {28, 66}, {29, 70}, 1);
    fillOutlined(p, ellipse({25, 65}, 5, 2.8), White, 0.6);
    fillOutlined(p, circle({19.5, 61.5}, 2.6), White, 0.6);
    fillOutlined(p, ellipse({18.8, 60.2}, 1, 1.6), Brown, 0.4);
    inkLine(p, {30, 64}, {32.5, 60.5}, 0.8);
    // The traveller stepping out towards the edge, his bundle on a staff.
    inkLine(p, {42, 61}, {39, 69}, 1.6);
    inkLine(p, {47, 61}, {52, 67.5}, 1.6);
    edgedLine(p, {44, 54}, {60, 30}, Wood, 1.1);
    fillOutlined(p, circle({61, 28}, 3.8), Red);
    fillOutlined(p, polygon({{40, 45}, {49, 45}, {53, 62}, {36, 62}}), QColor(0xe8, 0x9a, 0x3a));
    fillOutlined(p, polygon({{36, 62}, {53, 62}, {51, 58}, {38, 58}}), Green, 0.5);
    inkLine(p, {40, 47}, {34, 52}, 1.3);
    fillOutlined(p, circle({33, 53}, 2.2), White, 0.5);
    fillOutlined(p, circle({44.5, 40}, 4.5), Skin);
    fillOutlined(p, polygon({{40, 38.5}, {49, 38.5}, {46, 34}}), Red, 0.6);
    edgedLine(p, {46, 34}, {41, 30}, Gold, 0.8);
}

void magician(QPainter &p)
{
    // A garland of roses along the top.
    for (double x = 4; x < W; x += 11) {
        fillOutlined(p, ellipse({x + 5, 4}, 3.5, 1.8), Green, 0.5);
        fillOutlined(p, circle({x, 5}, 3), Red, 0.6);
    }
    edgedLine(p, lemniscate({43, 18}, 12), Gold, 2);
    glow(p, {38, 34}, 15, QColor(0xff, 0xff, 0xf0, 220));
    // The wand raised to the sky, its tips white.
    edgedLine(p, {48, 66}, {39, 34}, White, 2.6);
    fillOutlined(p, circle({38.7, 33}, 2.2), White, 0.6);
    for (const QPointF &spark : {QPointF(30, 30), QPointF(46, 27), QPointF(33, 40)})
        fillOutlined(p, starPath(spark, 3, 0.9, 4), White, 0.5);
    // The table with the cup, the pentacle and the sword on it.
    fillOutlined(p, polygon({{14, 84}, {19, 84}, {19, 97}, {14, 97}}), Brown);
    fillOutlined(p, polygon({{68, 84}, {73, 84}, {73, 97}, {68, 97}}), Brown);
    ground(p, 96, W, QColor(0x8c, 0x6a, 0x4c));
    fillOutlined(p, polygon({{8, 66}, {79, 66}, {77, 84}, {10, 84}}), Brown);
    fillOutlined(p, polygon({{5, 62}, {82, 62}, {82, 67}, {5, 67}}), Wood);
    goblet(p, {16, 62}, 13, Gold);
    edgedLine(p, {28, 60.5}, {46, 60.5}, Silver, 1.4);
    inkLine(p, {29, 57.5}, {29, 63.5}, 1.4);
    fillOutlined(p, circle({68, 55}, 6), Gold);
    fillOutlined(p, starPath({68, 55.5}, 4.4, 1.8, 5), DeepGold, 0.5);
}

void highPriestess(QPainter &p)
{
    // The veil behind her seat, hung with pomegranates.
    fillOutlined(p, polygon({{16, 10}, {71, 10}, {71, 88}, {16, 88}}), Purple);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QPointF c(26 + col * 17.5 + (row % 2) * 8, 30 + row * 14);
            fillOutlined(p, circle(c, 3.2), Red, 0.6);
            fillOutlined(p, polygon({c + QPointF(-1.2, -3), c + QPointF(1.2, -3), c + QPointF(0, -4.8)}),
                         DarkGreen, 0.4);
        }
    }
    pillar(p, 3, 13, 4, 90, QColor(0x30, 0x2c, 0x38));
    pillar(p, 71, 13, 4, 90, White);
    letter(p, {9.5, 40}, "B", White, 8);
    letter(p, {77.5, 40}, "J", Ink, 8);
    // The crown of the moon, full between waxing and waning.
    fillOutlined(p, circle({43.5, 16}, 4.5), White, 0.7);
    fillOutlined(p, crescent({35, 16}, 4.5, {37.5, 16}, 4), White, 0.6);
    fillOutlined(p, crescent({52, 16}, 4.5, {49.5, 16}, 4), White, 0.6);
    // The floor and the crescent moon at her feet.
    ground(p, 88, W, QColor(0x5a, 0x62, 0x8e));
    fillOutlined(p, crescent({43.5, 74}, 13, {43.5, 66}, 12), QColor(0xf4, 0xee, 0xc8));
}

void empress(QPainter &p)
{
    hill(p, -20, 50, 42, 86, QColor(0x8c, 0xb8, 0x6a));
    hill(p, 36, 110, 48, 86, QColor(0x7a, 0xaa, 0x5c));
    // Nine stars arched over the crown.
    for (int i = 0; i < 9; ++i)
        fillOutlined(p, starPath(polar({43.5, 38}, 27, -64 + i * 16), 3, 1.2, 5), White, 0.5);
    // The crown: a band with five points and pearls on them.
    fillOutlined(p, polygon({{23, 46}, {25, 26}, {33, 36}, {43.5, 20}, {54, 36}, {62, 26},
                             {64, 46}}),
                 Gold);
    fillOutlined(p, polygon({{22, 44}, {65, 44}, {65, 51}, {22, 51}}), DeepGold);
    for (const QPointF &pearl : {QPointF(25, 25), QPointF(43.5, 19), QPointF(62, 25)})
        fillOutlined(p, circle(pearl, 2.2), White, 0.6);
    fillOutlined(p, circle({43.5, 47.5}, 2.4), Red, 0.6);
    fillOutlined(p, circle({32, 47.5}, 1.8), Green, 0.5);
    fillOutlined(p, circle({55, 47.5}, 1.8), Green, 0.5);
    // A field of ripe wheat.
    ground(p, 84, W, QColor(0xd8, 0xb4, 0x58));
    for (int i = 0; i < 8; ++i) {
        const double x = 6 + i * 10.7;
        const double top = 64 + (i % 3) * 3;
        const double lean = (i % 2 ? 1.5 : -1.5);
        edgedLine(p, {x, 100}, {x + lean, top}, QColor(0xd0, 0xa0, 0x3a), 0.9);
        for (int g = 0; g < 4; ++g) {
            const QPointF c(x + lean * (1 - g * 0.1), top + 1.5 + g * 3.2);
            fillOutlined(p, ellipse(c + QPointF(-1.6, 0), 1.3, 2), Gold, 0.4);
            fillOutlined(p, ellipse(c + QPointF(1.6, 0), 1.3, 2), Gold, 0.4);
        }
        fillOutlined(p, ellipse({x + lean, top - 1.5}, 1.2, 2.2), Gold, 0.4);
    }
}

void emperor(QPainter &p)
{
    fillOutlined(p, polygon({{-2, 84}, {-2, 50}, {10, 36}, {20, 52}, {30, 40}, {44, 60},
                             {58, 34}, {72, 50}, {80, 42}, {90, 56}, {90, 84}}),
                 QColor(0xa0, 0x4a, 0x30), 0.6);
    ground(p, 86, W, QColor(0x7a, 0x5a, 0x44));
    // The stone throne on its steps, rams' heads at its corners.
    const QColor stone(0xb0, 0xaa, 0xb4);
    fillOutlined(p, polygon({{20, 66}, {20, 24}, {43.5, 12}, {67, 24}, {67, 66}}), stone);
    fillOutlined(p, polygon({{13, 62}, {74, 62}, {74, 78}, {13, 78}}), stone.lighter(108));
    fillOutlined(p, polygon({{9, 78}, {78, 78}, {78, 86}, {9, 86}}), stone.darker(108));
    fillOutlined(p, polygon({{4, 86}, {83, 86}, {83, 94}, {4, 94}}), stone.darker(118));
    for (const QPointF &ram : {QPointF(20, 26), QPointF(67, 26), QPointF(13, 62), QPointF(74, 62)}) {
        fillOutlined(p, circle(ram, 4.6), Silver);
        fillOutlined(p, crescent(ram, 3, ram + QPointF(0.8, -0.8), 1.8), DarkStone, 0.4);
    }
    // The ankh carved on its back.
    QPainterPath loop = ellipse({43.5, 30}, 4.2, 5.2).subtracted(ellipse({43.5, 30}, 2, 3));
    fillOutlined(p, loop, Gold);
    fillOutlined(p, polygon({{36, 35}, {51, 35}, {51, 38}, {36, 38}}), Gold);
    fillOutlined(p, polygon({{42, 35}, {45, 35}, {46, 56}, {41, 56}}), Gold);
    // The orb on the seat.
    fillOutlined(p, circle({43.5, 68}, 4), Gold);
    inkLine(p, {43.5, 64}, {43.5, 60.5}, 0.9);
    inkLine(p, {41.8, 62}, {45.2, 62}, 0.9);
}

void hierophant(QPainter &p)
{
    pillar(p, 3, 11, 4, 88, Stone);
    pillar(p, 73, 11, 4, 88, Stone);
    ground(p, 88, W, QColor(0x8c, 0x3c, 0x3c));
    fillOutlined(p, polygon({{18, 88}, {69, 88}, {76, 102}, {11, 102}}), QColor(0xc0, 0x50, 0x46), 0.6);
    // The triple cross, its three bars shortening towards the top.
    edgedLine(p, {43.5, 66}, {43.5, 12}, Gold, 2.2);
    edgedLine(p, {39, 18}, {48, 18}, Gold, 2);
    edgedLine(p, {36.5, 26}, {50.5, 26}, Gold, 2);
    edgedLine(p, {34, 34}, {53, 34}, Gold, 2);
    fillOutlined(p, circle({43.5, 10}, 2.4), Gold, 0.6);
    // The crossed keys, bows down.
    key(p, {25, 88}, {60, 58}, Gold);
    key(p, {62, 88}, {27, 58}, Silver);
}

void lovers(QPainter &p)
{
    // The sun over the angel's cloud.
    sunburst(p, {43.5, 16}, 10, 7, 16, Gold);
    cloud(p, {43.5, 38}, 40, White);
    fillOutlined(p, polygon({{14, 84}, {43.5, 46}, {73, 84}}), QColor(0xc4, 0xce, 0xe0), 0.6);
    ground(p, 82, W, Green);
    grassTufts(p, 95, 6, 84, 9);
    // The tree of life on one side, the tree of knowledge on the other.
    edgedLine(p, {9, 84}, {9, 56}, Brown, 1.6);
    for (int i = 0; i < 4; ++i)
        flame(p, {4.0 + i * 3.5, 64.0 - (i % 2) * 4}, 7, 0.5);
    edgedLine(p, {78, 84}, {78, 60}, Brown, 1.6);
    fillOutlined(p, circle({78, 56}, 8), DarkGreen);
    for (const QPointF &apple : {QPointF(74, 53), QPointF(81, 55), QPointF(77, 60)})
        fillOutlined(p, circle(apple, 1.6), Red, 0.4);
    // Two hearts, leaning together.
    fillOutlined(p, heart({36, 64}, 12), Red);
    fillOutlined(p, heart({53, 69}, 9.5), Rose);
}

void chariot(QPainter &p)
{
    // The city behind, walls and towers.
    fillOutlined(p, polygon({{-2, 70}, {-2, 56}, {6, 56}, {6, 50}, {14, 50}, {14, 56}, {72, 56},
                             {72, 48}, {80, 48}, {80, 56}, {90, 56}, {90, 70}}),
                 QColor(0xc6, 0xbe, 0xb0), 0.6);
    ground(p, 80, W, QColor(0xa6, 0xb8, 0x6a));
    // The canopy of stars on four posts.
    edgedLine(p, {19, 22}, {19, 46}, Silver, 1.4);
    edgedLine(p, {68, 22}, {68, 46}, Silver, 1.4);
    fillOutlined(p, polygon({{12, 15}, {75, 15}, {75, 22}, {12, 22}}), Blue);
    QPainterPath fringe;
    fringe.moveTo(12, 22);
    for (double x = 12; x < 75; x += 7)
        fringe.quadTo(x + 3.5, 27, x + 7, 22);
    fillOutlined(p, fringe, Blue, 0.6);
    for (double x = 19; x < 72; x += 10)
        fillOutlined(p, starPath({x, 18.5}, 2, 0.8, 5), Gold, 0.3);
    fillOutlined(p, starPath({43.5, 8}, 6, 2.5, 8), Gold);
    // The car with its winged disc, and the wheels.
    fillOutlined(p, polygon({{14, 44}, {73, 44}, {71, 72}, {16, 72}}), Stone);
    fillOutlined(p, polygon({{14, 44}, {73, 44}, {73, 48}, {14, 48}}), Gold);
    for (int side : {-1, 1})
        fillOutlined(p, polygon({{43.5 + side * 3, 56}, {43.5 + side * 16, 53}, {43.5 + side * 15, 57},
                                 {43.5 + side * 3, 60}}),
                     QColor(0x5e, 0x9c, 0xd8), 0.6);
    fillOutlined(p, circle({43.5, 58}, 4), Red);
    for (double x : {22.0, 65.0}) {
        const QPointF hub(x, 78);
        fillOutlined(p, circle(hub, 10), Wood);
        fillOutlined(p, circle(hub, 7.5), QColor(0xd8, 0xb0, 0x80), 0.6);
        for (int i = 0; i < 6; ++i)
            inkLine(p, hub, polar(hub, 7.5, i * 60 + 15), 1.1);
        fillOutlined(p, circle(hub, 2), Gold, 0.6);
    }
}

void strength(QPainter &p)
{
    edgedLine(p, lemniscate({43.5, 11}, 12), Gold, 2);
    hill(p, -10, 40, 64, 100, QColor(0x8a, 0xaa, 0x5a));
    hill(p, 30, 100, 58, 100, QColor(0x9a, 0xb8, 0x64));
    ground(p, 92, W, Green);
    // The lion's head, tamed: mane, ears, and a face with a heavy chin.
    const QPointF c(43.5, 56);
    fillOutlined(p, starPath(c, 31, 23, 15), QColor(0xc0, 0x6a, 0x26));
    fillOutlined(p, starPath(c, 25, 19, 15, 12), QColor(0xd8, 0x86, 0x30), 0.6);
    fillOutlined(p, circle(c + QPointF(-12, -12), 5), QColor(0xe8, 0xae, 0x4c));
    fillOutlined(p, circle(c + QPointF(12, -12), 5), QColor(0xe8, 0xae, 0x4c));
    fillOutlined(p, circle(c + QPointF(-12, -12), 2.5), QColor(0xb0, 0x5a, 0x30), 0.4);
    fillOutlined(p, circle(c + QPointF(12, -12), 2.5), QColor(0xb0, 0x5a, 0x30), 0.4);
    QPainterPath face;
    face.moveTo(c + QPointF(-14, -6));
    face.cubicTo(c + QPointF(-14, -18), c + QPointF(14, -18), c + QPointF(14, -6));
    face.cubicTo(c + QPointF(15, 6), c + QPointF(9, 17), c + QPointF(0, 18));
    face.cubicTo(c + QPointF(-9, 17), c + QPointF(-15, 6), c + QPointF(-14, -6));
    fillOutlined(p, face, QColor(0xf0, 0xc0, 0x5c));
    fillOutlined(p, ellipse(c + QPointF(0, 9), 8, 6), QColor(0xfa, 0xe2, 0xa8), 0.6);
    for (int side : {-1, 1}) {
        fillOutlined(p, ellipse(c + QPointF(side * 6, -3), 2.6, 1.8), White, 0.6);
        fillOutlined(p, circle(c + QPointF(side * 6, -3), 1.1), Ink, 0);
        inkLine(p, c + QPointF(side * 9.5, -7), c + QPointF(side * 3, -6.5), 0.9);
    }
    fillOutlined(p, polygon({c + QPointF(-3.5, 3.5), c + QPointF(3.5, 3.5), c + QPointF(0, 7.5)}), Ink, 0.5);
    QPainterPath mouth;
    mouth.moveTo(c + QPointF(0, 7.5));
    mouth.lineTo(c + QPointF(0, 10));
    mouth.moveTo(c + QPointF(-5, 11.5));
    mouth.quadTo(c + QPointF(-2, 13), c + QPointF(0, 10));
    mouth.quadTo(c + QPointF(2, 13), c + QPointF(5, 11.5));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Ink, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(mouth);
    // A garland of flowers round its neck.
    for (int i = 0; i < 7; ++i)
        fillOutlined(p, circle(polar(c, 20, 120 + i * 20), 2.2), i % 2 ? Red : White, 0.5);
}

void hermit(QPainter &p)
{
    for (const QPointF &s : {QPointF(10, 10), QPointF(75, 8), QPointF(66, 24), QPointF(18, 30)})
        fillOutlined(p, starPath(s, 1.8, 0.6, 4), White, 0);
    // The snowy peak he has climbed.
    fillOutlined(p, polygon({{-2, 102}, {-2, 86}, {30, 66}, {50, 78}, {70, 70}, {90, 84}, {90, 102}}),
                 QColor(0x7c, 0x86, 0xa4));
    fillOutlined(p, polygon({{16, 75}, {30, 66}, {42, 73.5}, {34, 72}, {28, 76}, {22, 73}}), White, 0.5);
    // The lantern held high, with a six-pointed star burning in it.
    glow(p, {60, 40}, 24, QColor(0xff, 0xe8, 0x90, 200));
    edgedLine(p, {56, 52}, {60, 28}, Skin, 2.6);
    inkLine(p, {60, 28}, {60, 31}, 0.8);
    fillOutlined(p, polygon({{55, 33}, {65, 33}, {60, 29}}), DeepGold, 0.6);
    fillOutlined(p, polygon({{55, 33}, {65, 33}, {66.5, 38}, {65, 48}, {55, 48}, {53.5, 38}}),
                 QColor(0xff, 0xf2, 0xb8));
    fillOutlined(p, starPath({60, 40.5}, 5, 2.9, 6), Gold, 0.5);
    fillOutlined(p, polygon({{54.5, 48}, {65.5, 48}, {64, 51}, {56, 51}}), DeepGold, 0.6);
    // The hermit in his grey cloak and hood, leaning on his staff.
    edgedLine(p, {20, 96}, {24, 30}, Wood, 1.6);
    QPainterPath cloak;
    cloak.moveTo(36, 34);
    cloak.cubicTo(44, 36, 50, 60, 56, 96);
    cloak.lineTo(18, 96);
    cloak.cubicTo(22, 70, 24, 44, 28, 36);
    cloak.closeSubpath();
    fillOutlined(p, cloak, QColor(0x8e, 0x8a, 0x96));
    edgedLine(p, {44, 56}, {56, 52}, QColor(0x8e, 0x8a, 0x96), 3);
    fillOutlined(p, ellipse({33, 38}, 5, 5.5), Skin);
    fillOutlined(p, polygon({{31, 40}, {37.5, 40}, {35, 50}}), White, 0.5);
    QPainterPath hood;
    hood.moveTo(27, 44);
    hood.cubicTo(24, 30, 34, 26, 39, 34);
    hood.cubicTo(35, 32, 30, 34, 29.5, 44);
    hood.closeSubpath();
    fillOutlined(p, hood, QColor(0x7a, 0x76, 0x84), 0.6);
}

void wheelOfFortune(QPainter &p)
{
    cloud(p, {12, 100}, 30, White);
    cloud(p, {76, 100}, 30, White);
    cloud(p, {44, 103}, 26, QColor(0xe4, 0xec, 0xf4));
    // The serpent going down on the left.
    QPainterPath snake;
    snake.moveTo(8, 22);
    snake.cubicTo(2, 34, 14, 44, 7, 56);
    snake.cubicTo(2, 64, 10, 72, 8, 80);
    edgedLine(p, snake, Gold, 1.8);
    fillOutlined(p, ellipse({8, 81}, 2.2, 3), Gold, 0.6);
    // The wheel, with its letters standing upright.
    const QPointF c(45, 52);
    fillOutlined(p, circle(c, 29).subtracted(circle(c, 21)), QColor(0xe8, 0x9a, 0x3a));
    fillOutlined(p, circle(c, 21), QColor(0xf4, 0xd6, 0x8e));
    for (int i = 0; i < 8; ++i)
        inkLine(p, polar(c, 6, i * 45), polar(c, 21, i * 45), 1.1);
    fillOutlined(p, circle(c, 6), Blue);
    fillOutlined(p, circle(c, 2.5), Gold, 0.5);
    const char *letters[] = {"T", "A", "R", "O"};
    for (int i = 0; i < 4; ++i)
        letter(p, polar(c, 25, i * 90 + 45), letters[i], Ink, 8);
    // The sphinx on top, sword held up.
    edgedLine(p, {50, 22}, {56, 6}, Silver, 1.1);
    fillOutlined(p, polygon({{36, 24.5}, {54, 24.5}, {52, 18}, {42, 16}}), Blue);
    fillOutlined(p, polygon({{36, 24.5}, {40, 8}, {46, 12}, {44, 24.5}}), QColor(0x4a, 0x6c, 0xb8));
    fillOutlined(p, circle({42, 11}, 3.6), Skin);
}

void justice(QPainter &p)
{
    pillar(p, 2, 10, 4, 86, Stone);
    pillar(p, 75, 10, 4, 86, Stone);
    ground(p, 86, W, QColor(0x7a, 0x72, 0x80));
    fillOutlined(p, polygon({{-2, 94}, {89, 94}, {89, 102}, {-2, 102}}), QColor(0x64, 0x5c, 0x6c), 0.6);
    // The sword, point up.
    fillOutlined(p, polygon({{60, 6}, {63.2, 13}, {63.2, 58}, {56.8, 58}, {56.8, 13}}), Silver);
    inkLine(p, {60, 13}, {60, 56}, 0.5);
    fillOutlined(p, polygon({{50, 58}, {70, 58}, {70, 62}, {50, 62}}), Gold);
    fillOutlined(p, polygon({{58, 62}, {62, 62}, {62, 72}, {58, 72}}), Brown);
    fillOutlined(p, circle({60, 74.5}, 3), Gold);
    // The scales, standing on a broad foot.
    const QPointF top(26, 28);
    fillOutlined(p, polygon({{24.8, 30}, {27.2, 30}, {27.2, 78}, {24.8, 78}}), Gold);
    fillOutlined(p, polygon({{18, 86}, {34, 86}, {30, 78}, {22, 78}}), DeepGold);
    edgedLine(p, {10, 31}, {42, 31}, Gold, 1.6);
    fillOutlined(p, circle(top, 2.6), Gold, 0.6);
    for (double x : {11.0, 41.0}) {
        inkLine(p, {x, 31}, {x - 6, 50}, 0.6);
        inkLine(p, {x, 31}, {x + 6, 50}, 0.6);
        QPainterPath pan;
        pan.moveTo(x - 8, 50);
        pan.lineTo(x + 8, 50);
        pan.cubicTo(x + 7, 56, x - 7, 56, x - 8, 50);
        fillOutlined(p, pan, Gold);
    }
}

void hangedMan(QPainter &p)
{
    ground(p, 90, W, Green);
    grassTufts(p, 97, 8, 82, 10);
    // The living tree, a T of rough wood with leaves on it.
    fillOutlined(p, polygon({{9, 91}, {9, 14}, {16, 14}, {16, 91}}), Brown);
    fillOutlined(p, polygon({{71, 91}, {71, 14}, {78, 14}, {78, 91}}), Brown);
    fillOutlined(p, polygon({{4, 8}, {83, 8}, {83, 15}, {4, 15}}), Wood);
    for (const QPointF &leaf : {QPointF(12, 6), QPointF(26, 6.5), QPointF(58, 6), QPointF(75, 6.5),
                                QPointF(12.5, 40), QPointF(74.5, 52)})
        fillOutlined(p, ellipse(leaf, 3.2, 1.8), Green, 0.5);
    fillOutlined(p, polygon({{3, 93}, {22, 93}, {17, 88}, {8, 88}}), Brown.darker(115), 0.6);
    fillOutlined(p, polygon({{65, 93}, {84, 93}, {79, 88}, {70, 88}}), Brown.darker(115), 0.6);
    // He hangs by one foot, the other leg crossed behind the knee; his
    // head, with its halo, hangs near the ground.
    inkLine(p, {43.5, 15}, {43.5, 24}, 1);
    fillOutlined(p, circle({43.5, 76}, 10), QColor(0xf8, 0xe0, 0x70, 220), 0.6);
    edgedLine(p, {43.5, 24}, {43.5, 48}, Red, 3);
    QPainterPath bent;
    bent.moveTo(43.5, 47);
    bent.lineTo(54, 38);
    bent.lineTo(44, 31);
    edgedLine(p, bent, Red, 3);
    fillOutlined(p, ellipse({43.5, 23}, 2.4, 1.6), Brown, 0.5);
    fillOutlined(p, polygon({{37, 46}, {50, 46}, {52, 68}, {35, 68}}), Blue);
    inkLine(p, {37.5, 52}, {49.5, 52}, 0.6);
    // Arms folded behind his back.
    fillOutlined(p, polygon({{35.5, 66}, {29, 58}, {33, 55}, {37, 62}}), Blue.lighter(120), 0.6);
    fillOutlined(p, polygon({{51.5, 66}, {58, 58}, {54, 55}, {50, 62}}), Blue.lighter(120), 0.6);
    fillOutlined(p, circle({43.5, 74}, 5.2), Skin);
    QPainterPath hair;
    hair.moveTo(38.4, 75.5);
    hair.quadTo(43.5, 77.5, 48.6, 75.5);
    hair.quadTo(48, 81, 43.5, 81.5);
    hair.quadTo(39, 81, 38.4, 75.5);
    fillOutlined(p, hair, Brown, 0.5);
    fillOutlined(p, circle({41.3, 73.8}, 0.8), Ink, 0);
    fillOutlined(p, circle({45.7, 73.8}, 0.8), Ink, 0);
}

void death(QPainter &p)
{
    // The sun rising between two towers far away.
    fillOutlined(p, circle({43.5, 72}, 10), QColor(0xf8, 0xc8, 0x6a));
    for (double x : {22.0, 60.0}) {
        fillOutlined(p, polygon({{x, 72}, {x, 58}, {x + 5, 54}, {x + 10, 58}, {x + 10, 72}}),
                     QColor(0x5a, 0x52, 0x60), 0.6);
    }
    fillOutlined(p, polygon({{-2, 72}, {89, 72}, {89, 78}, {-2, 78}}), QColor(0x4e, 0x6a, 0x8a), 0.6);
    ground(p, 78, W, QColor(0x3c, 0x34, 0x3a));
    // The scythe: a long handle and a curved blade at the top.
    edgedLine(p, {22, 97}, {60, 10}, Wood, 1.8);
    edgedLine(p, {31, 78}, {38, 80}, Wood, 1.4);
    QPainterPath blade;
    blade.moveTo(60, 10);
    blade.cubicTo(46, 2, 24, 6, 8, 24);
    blade.cubicTo(26, 12, 44, 10, 58, 16);
    blade.closeSubpath();
    fillOutlined(p, blade, QColor(0xe0, 0xe4, 0xec));
    // A skull resting on the ground.
    const QPointF s(66, 86);
    fillOutlined(p, polygon({s + QPointF(-4.5, 3), s + QPointF(4.5, 3), s + QPointF(4, 8),
                             s + QPointF(-4, 8)}),
                 White);
    fillOutlined(p, circle(s, 7.5), White);
    fillOutlined(p, circle(s + QPointF(-3, 1), 2.1), Ink, 0);
    fillOutlined(p, circle(s + QPointF(3, 1), 2.1), Ink, 0);
    fillOutlined(p, polygon({s + QPointF(-1, 5), s + QPointF(1, 5), s + QPointF(0, 3.2)}), Ink, 0);
    for (double x : {-2.5, 0.0, 2.5})
        inkLine(p, s + QPointF(x, 6.5), s + QPointF(x, 8), 0.5);
    // A white rose beside it.
    edgedLine(p, {12, 96}, {14, 84}, DarkGreen, 0.9);
    fillOutlined(p, starPath({14, 82}, 4, 2.6, 5), White, 0.6);
    fillOutlined(p, circle({14, 82}, 1.4), Gold, 0.4);
}

void temperance(QPainter &p)
{
    // The path to the far mountains, with a crown of light above them.
    fillOutlined(p, polygon({{40, 66}, {60, 40}, {72, 52}, {80, 44}, {92, 60}, {92, 66}}),
                 QColor(0xa8, 0xb4, 0xd0), 0.6);
    sunburst(p, {68, 30}, 5, 3.5, 10, Gold);
    ground(p, 64, W, Green);
    QPainterPath path;
    path.moveTo(60, 64);
    path.cubicTo(58, 74, 72, 80, 64, 102);
    path.lineTo(80, 102);
    path.cubicTo(84, 82, 64, 74, 63, 64);
    path.closeSubpath();
    fillOutlined(p, path, QColor(0xe6, 0xd2, 0x9a), 0.6);
    fillOutlined(p, ellipse({24, 90}, 22, 8), Water);
    inkLine(p, {14, 89}, {22, 89}, 0.4);
    inkLine(p, {28, 92}, {36, 92}, 0.4);
    // Irises by the pool.
    for (const QPointF &f : {QPointF(48, 80), QPointF(54, 86)}) {
        edgedLine(p, f, f + QPointF(0, 8), DarkGreen, 0.8);
        fillOutlined(p, starPath(f, 3, 1.2, 3), QColor(0xf0, 0xd0, 0x3a), 0.5);
    }
    // Water flowing from the high cup into the low one.
    QPainterPath stream;
    stream.moveTo(31, 27);
    stream.cubicTo(44, 24, 54, 34, 56, 50);
    edgedLine(p, stream, QColor(0x9c, 0xd8, 0xf4), 2.4);
    goblet(p, {22, 42}, 16, Gold);
    goblet(p, {58, 70}, 16, Silver);
}

void devil(QPainter &p)
{
    fillOutlined(p, starPath({43.5, 12}, 8, 3.2, 5, 180), White, 0.5);
    // Bat wings behind him.
    for (int side : {-1, 1}) {
        QPainterPath wing;
        wing.moveTo(43.5 + side * 8, 48);
        wing.cubicTo(43.5 + side * 18, 28, 43.5 + side * 34, 26, 43.5 + side * 42, 32);
        for (int i = 0; i < 3; ++i) {
            const double x0 = 43.5 + side * (42 - i * 10.0);
            const double x1 = 43.5 + side * (32 - i * 10.0);
            wing.quadTo((x0 + x1) / 2, 44 + i * 2.0, x1, 56 - i * 4.0);
        }
        wing.closeSubpath();
        fillOutlined(p, wing, QColor(0x4a, 0x2c, 0x5a));
    }
    // Horns sweeping up from his head.
    for (int side : {-1, 1}) {
        QPainterPath horn;
        horn.moveTo(43.5 + side * 4, 36);
        horn.cubicTo(43.5 + side * 10, 24, 43.5 + side * 20, 24, 43.5 + side * 24, 14);
        horn.cubicTo(43.5 + side * 20, 32, 43.5 + side * 16, 34, 43.5 + side * 11, 40);
        horn.closeSubpath();
        fillOutlined(p, horn, QColor(0xe6, 0xdc, 0xc0));
    }
    // The head, narrowing to a pointed beard.
    QPainterPath head;
    head.moveTo(31, 38);
    head.cubicTo(32, 30, 55, 30, 56, 38);
    head.cubicTo(56, 50, 50, 58, 43.5, 66);
    head.cubicTo(37, 58, 31, 50, 31, 38);
    fillOutlined(p, head, QColor(0xa8, 0x34, 0x2c));
    for (int side : {-1, 1}) {
        fillOutlined(p, polygon({{43.5 + side * 2.5, 43}, {43.5 + side * 10, 40}, {43.5 + side * 9, 45}}),
                     QColor(0xff, 0xd8, 0x40), 0.6);
        fillOutlined(p, polygon({{43.5 + side * 12, 38}, {43.5 + side * 18, 34}, {43.5 + side * 13, 42}}),
                     QColor(0xa8, 0x34, 0x2c), 0.6);
    }
    QPainterPath mouth;
    mouth.moveTo(37.5, 51);
    mouth.quadTo(43.5, 55, 49.5, 51);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Ink, 1, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(mouth);
    // The black block with the chains hanging from its ring.
    ground(p, 92, W, QColor(0x30, 0x24, 0x28));
    fillOutlined(p, polygon({{24, 74}, {63, 74}, {65, 93}, {22, 93}}), QColor(0x1c, 0x18, 0x1c));
    fillOutlined(p, circle({43.5, 80}, 3).subtracted(circle({43.5, 80}, 1.6)), Stone, 0.5);
    for (int side : {-1, 1}) {
        for (int i = 0; i < 5; ++i) {
            const QPointF link(43.5 + side * (5 + i * 7.0), 83 + i * 3.4);
            p.setPen(QPen(Stone, 0.9));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(link, 2.4, 1.5);
        }
    }
}

void tower(QPainter &p)
{
    // The rock it stands on.
    fillOutlined(p, polygon({{-2, 102}, {-2, 92}, {18, 82}, {30, 84}, {43, 76}, {58, 84},
                             {72, 80}, {90, 94}, {90, 102}}),
                 QColor(0x6a, 0x60, 0x6c));
    // The tower, narrowing upwards, its bricks and burning windows.
    const QColor brick(0xb6, 0xae, 0xa4);
    fillOutlined(p, polygon({{28, 84}, {58, 84}, {53, 30}, {33, 30}}), brick);
    p.setPen(QPen(brick.darker(130), 0.4));
    for (double y = 36; y < 84; y += 6)
        p.drawLine(QPointF(33 - (y - 30) * 0.09, y), QPointF(53 + (y - 30) * 0.09, y));
    fillOutlined(p, polygon({{31, 30}, {55, 30}, {55, 25}, {31, 25}}), brick.lighter(108));
    for (double x = 31; x < 55; x += 6)
        fillOutlined(p, polygon({{x, 25}, {x + 3.4, 25}, {x + 3.4, 21.5}, {x, 21.5}}), brick.lighter(108), 0.6);
    for (const QPointF &w : {QPointF(37, 44), QPointF(49, 44), QPointF(43, 62)}) {
        fillOutlined(p, polygon({w + QPointF(-2.4, 5), w + QPointF(2.4, 5), w + QPointF(2.4, -1.5),
                                 w + QPointF(0, -3.5), w + QPointF(-2.4, -1.5)}),
                     QColor(0xfc, 0xd4, 0x50), 0.6);
        flame(p, w + QPointF(0, -3), 7, 1.5);
    }
    fillOutlined(p, polygon({{40, 84}, {46, 84}, {46, 76}, {43, 73}, {40, 76}}), Ink, 0);
    flame(p, {36, 22}, 9, -2);
    flame(p, {48, 22}, 8, 2);
    // The crown struck off its top.
    p.save();
    p.translate(66, 16);
    p.rotate(32);
    fillOutlined(p, polygon({{-7, 4}, {-8, -4}, {-3.5, 0}, {0, -6}, {3.5, 0}, {8, -4}, {7, 4}}), Gold);
    p.restore();
    // The lightning.
    fillOutlined(p, polygon({{-2, 0}, {8, 0}, {16, 12}, {13, 13}, {26, 22}, {22, 23}, {40, 34},
                             {17, 26}, {20, 25}, {8, 16}, {11, 15}}),
                 QColor(0xfc, 0xf0, 0x6c));
    // Sparks falling on both sides.
    for (const QPointF &s : {QPointF(14, 44), QPointF(20, 60), QPointF(10, 70), QPointF(70, 40),
                             QPointF(66, 58), QPointF(76, 66)})
        fillOutlined(p, polygon({s + QPointF(-1.2, 0), s + QPointF(0, -3.2), s + QPointF(1.2, 0),
                                 s + QPointF(0, 1.4)}),
                     QColor(0xfc, 0xd4, 0x50), 0.4);
}

void star(QPainter &p)
{
    glow(p, {43.5, 22}, 22, QColor(0xff, 0xf6, 0xc0, 170));
    fillOutlined(p, starPath({43.5, 22}, 17, 6.5, 8), QColor(0xfc, 0xe0, 0x5c));
    for (const QPointF &s : {QPointF(11, 10), QPointF(76, 10), QPointF(8, 32), QPointF(79, 32),
                             QPointF(18, 50), QPointF(69, 50), QPointF(43.5, 50)})
        fillOutlined(p, starPath(s, 4.5, 1.7, 8), White, 0.5);
    hill(p, -20, 60, 54, 80, QColor(0x3c, 0x6a, 0x5a));
    hill(p, 30, 110, 50, 80, QColor(0x46, 0x7a, 0x62));
    ground(p, 78, W, QColor(0x4e, 0x86, 0x5a));
    fillOutlined(p, ellipse({30, 92}, 32, 9), Water);
    // A pitcher pouring into the pool.
    QPainterPath stream;
    stream.moveTo(58, 66);
    stream.cubicTo(50, 66, 46, 76, 44, 88);
    edgedLine(p, stream, QColor(0xa4, 0xdc, 0xf8), 1.6);
    p.save();
    p.translate(64, 70);
    p.rotate(-40);
    QPainterPath jug;
    jug.moveTo(-4, -8);
    jug.lineTo(4, -8);
    jug.cubicTo(9, -2, 9, 6, 4, 9);
    jug.lineTo(-4, 9);
    jug.cubicTo(-9, 6, -9, -2, -4, -8);
    jug.closeSubpath();
    fillOutlined(p, jug, QColor(0xd8, 0x8a, 0x4a));
    fillOutlined(p, polygon({{-5, -8}, {5, -8}, {5, -10}, {-5, -10}}), QColor(0xd8, 0x8a, 0x4a), 0.6);
    p.restore();
    // The bird on its tree.
    edgedLine(p, {80, 78}, {80, 60}, Brown, 1.2);
    fillOutlined(p, ellipse({80, 58}, 6, 4.5), DarkGreen, 0.6);
    fillOutlined(p, ellipse({79, 53.5}, 2.4, 1.6), Ink, 0);
}

void moon(QPainter &p)
{
    // The moon, full, with the crescent's face in it, and the dew falling.
    glow(p, {43.5, 24}, 24, QColor(0xf8, 0xf0, 0xc0, 150));
    sunburst(p, {43.5, 24}, 13, 5, 16, QColor(0xf4, 0xe6, 0x9a));
    fillOutlined(p, crescent({43.5, 24}, 12, {48.5, 22}, 11), QColor(0xd8, 0xc0, 0x60), 0);
    fillOutlined(p, ellipse({41, 22}, 1.4, 1), Ink, 0);
    for (const QPointF &d : {QPointF(26, 44), QPointF(36, 48), QPointF(50, 47), QPointF(62, 43), QPointF(43.5, 54)})
        fillOutlined(p, polygon({d + QPointF(-1.4, 0), d + QPointF(0, -3), d + QPointF(1.4, 0),
                                 d + QPointF(0, 1.6)}),
                     QColor(0xfc, 0xe8, 0x8c), 0.4);
    // Two towers, a path between the hills, and the pool at the front.
    hill(p, -10, 100, 58, 88, QColor(0x4a, 0x6a, 0x5c));
    ground(p, 84, W, QColor(0x3e, 0x62, 0x4a));
    for (double x : {3.0, 70.0}) {
        fillOutlined(p, polygon({{x, 80}, {x, 48}, {x + 14, 48}, {x + 14, 80}}), Stone);
        for (double b = x; b < x + 14; b += 4.7)
            fillOutlined(p, polygon({{b, 48}, {b + 2.6, 48}, {b + 2.6, 45}, {b, 45}}), Stone, 0.5);
        fillOutlined(p, polygon({{x + 5, 60}, {x + 9, 60}, {x + 9, 55}, {x + 7, 53.5}, {x + 5, 55}}),
                     QColor(0xfc, 0xe8, 0x8c), 0.5);
    }
    QPainterPath path;
    path.moveTo(42, 64);
    path.cubicTo(38, 72, 52, 76, 44, 90);
    path.lineTo(52, 90);
    path.cubicTo(58, 76, 44, 72, 44.5, 64);
    path.closeSubpath();
    fillOutlined(p, path, QColor(0xd6, 0xc8, 0x9a), 0.6);
    fillOutlined(p, ellipse({43.5, 97}, 40, 8), QColor(0x2c, 0x4c, 0x86));
    // The crayfish crawling out of it.
    fillOutlined(p, ellipse({43.5, 94}, 3, 4.5), QColor(0xe0, 0x6a, 0x3a), 0.6);
    for (int side : {-1, 1})
        fillOutlined(p, ellipse({43.5 + side * 4.5, 88.5}, 1.6, 2.6), QColor(0xe0, 0x6a, 0x3a), 0.5);
}

void sun(QPainter &p)
{
    sunburst(p, {43.5, 30}, 16, 10, 16, QColor(0xfc, 0xc6, 0x3a));
    for (int side : {-1, 1})
        fillOutlined(p, circle({43.5 + side * 5.5, 27}, 1.6), Ink, 0);
    QPainterPath smile;
    smile.moveTo(37, 34);
    smile.quadTo(43.5, 40, 50, 34);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Ink, 1, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(smile);
    for (int side : {-1, 1})
        fillOutlined(p, circle({43.5 + side * 10, 33}, 2.2), QColor(0xf2, 0x8a, 0x50, 160), 0);
    // Sunflowers leaning over a brick wall.
    for (int i = 0; i < 4; ++i)
        sunflower(p, {12 + i * 21.0, 74}, 12 + (i % 2) * 4);
    fillOutlined(p, polygon({{-2, 72}, {89, 72}, {89, 88}, {-2, 88}}), QColor(0xcc, 0x9a, 0x6a));
    p.setPen(QPen(QColor(0x96, 0x66, 0x44), 0.5));
    for (double y = 76; y < 88; y += 4) {
        p.drawLine(QPointF(-2, y), QPointF(89, y));
        const double shift = static_cast<int>(y) % 8 ? 0 : 4;
        for (double x = shift; x < 89; x += 8)
            p.drawLine(QPointF(x, y - 4), QPointF(x, y));
    }
    ground(p, 88, W, Green);
    grassTufts(p, 97, 5, 85, 8);
}

void judgement(QPainter &p)
{
    // The sea and the icy mountains at its sides.
    fillOutlined(p, polygon({{-2, 84}, {-2, 52}, {8, 46}, {18, 70}, {24, 84}}), QColor(0xe8, 0xee, 0xf4), 0.6);
    fillOutlined(p, polygon({{89, 84}, {89, 48}, {80, 44}, {66, 72}, {62, 84}}), QColor(0xe8, 0xee, 0xf4), 0.6);
    ground(p, 80, W, QColor(0x4a, 0x7a, 0xb4));
    // Three figures rising from their coffins, arms raised.
    for (int i = 0; i < 3; ++i) {
        const double x = 20 + i * 23.5;
        const double y = 76 + (i == 1 ? 2 : 0);
        inkLine(p, {x - 2.5, y + 4}, {x - 6, y - 4}, 1.2);
        inkLine(p, {x + 2.5, y + 4}, {x + 6, y - 4}, 1.2);
        fillOutlined(p, polygon({{x - 3.5, y + 3}, {x + 3.5, y + 3}, {x + 4, y + 14}, {x - 4, y + 14}}),
                     QColor(0xb4, 0xbc, 0xc8));
        fillOutlined(p, circle({x, y}, 3), QColor(0xb4, 0xbc, 0xc8));
        fillOutlined(p, polygon({{x - 9, y + 12}, {x + 9, y + 12}, {x + 8, y + 18}, {x - 8, y + 18}}), Brown);
    }
    // The clouds and the angel's trumpet blowing down from them.
    cloud(p, {16, 24}, 34, White);
    cloud(p, {52, 20}, 34, White);
    cloud(p, {80, 24}, 26, QColor(0xec, 0xf0, 0xf6));
    QPainterPath bell;
    bell.moveTo(52, 50);
    bell.cubicTo(56, 52, 62, 54, 66, 60);
    bell.lineTo(58, 64);
    bell.cubicTo(56, 58, 53, 54, 50, 52);
    bell.closeSubpath();
    edgedLine(p, {26, 22}, {51, 51}, Gold, 1.8);
    fillOutlined(p, bell, Gold);
    // The banner with its cross.
    fillOutlined(p, polygon({{36, 34}, {44, 43}, {36, 52}, {28, 43}}), White, 0.6);
    fillOutlined(p, polygon({{38.5, 37}, {41, 39.5}, {34, 47.5}, {31, 45}}), Red, 0);
    fillOutlined(p, polygon({{31, 40.5}, {33.5, 38}, {41, 45.5}, {38.5, 48}}), Red, 0);
}

void world(QPainter &p)
{
    for (const QPointF &c : {QPointF(10, 12), QPointF(77, 12)})
        fillOutlined(p, starPath(c, 4, 1.5, 8), White, 0.5);
    cloud(p, {11, 98}, 22, White);
    cloud(p, {76, 98}, 22, White);
    // The wreath: two laurel branches that rise from the bow at the bottom
    // and meet at the top.
    const QPointF c(43.5, 50);
    const double rx = 27, ry = 39;
    fillOutlined(p, ellipse(c, rx, ry).subtracted(ellipse(c, rx - 3, ry - 3)), DarkGreen, 0.6);
    for (int side : {-1, 1}) {
        for (int i = 0; i < 11; ++i) {
            const double t = (10 + i * 15.5) * std::numbers::pi / 180;
            const QPointF at(c.x() + side * rx * std::sin(t) * 0.96, c.y() + ry * std::cos(t) * 0.96);
            const double heading = std::atan2(-ry * std::sin(t), side * rx * std::cos(t)) * 180 / std::numbers::pi;
            for (int outer : {-1, 1}) {
                p.save();
                p.translate(at);
                p.rotate(heading + outer * 35);
                fillOutlined(p, ellipse({3.2, 0}, 3.4, 1.4), Green, 0.45);
                p.restore();
            }
        }
    }
    for (int side : {-1, 1})
        fillOutlined(p, polygon({{43.5, 89}, {43.5 + side * 9, 84}, {43.5 + side * 10, 94}}), Red);
    for (int side : {-1, 1})
        fillOutlined(p, polygon({{43.5, 90}, {43.5 + side * 4, 100}, {43.5 + side * 7, 98}}), Red, 0.6);
    fillOutlined(p, circle({43.5, 89.5}, 2.2), Red, 0.6);
    // The dancer, one leg crossed behind the other, a wand in each hand.
    inkLine(p, {43.5, 60}, {41, 78}, 1.6);
    QPainterPath leg;
    leg.moveTo(45, 60);
    leg.lineTo(50, 68);
    leg.lineTo(42.5, 72);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(leg);
    fillOutlined(p, polygon({{39, 32}, {48, 32}, {50, 61}, {37, 61}}), Skin);
    QPainterPath sash;
    sash.moveTo(47, 30);
    sash.cubicTo(30, 40, 58, 50, 36, 62);
    sash.lineTo(42, 64);
    sash.cubicTo(60, 50, 34, 42, 50, 32);
    sash.closeSubpath();
    fillOutlined(p, sash, Purple, 0.6);
    inkLine(p, {39.5, 34}, {30, 44}, 1.2);
    inkLine(p, {47.5, 34}, {57, 42}, 1.2);
    edgedLine(p, {29, 38}, {31, 50}, Gold, 1);
    edgedLine(p, {58, 36}, {56, 48}, Gold, 1);
    fillOutlined(p, circle({43.5, 27}, 4.5), Skin);
    fillOutlined(p, ellipse({43.5, 24.5}, 4.8, 2.6), Brown, 0.5);
}

} // namespace Emblems
