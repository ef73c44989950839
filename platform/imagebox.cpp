#include "imagebox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

namespace {

// Assistive technology sees the box as a graphic, with the picture's size.
class ImageBoxAccessible : public QAccessibleWidget, public QAccessibleImageInterface
{
public:
    explicit ImageBoxAccessible(ImageBox *box) : QAccessibleWidget(box, QAccessible::Graphic) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ImageInterface)
            return static_cast<QAccessibleImageInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString imageDescription() const override { return text(QAccessible::Name); }

    QSize imageSize() const override
    {
        const Bitmap *picture = static_cast<const ImageBox *>(widget())->picture();
        return picture ? QSize(picture->width(), picture->height()) : QSize();
    }

    QPoint imagePosition() const override { return rect().topLeft(); }
};

// The picture in the screen's own 32-bit format, so that no paint converts
// it: a 32-bit picture is shown from its own memory, any other is converted
// once, row by row through its colours.
QImage screenImage(const Bitmap &picture)
{
    if (picture.isEmpty())
        return QImage();
    if (bitsPerPixel(picture.pixelFormat()) == 32)
        return picture.view();
    QImage image(picture.width(), picture.height(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        picture.readPixels(0, y, picture.width(), row);
        for (int x = 0; x < picture.width(); ++x)
            row[x] |= 0xFF000000u;
    }
    return image;
}

QAccessibleInterface *accessibleImageBox(const QString &className, QObject *object)
{
    if (className == QLatin1String(ImageBox::staticMetaObject.className()) && object
        && object->isWidgetType())
        return new ImageBoxAccessible(static_cast<ImageBox *>(object));
    return nullptr;
}

} // namespace

ImageBox::ImageBox(QWidget *parent) : QWidget(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleImageBox);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
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
    m_shown = QImage(); // it may lie over the memory of the picture replaced now
    m_picture = std::move(picture);
    pictureChanged();
}

QSize ImageBox::sizeHint() const
{
    return m_picture && !m_picture->isEmpty() ? QSize(m_picture->width(), m_picture->height())
                                              : QWidget::sizeHint();
}

void ImageBox::paintEvent(QPaintEvent *)
{
    // Made at the first paint after a change, so that a box that is never
    // seen never converts its picture.
    if (m_shown.isNull() && m_picture)
        m_shown = screenImage(*m_picture);
    if (m_shown.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_shown);
}

void ImageBox::pictureChanged()
{
    fitToPicture();
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
