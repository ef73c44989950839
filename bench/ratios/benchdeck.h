#pragma once

// The benchmarks' pictures, made afresh in a temporary folder at start and
// removed at the end: a deck (card list, 22 card pictures and the back) for
// each card size, laid out as the program expects in its current
// directory, and one picture at a scanner's size.

#include <string>
#include <vector>

struct CardSize {
    int width;
    int height;
};

inline constexpr CardSize CardPicture{105, 153};
inline constexpr CardSize ScanPicture{3000, 4500};
// The sizes of the scaling row: the card, four times and sixteen times its sides.
inline constexpr CardSize ScalingSizes[] = {{105, 153}, {420, 612}, {1680, 2448}};

class BenchDeck
{
public:
    BenchDeck();
    ~BenchDeck();
    BenchDeck(const BenchDeck &) = delete;
    BenchDeck &operator=(const BenchDeck &) = delete;

    // The folder whose cardimages/ holds the deck of that size: the program's
    // current directory for a reading.
    std::string deckFolder(CardSize size) const;
    // Full paths of a deck's 22 card pictures and of its back.
    std::vector<std::string> cardFiles(CardSize size) const;
    std::string backFile(CardSize size) const;
    std::string scanFile() const;

private:
    void writeDeck(CardSize size);

    std::string m_root;
};
