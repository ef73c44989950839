#pragma once

// A whole card: the frame, the numeral at the top, the emblem in its panel
// and the name on a dark plate at the bottom; and the back that all cards
// share.

#include <QImage>

struct MajorArcanum;

inline constexpr int CardWidth = 105;
inline constexpr int CardHeight = 153;

// The faces the cards are lettered in. Throws std::runtime_error when one is
// not installed, so a deck is never drawn in a fallback face.
void checkCardFonts();

QImage drawCardFace(const MajorArcanum &card);
QImage drawCardBack();
