#include "hand.h"

#include "codepage.h"
#include "generator.h"

std::array<std::string, DeckSize> DrawnNames;
std::array<std::string, DeckSize> DrawnFiles;

const std::string &reversedSuffix()
{
    static const Cp932Literal suffix(u8"（逆）");
    return suffix;
}

void ShuffleDeck()
{
    for (int i = 0; i < DeckSize; ++i) {
        const int j = i + NextRandom(DeckSize - i);
        CardTable[SwapSlot] = CardTable[j];
        CardTable[j] = CardTable[i];
        CardTable[i] = CardTable[SwapSlot];
    }
}

ReversedFlagArray DealHand(bool ReversalOn)
{
    ReversedFlagArray reversed{};
    for (int k = 0; k < DeckSize; ++k) {
        DrawnNames[k] = CardTable[k].CardName;
        DrawnFiles[k] = CardTable[k].ImageFile;
        reversed[k] = ReversalOn ? (NextRandom(1023) & 1) : 0;
        if (reversed[k] == 1)
            DrawnNames[k] += reversedSuffix();
    }
    return reversed;
}
