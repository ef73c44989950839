#pragma once

// Where the program finds its deck, relative to the current directory: the
// card folder, and in it the card list and the card back. The program reads
// them; the deck's generator writes them.

#include <string>
#include <string_view>

inline constexpr std::string_view CardFolder = "cardimages";
inline constexpr std::string_view CardListName = "carddata.csv";
inline constexpr std::string_view BackPictureName = "cut_tarot_00_150.jpg";
inline constexpr char PathSeparator = '/';

// The card folder, the separator and the name: the card list's path, and
// each picture's as the card list names it.
inline std::string cardPath(std::string_view fileName)
{
    std::string path(CardFolder);
    path += PathSeparator;
    path += fileName;
    return path;
}

// The picture every slot shows until cards are dealt.
inline const std::string PlaceholderPicture = cardPath(BackPictureName);
