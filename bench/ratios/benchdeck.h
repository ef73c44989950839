#pragma once

// The benchmarks' pictures, made in a temporary folder the first time a
// benchmark asks for them and removed at the end: decks (card list, 22 card
// pictures and the back) laid out as the program expects in its current
// directory, one picture at a scanner's size, PNG files of each kind, a GIF
// and a BMP.

#include "photo.h"

#include <set>
#include <string>
#include <vector>

struct CardSize {
    int width;
    int height;
};

inline constexpr CardSize CardPicture{105, 153};
inline constexpr CardSize ScanPicture{3000, 4500};
inline constexpr CardSize PngPhoto{1000, 1500};
// The photographs of the reading and the spread that decode on every core:
// a phone's pictures of 8 megapixels.
inline constexpr CardSize PhotoPicture{2400, 3200};
// The sizes of the scaling row: four times and sixteen times the card's sides.
inline constexpr CardSize MiddlePicture{420, 612};
inline constexpr CardSize LargePicture{1680, 2448};

// The worst reading that fits the largest picture budget, 4 GiB: 22
// pictures at the card's proportions whose sides leave room, beside each
// decoded 24-bit picture, for two 32-bit copies of it (3 + 4 + 4 bytes a
// pixel, 22 times over: 3490 × 5084 × 11 × 22 < 2^32). Each is a
// progressive, arithmetic-coded JPEG of a few kilobytes that claims that
// size and sends every bit of every coefficient by itself
// (writeHostileJpeg): the costliest decode of the progressions the program
// admits, which send each bit once, in at most the visits to its blocks
// that 100 scans make. When the program's limits change, the size and the
// script say what the worst admissible reading is.
inline constexpr CardSize HostilePicture{3490, 5084};

enum class DeckKind {
    Plain,        // photograph-like JPEG files
    HostileScans, // writeHostileJpeg
    Padded,       // writePaddedPicture, the four formats in turn, padded as far as a load may read
};

class BenchDeck
{
public:
    BenchDeck();
    ~BenchDeck();
    BenchDeck(const BenchDeck &) = delete;
    BenchDeck &operator=(const BenchDeck &) = delete;

    // The folder whose cardimages/ holds the deck of photograph-like JPEG
    // files of that size: the program's current directory for a reading.
    std::string deckFolder(CardSize size) const;
    // Full paths of a deck's 22 card pictures and of its back.
    std::vector<std::string> cardFiles(CardSize size) const;
    std::string backFile(CardSize size) const;
    // The deck of the hostile reading, its cards as writeHostileJpeg
    // makes them, and their full paths;
    // cardFiles(HostilePicture) are plain pictures of the same size.
    std::string hostileDeckFolder() const;
    std::vector<std::string> hostileCardFiles() const;
    // The deck of the hostile bytes reading: card pictures of each format,
    // each padded with as many costly bytes as a load may read.
    std::string paddedDeckFolder() const;
    std::string scanFile() const;
    std::string pngFile(CardSize size, PngKind kind) const;
    // The photograph-like picture through the PNG's palette as a GIF, and
    // as a 24-bit BMP.
    std::string gifFile(CardSize size) const;
    std::string bmpFile(CardSize size) const;

private:
    // True the first time a file or folder of that name is asked for.
    bool firstUse(const std::string &name) const;
    static std::vector<std::string> cardFilesIn(const std::string &folder, DeckKind kind = DeckKind::Plain);
    void writeDeck(const std::string &folder, CardSize size, DeckKind kind) const;

    std::string m_root;
    mutable std::set<std::string> m_made;
};
