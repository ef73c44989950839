#pragma once

#include <QSize>

class QWidget;

// Gives a top-level window an outer size, frame and title bar included. The
// frame is known only once the window system has framed the window, so the
// size is set now with the frame known so far and again when it is known.
void setOuterSize(QWidget *window, QSize outer);
