#include "framecachestyle.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QStyleOptionFrame>

#include <cstdlib>

namespace {

// A line edit's frame as a style draws it at rect on a grey canvas of the
// given scale.
QImage frameDrawn(const QStyle &style, const QStyleOptionFrame &frame, qreal ratio)
{
    QImage canvas(QSize(160, 40) * ratio, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(qRgb(200, 200, 200));
    QPainter painter(&canvas);
    style.drawPrimitive(QStyle::PE_FrameLineEdit, &frame, &painter);
    return canvas;
}

// The largest difference in any channel of any pixel.
int largestDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return largest;
}

} // namespace

// A copied frame looks as the style draws it, in whatever state, place, size
// and scale it is asked for next: a copy is never taken for another look.
TEST(FrameCacheStyle, CopiesLookAsTheStyleDrawsThem)
{
    const struct
    {
        const char *what;
        QRect rect;
        QStyle::State state;
        qreal ratio;
    } frames[] = {
        {"plain", {0, 0, 121, 21}, QStyle::State_Enabled, 1},
        {"moved", {17, 9, 121, 21}, QStyle::State_Enabled, 1},
        {"focused", {17, 9, 121, 21}, QStyle::State_Enabled | QStyle::State_HasFocus, 1},
        {"disabled", {17, 9, 121, 21}, QStyle::State_None, 1},
        {"smaller", {3, 4, 60, 15}, QStyle::State_Enabled, 1},
        {"twice the scale", {17, 9, 121, 21}, QStyle::State_Enabled, 2},
        {"plain again", {0, 0, 121, 21}, QStyle::State_Enabled, 1},
    };
    FrameCacheStyle cached;
    for (const auto &f : frames) {
        SCOPED_TRACE(f.what);
        QStyleOptionFrame frame;
        frame.rect = f.rect;
        frame.state = f.state;
        frame.palette = QApplication::palette();
        frame.lineWidth = 1;
        const QImage drawn = frameDrawn(*QApplication::style(), frame, f.ratio);
        ASSERT_NE(drawn, frameDrawn(*QApplication::style(), QStyleOptionFrame(), f.ratio)) << "a frame shows";
        EXPECT_LE(largestDifference(frameDrawn(cached, frame, f.ratio), drawn), 1);
    }
}
