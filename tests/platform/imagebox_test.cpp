#include "imagebox.h"

#include "testpictures.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <malloc.h>

namespace {

constexpr QRgb Backdrop = 0xFFFF00FF;

Bitmap patternBitmap(int width, int height)
{
    return toBitmap(testPattern(width, height), PixelFormat::Rgb24);
}

// What the box itself paints (no background) over a backdrop of its size.
QImage rendered(ImageBox &box)
{
    QImage canvas(box.size(), QImage::Format_RGB32);
    canvas.fill(Backdrop);
    box.render(&canvas, QPoint(), QRegion(), QWidget::RenderFlags());
    return canvas;
}

} // namespace

TEST(ImageBox, ShowsNothingUntilItHasAPicture)
{
    QWidget window;
    auto *box = new ImageBox(&window);
    box->setGeometry(5, 6, 12, 8);
    EXPECT_EQ(box->picture(), nullptr);
    EXPECT_FALSE(box->autoSize());
    const QImage canvas = rendered(*box);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            ASSERT_EQ(canvas.pixel(x, y), Backdrop);
}

TEST(ImageBox, PaintsItsPictureAtTheTopLeftUnscaled)
{
    QWidget window;
    auto *box = new ImageBox(&window);
    box->setGeometry(5, 6, 30, 20);
    const Bitmap picture = patternBitmap(17, 11);
    box->setPicture(picture);
    EXPECT_EQ(box->size(), QSize(30, 20)); // auto-size is off
    const QImage canvas = rendered(*box);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(canvas.pixel(x, y), x < 17 && y < 11 ? 0xFF000000 | picture.pixel(x, y) : Backdrop)
                << x << "," << y;

    // A box smaller than its picture shows the top-left part of it.
    box->resize(4, 3);
    const QImage part = rendered(*box);
    EXPECT_EQ(part.pixel(3, 2), 0xFF000000 | picture.pixel(3, 2));
}

TEST(ImageBox, KeepsItsOwnCopyOfThePicture)
{
    ImageBox box;
    Bitmap picture = patternBitmap(6, 4);
    const Bitmap original = picture;
    box.setPicture(picture);
    picture.setPixel(0, 0, 0x000000);
    picture.setSize(1, 1);
    ASSERT_NE(box.picture(), nullptr);
    EXPECT_TRUE(samePixels(*box.picture(), original));

    box.setPicture(patternBitmap(3, 3)); // a moved-in picture replaces it
    EXPECT_EQ(box.picture()->width(), 3);
}

TEST(ImageBox, AutoSizeTakesThePictureSizeAtTheSameLeftAndTop)
{
    QWidget window;
    auto *box = new ImageBox(&window);
    box->setGeometry(11, 13, 40, 40);
    box->setAutoSize(true);
    EXPECT_EQ(box->geometry(), QRect(11, 13, 40, 40)); // nothing to size by yet
    box->setPicture(patternBitmap(105, 153));
    EXPECT_EQ(box->geometry(), QRect(11, 13, 105, 153));

    // An empty picture leaves the size as it is.
    box->setPicture(Bitmap());
    EXPECT_EQ(box->geometry(), QRect(11, 13, 105, 153));
    box->setPicture(Bitmap(0, 7, PixelFormat::Rgb24));
    EXPECT_EQ(box->geometry(), QRect(11, 13, 105, 153));

    // Off, the box keeps its size; switched on, it fits the picture at once.
    box->setAutoSize(false);
    box->setPicture(patternBitmap(20, 30));
    EXPECT_EQ(box->size(), QSize(105, 153));
    box->setAutoSize(true);
    EXPECT_EQ(box->geometry(), QRect(11, 13, 20, 30));
}

TEST(ImageBox, IsAGraphicToAssistiveTechnology)
{
    QWidget window;
    window.setGeometry(100, 120, 300, 300);
    auto *box = new ImageBox(&window);
    box->setGeometry(10, 20, 30, 40);
    box->setAccessibleName(QStringLiteral("恋人"));
    box->setPicture(patternBitmap(30, 40));
    window.show();

    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(box);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Graphic);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("恋人"));
    EXPECT_EQ(accessible->rect(), QRect(box->mapToGlobal(QPoint(0, 0)), QSize(30, 40)));
    ASSERT_NE(accessible->imageInterface(), nullptr);
    EXPECT_EQ(accessible->imageInterface()->imageSize(), QSize(30, 40));
    EXPECT_FALSE(accessible->state().invisible);
    box->hide();
    EXPECT_TRUE(accessible->state().invisible);
}

TEST(ImageBox, PaintsPicturesOfEveryFormatAndAlwaysTheLatest)
{
    const PixelFormat formats[] = {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8,
                                   PixelFormat::Rgb565,   PixelFormat::Rgb24,    PixelFormat::Rgb32,
                                   PixelFormat::Device};
    QWidget window;
    auto *box = new ImageBox(&window);
    box->setAutoSize(true);
    for (PixelFormat format : formats) {
        SCOPED_TRACE(bitsPerPixel(format));
        // Each picture replaces one that has been painted already, of the
        // same size and format, so a picture painted before cannot pass.
        for (const QImage &pattern : {testPattern(13, 9), testPattern(13, 9).mirrored(true, true)}) {
            const Bitmap picture = toBitmap(pattern, format);
            box->setPicture(picture);
            const QImage canvas = rendered(*box);
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 13; ++x)
                    ASSERT_EQ(canvas.pixel(x, y), 0xFF000000 | picture.pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(ImageBox, PaintsFromThePicturesOwnMemory)
{
    // Two thousand pixels square: a copy in the screen's 32 bits would take
    // 16 MB; what a paint may take for itself is a band of rows at most.
    for (PixelFormat format : {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8,
                               PixelFormat::Rgb565, PixelFormat::Rgb24}) {
        SCOPED_TRACE(bitsPerPixel(format));
        ImageBox box;
        box.setAutoSize(true);
        box.setPicture(Bitmap(2000, 2000, format));
        QImage canvas(box.size(), QImage::Format_RGB32);
        const size_t before = mallinfo2().uordblks;
        box.render(&canvas, QPoint(), QRegion(), QWidget::RenderFlags());
        const size_t after = mallinfo2().uordblks;
        EXPECT_LT(after > before ? after - before : 0, size_t{1} << 20);
        EXPECT_EQ(canvas.pixel(1999, 1999), 0xFFFFFFFFu);
    }
}

TEST(ImageBox, BlendsPixelsAtFractionalScalesAndKeepsThemSquareAtWholeOnes)
{
    const QImage pattern = testPattern(13, 9);
    ImageBox box;
    box.setAutoSize(true);
    box.setPicture(toBitmap(pattern, PixelFormat::Rgb24));
    const auto renderedAt = [&](qreal scale) {
        QImage canvas((QSizeF(box.size()) * scale).toSize(), QImage::Format_RGB32);
        canvas.setDevicePixelRatio(scale);
        canvas.fill(Backdrop);
        box.render(&canvas, QPoint(), QRegion(), QWidget::RenderFlags());
        return canvas;
    };
    const auto drawnAt = [&](qreal scale, bool smooth) {
        QImage canvas((QSizeF(box.size()) * scale).toSize(), QImage::Format_RGB32);
        canvas.setDevicePixelRatio(scale);
        canvas.fill(Backdrop);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        painter.drawImage(0, 0, pattern.convertToFormat(QImage::Format_RGB32));
        return canvas;
    };
    for (qreal scale : {1.25, 1.5}) {
        EXPECT_EQ(renderedAt(scale), drawnAt(scale, true)) << scale;
        EXPECT_NE(renderedAt(scale), drawnAt(scale, false)) << scale;
    }
    const QImage doubled = renderedAt(2);
    for (int y = 0; y < doubled.height(); ++y)
        for (int x = 0; x < doubled.width(); ++x)
            ASSERT_EQ(doubled.pixel(x, y), pattern.pixel(x / 2, y / 2)) << x << "," << y;
}

TEST(ImageBox, ShowsWhatLiesBeneathWhereItsPictureDoesNotReach)
{
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette colours = window.palette();
    colours.setColor(QPalette::Window, QColor::fromRgb(Backdrop));
    window.setPalette(colours);
    window.resize(30, 20);
    auto *box = new ImageBox(&window);
    box->setGeometry(0, 0, 30, 20);
    box->setPicture(patternBitmap(30, 20)); // covers the box
    window.show();
    for (int i = 0; i < 100 && !(window.windowHandle() && window.windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents();
    ASSERT_TRUE(window.windowHandle()->isExposed());
    // What the window shows on the screen, painted as the screen is: a
    // box that hid what lies beneath it after its picture left some of it
    // bare would show the earlier picture there.
    const auto shown = [&] {
        window.repaint();
        return window.screen()->grabWindow(window.winId()).toImage();
    };
    EXPECT_EQ(shown().pixel(29, 19), 0xFF000000 | box->picture()->pixel(29, 19));
    box->setPicture(patternBitmap(17, 11));
    const QImage screen = shown();
    EXPECT_EQ(screen.pixel(3, 2), 0xFF000000 | box->picture()->pixel(3, 2));
    EXPECT_EQ(screen.pixel(29, 19), Backdrop);
    EXPECT_EQ(screen.pixel(16, 15), Backdrop);
}
