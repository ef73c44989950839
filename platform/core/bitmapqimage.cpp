// A bitmap as Qt's image, apart from the rest of bitmap.h so that the core
// links no Qt library.

#include "bitmap.h"

#include <QImage>

namespace {

QImage::Format qtFormat(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Indexed1: return QImage::Format_Mono;
    case PixelFormat::Indexed4: return QImage::Format_Invalid; // Qt has no 4-bit format
    case PixelFormat::Indexed8: return QImage::Format_Indexed8;
    case PixelFormat::Rgb565: return QImage::Format_RGB16;
    case PixelFormat::Rgb24: return QImage::Format_RGB888;
    case PixelFormat::Rgb32:
    case PixelFormat::Device: return QImage::Format_RGB32;
    }
    return QImage::Format_Invalid;
}

QList<QRgb> colourTable(const std::vector<Rgb> &palette)
{
    QList<QRgb> table;
    for (Rgb entry : palette)
        table.append(QRgb(0xFF000000u | entry)); // opaque, as qRgb makes it
    return table;
}

} // namespace

QImage Bitmap::view() const
{
    const QImage::Format format = qtFormat(m_format);
    if (isEmpty() || format == QImage::Format_Invalid)
        return QImage();
    QImage image(scanLine(0), m_width, m_height, qsizetype(m_stride), format);
    if (hasPalette(m_format))
        image.setColorTable(colourTable(m_palette));
    return image;
}

QImage Bitmap::toQImage() const
{
    return rowsToQImage(0, m_height);
}

QImage Bitmap::rowsToQImage(int top, int count) const
{
    if (isEmpty() || count <= 0)
        return QImage();
    if (m_format != PixelFormat::Indexed4)
        return view().copy(0, top, m_width, count);
    QImage image(m_width, count, QImage::Format_Indexed8);
    if (image.isNull())
        return image;
    for (int y = 0; y < count; ++y) {
        const uint8_t *from = scanLine(top + y);
        uchar *to = image.scanLine(y);
        for (int x = 0; x < m_width; ++x)
            to[x] = uchar(from[x >> 1] >> ((x & 1) ? 0 : 4) & 0xF);
    }
    image.setColorTable(colourTable(m_palette));
    return image;
}
