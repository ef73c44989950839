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
    // The screen's own format costs no conversion per paint. A 32-bit
    // picture is shown from its own memory; any other is converted once, at
    // its first paint, so that a box that is never seen never converts.
    if (m_shown.isNull() && m_picture) {
        m_shown = m_picture->view();
        if (m_shown.isNull())
            m_shown = m_picture->toQImage();
        if (m_shown.format() != QImage::Format_RGB32)
            m_shown = m_shown.convertToFormat(QImage::Format_RGB32);
    }
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
