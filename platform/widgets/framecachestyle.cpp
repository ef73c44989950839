#include "framecachestyle.h"

#include <QPainter>
#include <QPixmapCache>
#include <QStyleOptionFrame>

void FrameCacheStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                    const QWidget *widget) const
{
    const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
    // A painter that scales or turns would need the frame drawn for it.
    if (element != PE_FrameLineEdit || !frame || option->rect.isEmpty()
        || painter->transform().type() > QTransform::TxTranslate) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const QString key = QStringLiteral("kuerumi-frame-%1x%2-%3-%4-%5-%6-%7")
                            .arg(option->rect.width())
                            .arg(option->rect.height())
                            .arg(uint(option->state), 0, 16)
                            .arg(option->palette.cacheKey())
                            .arg(int(option->direction))
                            .arg(frame->lineWidth)
                            .arg(ratio);
    QPixmap copy;
    if (!QPixmapCache::find(key, &copy)) {
        copy = QPixmap(option->rect.size() * ratio);
        copy.setDevicePixelRatio(ratio);
        copy.fill(Qt::transparent);
        QStyleOptionFrame atOrigin = *frame;
        atOrigin.rect.moveTo(0, 0);
        QPainter onCopy(&copy);
        QProxyStyle::drawPrimitive(element, &atOrigin, &onCopy, widget);
        onCopy.end();
        QPixmapCache::insert(key, copy);
    }
    painter->drawPixmap(option->rect.topLeft(), copy);
}
