#pragma once

// Shuffling the deck and dealing it into a hand of 22 positions; position k
// is shown in slot k + 1.

#include "cardtable.h"

#include <array>
#include <cstdint>
#include <string>

// The last deal: each card's display text ("（逆）" appended when reversed) and
// its picture file name.
extern std::array<std::string, DeckSize> DrawnNames;
extern std::array<std::string, DeckSize> DrawnFiles;

// 1 for a reversed card, 0 for an upright one; belongs to one reading.
using ReversedFlagArray = std::array<int32_t, DeckSize>;

// Permutes CardTable entries 0 to 21 in place through the swap slot, with
// exactly 22 draws (bounds 22 down to 1).
void ShuffleDeck();

// Copies CardTable entries 0 to 21 into DrawnNames and DrawnFiles. With
// ReversalOn each card draws NextRandom(1023) and lies reversed when the draw
// is odd; without it nothing is drawn and no card is reversed.
ReversedFlagArray DealHand(bool ReversalOn);

// The suffix of a reversed card's display text, in code page 932.
const std::string &reversedSuffix();
