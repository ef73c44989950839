// The card list from arbitrary bytes: the line and field rules on their own,
// and the whole reader on the same bytes written as the card list. The
// reader reads in chunks and stops after line 23; what it puts in the table
// must be what the rules give for the whole text.

#include "cardtable.h"
#include "workfolder.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    WorkFolder::enter();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // When the first byte ends in 001 the header line is padded so that the
    // rest of the input straddles the reader's first 64 KiB chunk. Long lines
    // are slow to split, so only one input in eight is padded, with blanks.
    std::string text;
    if ((data[0] & 7) == 1) {
        const size_t padding = size >= 2 ? 65536 - 128 + data[1] : 65536;
        text.assign(padding, ' '); // blanks: quick to split
        text.append(reinterpret_cast<const char *>(data) + 2, size >= 2 ? size - 2 : 0);
    } else {
        text.assign(reinterpret_cast<const char *>(data) + 1, size - 1);
    }

    const std::vector<std::string_view> lines = splitLines(text);
    std::vector<std::vector<std::string>> rows;
    for (std::string_view line : lines) {
        check(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos);
        std::vector<std::string> fields = SplitCardLine(line);
        size_t total = 0;
        for (const std::string &field : fields)
            total += field.size();
        check(total <= line.size()); // fields only lose blanks, commas and quotes
        // Blanks before the first field never count.
        check(SplitCardLine(" \t\x01" + std::string(line)) == fields);
        rows.push_back(std::move(fields));
    }

    WorkFolder::write("cardimages/carddata.csv", text.data(), text.size());
    CardTable[SwapSlot] = {"swap", "swap.jpg"};
    LoadCardTable(); // a small regular file: no error is allowed
    for (size_t k = 0; k < DeckSize; ++k) {
        const std::vector<std::string> none;
        const std::vector<std::string> &fields = k + 1 < rows.size() ? rows[k + 1] : none;
        check(CardTable[k].CardName == (fields.size() > 0 ? fields[0] : ""));
        check(CardTable[k].ImageFile == (fields.size() > 1 ? fields[1] : ""));
    }
    check(CardTable[SwapSlot].CardName == "swap");
    return 0;
}
