#pragma once

// The card list: the file cardimages/carddata.csv, read afresh into CardTable
// by every reading.
//
// Lines end at CR, LF or CR LF; the first NUL ends the text. Line 1 is a
// header; lines 2 to 23 are the 22 cards, each "name,picture file". Lines
// after the 23rd and fields after the second are ignored.

#include "apperror.h"
#include "deckfolder.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

struct Tcarddata
{
    std::string CardName;  // code page 932, may be empty
    std::string ImageFile; // relative to the card folder, may be empty
};

inline constexpr int DeckSize = 22;
inline constexpr int SwapSlot = DeckSize; // the shuffle's temporary

// Entries 0 to 21 are the deck; entry 22 is the shuffle's swap slot.
extern std::array<Tcarddata, DeckSize + 1> CardTable;

// A file's path, code page 932, made absolute against the current directory
// as a message names it; as it stands when the current directory is unknown.
std::string fullPath(const std::string &cp932Relative);

// A file cannot be opened or read. The message names its full path and what
// went wrong.
class FileOpenError : public AppError
{
public:
    FileOpenError(const std::string &cp932Path, const std::string &cp932Description);
};

// Reads the card list into entries 0 to 21 of CardTable. Throws FileOpenError,
// with CardTable unchanged, when the file cannot be opened or read, is not a
// regular file, or its first 23 lines run past MaxCardListBytes.
void LoadCardTable();
inline constexpr size_t MaxCardListBytes = 16u << 20;

// The fields of one line: blanks (bytes 1 to 32) separate fields and are
// dropped around them, commas separate fields, double quotes enclose a field
// with "" for a quote inside. A double-byte character is never cut.
std::vector<std::string> SplitCardLine(std::string_view line);

// The lines of a text: up to the first NUL, cut at CR, LF or CR LF.
std::vector<std::string_view> splitLines(std::string_view text);
