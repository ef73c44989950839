#pragma once

// How the window meets a screen whose free area cannot hold it whole (a
// laptop of 768 lines, say): it shrinks to that area and its client area
// scrolls, every control keeping its place within it. Where the window
// fits, nothing changes.

#include <QSize>

// How far short of its whole size the window may fall without scrolling. A
// desktop may give a window a pixel less than it asked for, and on a scaled
// screen a size in the window's pixels rounds to the nearest step of the
// screen's own (at 150 %, a step is a pixel and a half), and so may its
// frame: two pixels take both. No control lies that close to the client
// area's right or bottom edge.
inline constexpr int ScrollSlack = 2;

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

// The least size of a client area that is `whole` in the whole window, in
// a window whose client area now has `room`: the whole size, so that a
// smaller window scrolls, but in each direction where the room falls short
// of it by ScrollSlack or less, the room itself, so that it does not.
QSize clientAreaSize(QSize whole, QSize room);
