#pragma once

// A style that draws a line edit's frame once for each look and size and
// copies it from then on. The frame of the usual styles is an antialiased
// rounded outline with a shadow inside, which costs far more than the text
// it holds: a window whose many boxes get new texts at once repaints every
// frame. What a frame looks like follows only from the box's size, state,
// colours, direction and the screen's scale, which name the copy; anything
// else is drawn by the style underneath, as it would draw it.

#include <QProxyStyle>

class FrameCacheStyle : public QProxyStyle
{
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;
};
