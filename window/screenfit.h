#pragma once

// How the window meets a screen whose free area cannot hold it whole (a
// laptop of 768 lines, say): it shrinks to that area and its client area
// scrolls, every control keeping its place within it. Where the window
// fits, nothing changes.

#include <QSize>

struct ScreenFit
{
    QSize outer;  // the outer size to give the window
    bool scrolls; // whether the window is smaller than whole, and scrolls
};

// For a window of outer size `whole` on a screen whose free area is
// `available`, with scroll bars `scrollBar` pixels thick. When only one
// direction must scroll, the other grows by that scroll bar, room allowing,
// so that the bar covers nothing and a second one is not needed.
ScreenFit fitOnScreen(QSize whole, QSize available, int scrollBar);
