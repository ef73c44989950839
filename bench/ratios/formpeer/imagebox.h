#pragma once

// The form window's image boxes (formwindow.cpp): uic makes each ImageBox
// of window/uranai1.ui with this header, and a plain Qt program shows a
// picture in a label.

#include <QLabel>

using ImageBox = QLabel;
