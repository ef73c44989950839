#pragma once

// The floor of showing pictures: a plain top-level widget of the program
// window's size that draws decoded pictures over their own memory, at their
// own size, side by side, and repaints only where they lie.

#include "baredecode.h"
#include "framewatcher.h"

#include <QWidget>

#include <span>

class PictureWall : public QWidget
{
public:
    PictureWall();

    // Shows the first count pictures (from bareJpegDecode) in
    // place of the last ones and returns once their frame has been flushed
    // (FrameWatcher::runUntilShown). The wall keeps the pictures until the
    // next call.
    void showPictures(std::vector<DecodedPicture> pictures, int count);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect place(int k) const;

    std::vector<DecodedPicture> m_pictures;
    int m_count = 0;
    FrameWatcher m_frames{this};
};
