#include "cardtable.h"

#include "codepage.h"
#include "sharedfile.h"

#include <climits>
#include <unistd.h>

std::array<Tcarddata, DeckSize + 1> CardTable;

namespace {

constexpr int MatrixRows = DeckSize + 1; // the header and the 22 cards
constexpr int MatrixCells = 2;

bool isBlank(unsigned char byte)
{
    return byte >= 1 && byte <= 32;
}

// Where the data that can reach the table ends: at the first NUL, or at the
// line end that closes line 23. npos while the text read so far holds neither.
// scanned and lineEnds carry the scan from one call to the next.
size_t dataEnd(std::string_view text, size_t &scanned, int &lineEnds)
{
    for (; scanned < text.size(); ++scanned) {
        const char byte = text[scanned];
        if (byte == '\0')
            return scanned;
        const bool startsLineEnd = byte == '\r' || (byte == '\n' && (scanned == 0 || text[scanned - 1] != '\r'));
        if (startsLineEnd && ++lineEnds == MatrixRows)
            return scanned;
    }
    return std::string_view::npos;
}

// Reads as much of the card list as the table can use.
std::string readCardList(const std::string &path)
{
    const auto failure = [&path](const std::string &description) {
        return FileOpenError(fullPath(CodePage::fromUtf8(path)), description);
    };
    int error = 0;
    std::optional<SharedFile> file = SharedFile::open(path, error);
    if (!file)
        throw failure(describeFileError(error));

    std::string text;
    size_t scanned = 0;
    int lineEnds = 0;
    constexpr size_t Chunk = 64 * 1024;
    for (;;) {
        const size_t before = text.size();
        text.resize(before + Chunk);
        const long got = file->read(text.data() + before, Chunk, error);
        if (got < 0)
            throw failure(describeFileError(error));
        text.resize(before + static_cast<size_t>(got));
        const size_t end = dataEnd(text, scanned, lineEnds);
        if (end <= MaxCardListBytes) {
            text.resize(end);
            break;
        }
        if (text.size() > MaxCardListBytes) {
            static const Cp932Literal tooLarge(u8"ファイルが大きすぎます");
            throw failure(tooLarge);
        }
        if (got == 0)
            break;
    }
    return text;
}

} // namespace

std::string fullPath(const std::string &cp932Relative)
{
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd))
        return cp932Relative;
    return CodePage::fromUtf8(cwd) + PathSeparator + cp932Relative;
}

FileOpenError::FileOpenError(const std::string &cp932Path, const std::string &cp932Description)
    : AppError([&] {
          static const Cp932Literal before(u8"ファイル \"");
          static const Cp932Literal after(u8"\" は開けません。");
          return before.str() + cp932Path + after.str() + cp932Description;
      }())
{
}

std::vector<std::string_view> splitLines(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> SplitCardLine(std::string_view line)
{
    std::vector<std::string> fields;
    size_t i = 0;
    const size_t n = line.size();
    const auto byteAt = [&](size_t at) { return static_cast<unsigned char>(line[at]); };
    const auto skipBlanks = [&] {
        while (i < n && isBlank(byteAt(i)))
            ++i;
    };
    // Takes one character, a double-byte one whole; a lead byte that ends the
    // line stands alone.
    const auto takeCharacter = [&](std::string &value) {
        const size_t length = CodePage::isLeadByte(byteAt(i)) && i + 1 < n ? 2 : 1;
        value.append(line.substr(i, length));
        i += length;
    };

    skipBlanks();
    while (i < n) {
        std::string value;
        if (line[i] == '"') {
            ++i;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        value += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                takeCharacter(value);
            }
        } else {
            while (i < n && line[i] != ',' && !isBlank(byteAt(i)))
                takeCharacter(value);
        }
        fields.push_back(std::move(value));
        skipBlanks();
        if (i < n && line[i] == ',') {
            if (i + 1 == n)
                fields.emplace_back();
            ++i;
            skipBlanks();
        }
    }
    return fields;
}

void LoadCardTable()
{
    const std::string text = readCardList(cardPath(CardListName));

    std::array<std::array<std::string, MatrixCells>, MatrixRows> lineMatrix;
    const std::vector<std::string_view> lines = splitLines(text);
    for (size_t row = 0; row < lines.size() && row < MatrixRows; ++row) {
        std::vector<std::string> fields = SplitCardLine(lines[row]);
        for (size_t cell = 0; cell < fields.size() && cell < MatrixCells; ++cell)
            lineMatrix[row][cell] = std::move(fields[cell]);
    }
    for (int k = 0; k < DeckSize; ++k) {
        CardTable[k].CardName = std::move(lineMatrix[k + 1][0]);
        CardTable[k].ImageFile = std::move(lineMatrix[k + 1][1]);
    }
}
