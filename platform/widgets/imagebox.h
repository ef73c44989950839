#pragma once

// A control that shows a picture at (0, 0) at its own size, never scaled
// beyond the screen's own scale factor. It paints straight from the
// picture's memory: no copy of the picture is made for the screen.
// With auto-size on, a picture of at least one pixel each way gives the box
// its size, at the same left and top. Putting a bitmap into it copies it.
// Assistive technology sees it as a graphic; callers give it its name with
// setAccessibleName().

#include "bitmap.h"

#include <QWidget>

#include <optional>

class ImageBox : public QWidget
{
    Q_OBJECT

public:
    explicit ImageBox(QWidget *parent = nullptr);

    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);

    // The box's bitmap, or nullptr when it shows nothing.
    const Bitmap *picture() const { return m_picture ? &*m_picture : nullptr; }
    void setPicture(const Bitmap &picture);
    void setPicture(Bitmap &&picture);
    // Shows nothing again, keeping its size.
    void clearPicture();
    // What its picture takes of the pixel budget, which is room for the
    // picture that replaces it (LoadOrder::turnOf).
    size_t pictureBytes() const { return m_picture ? m_picture->budgetBytes() : 0; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void pictureChanged();
    void fitToPicture();
    void updateOpaque();
    void paintInBands(QPainter &painter, const QRect &exposed) const;

    bool m_autoSize = false;
    std::optional<Bitmap> m_picture;
    QImage m_view; // the picture over its own memory, null for a 4-bit one
};
