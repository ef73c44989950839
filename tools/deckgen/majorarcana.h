#pragma once

// The 22 cards of the Major Arcana in their order: what each card shows and
// the name of its picture file.

#include <QColor>

#include <array>

class QPainter;

// Draws a card's emblem into its picture panel, whose corner is (0, 0).
using Emblem = void (*)(QPainter &);

inline constexpr double PanelWidth = 87;
inline constexpr double PanelHeight = 100;

struct MajorArcanum
{
    const char *numeral;    // Roman, "0" for the fool
    const char8_t *name;    // Japanese, as the card list gives it
    const char *fileName;   // in cardimages/
    QColor skyTop;          // the panel's background, top to bottom
    QColor skyBottom;
    Emblem emblem;
};

extern const std::array<MajorArcanum, 22> MajorArcana;
