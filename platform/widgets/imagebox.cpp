#include "imagebox.h"

#include "accessiblewith.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Assistive technology sees the box as a graphic, with the picture's size.
class ImageBoxAccessible : public AccessibleWidgetWith<QAccessibleImageInterface, QAccessible::ImageInterface>
{
public:
    explicit ImageBoxAccessible(ImageBox *box) : AccessibleWidgetWith(box, QAccessible::Graphic) {}

    QString imageDescription() const override { return text(QAccessible::Name); }

    QSize imageSize() const override
    {
        const Bitmap *picture = static_cast<const ImageBox *>(widget())->picture();
        return picture ? QSize(picture->width(), picture->height()) : QSize();
    }

    QPoint imagePosition() const override { return rect().topLeft(); }
};

// Rows of a 4-bit picture widened for the screen at a time.
constexpr int BandRows = 64;

} // namespace

ImageBox::ImageBox(QWidget *parent) : QWidget(parent)
{
    installAccessibleFactory<ImageBox, ImageBoxAccessible>();
}

void ImageBox::setAutoSize(bool on)
{
    m_autoSize = on;
    fitToPicture();
}

void ImageBox::setPicture(const Bitmap &picture)
{
    setPicture(Bitmap(picture));
}

void ImageBox::setPicture(Bitmap &&picture)
{
    m_view = QImage(); // it lies over the memory of the picture replaced now
    m_picture = std::move(picture);
    m_view = m_picture->view();
    pictureChanged();
}

void ImageBox::clearPicture()
{
    m_view = QImage();
    m_picture.reset();
    pictureChanged();
}

QSize ImageBox::sizeHint() const
{
    return m_picture && !m_picture->isEmpty() ? QSize(m_picture->width(), m_picture->height())
                                              : QWidget::sizeHint();
}

void ImageBox::paintEvent(QPaintEvent *event)
{
    if (!m_picture || m_picture->isEmpty())
        return;
    QPainter painter(this);
    // At a whole scale factor every pixel of the picture is a square of
    // screen pixels, exactly; at a fractional one screen pixels fall across
    // picture pixels, and blending them keeps edges from turning jagged.
    const qreal scale = painter.deviceTransform().m11();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, scale != std::floor(scale));
    if (!m_view.isNull())
        painter.drawImage(0, 0, m_view); // the painter's clip keeps it to what is exposed
    else
        paintInBands(painter, event->rect());
}

// Qt has no 4-bit format: the exposed rows are widened a band at a time,
// each with a row more on either side, so that where bands meet a blended
// edge sees the same neighbours as anywhere else.
void ImageBox::paintInBands(QPainter &painter, const QRect &exposed) const
{
    const Bitmap &picture = *m_picture;
    const int bottom = std::min(picture.height(), exposed.bottom() + 1);
    for (int first = std::max(0, exposed.top()); first < bottom; first += BandRows) {
        const int from = std::max(0, first - 1);
        const int to = std::min(picture.height(), first + BandRows + 1);
        PixelReservation room;
        if (!PixelReservation::tryTake(size_t(picture.width()) * size_t(to - from), room))
            return; // the pictures hold the whole budget: the rest stays unpainted
        const QImage band = picture.rowsToQImage(from, to - from);
        if (band.isNull())
            return;
        painter.save();
        painter.setClipRect(0, first, picture.width(), std::min(BandRows, bottom - first), Qt::IntersectClip);
        painter.drawImage(0, from, band);
        painter.restore();
    }
}

void ImageBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateOpaque();
}

// A picture that covers the whole box paints every pixel of it: what lies
// beneath the box need not be painted first. Bitmaps have no transparency.
void ImageBox::updateOpaque()
{
    const bool covers = !m_view.isNull() && m_view.width() >= width() && m_view.height() >= height();
    setAttribute(Qt::WA_OpaquePaintEvent, covers);
}

void ImageBox::pictureChanged()
{
    fitToPicture();
    updateOpaque();
    update();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::VisibleDataChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void ImageBox::fitToPicture()
{
    if (m_autoSize && m_picture && !m_picture->isEmpty())
        resize(m_picture->width(), m_picture->height());
}
