#include "picturewall.h"

#include <QPaintEvent>
#include <QPainter>

PictureWall::PictureWall()
{
    setAttribute(Qt::WA_OpaquePaintEvent); // the pictures cover what is repainted
    resize(700, 880);
    show();
}

void PictureWall::showPictures(std::vector<DecodedPicture> pictures, int count)
{
    m_frames.runUntilShown([&] {
        m_pictures = std::move(pictures);
        m_count = count;
        for (int k = 0; k < m_count; ++k)
            update(place(k));
    });
}

QRect PictureWall::place(int k) const
{
    // Six a row, each in a cell of the first picture's size and a margin.
    const DecodedPicture &first = m_pictures.front();
    const int left = (k % 6) * (first.width + 10), top = (k / 6) * (first.height + 10);
    const DecodedPicture &picture = m_pictures[size_t(k)];
    return QRect(left, top, picture.width, picture.height);
}

void PictureWall::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    for (int k = 0; k < m_count; ++k) {
        const QRect rect = place(k);
        if (!event->region().intersects(rect))
            continue;
        const DecodedPicture &picture = m_pictures[size_t(k)];
        const QImage view(picture.pixels(), picture.width, picture.height, qsizetype(picture.bytesPerLine),
                          picture.bytesPerPixel == 3 ? QImage::Format_RGB888 : QImage::Format_RGB32);
        // One rectangle at a time: within a clip of several rectangles the
        // raster engine blends span by span, several times slower than the
        // straight copy it makes inside one.
        painter.setClipRect(rect);
        painter.drawImage(rect.topLeft(), view);
    }
}
