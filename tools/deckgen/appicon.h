#pragma once

// The application's icon: a card with a crescent moon and a star, fanned
// over a second card, on a rounded square of night blue.

#include <QImage>

QImage drawAppIcon(int size);
