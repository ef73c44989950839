#include "benchdeck.h"

#include "codepage.h"
#include "photo.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

constexpr int Cards = 22;
constexpr char BackName[] = "cut_tarot_00_150.jpg";

std::string cardName(int k)
{
    return "card" + std::to_string(k + 1) + ".jpg";
}

std::string sizeName(CardSize size)
{
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

} // namespace

BenchDeck::BenchDeck()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kuerumi-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a folder for the benchmark pictures");
    m_root = pattern;
    for (CardSize size : ScalingSizes)
        writeDeck(size);
    writePhotoJpeg(scanFile(), ScanPicture.width, ScanPicture.height, 4242);
}

BenchDeck::~BenchDeck()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

std::string BenchDeck::deckFolder(CardSize size) const
{
    return m_root + "/" + sizeName(size);
}

std::vector<std::string> BenchDeck::cardFiles(CardSize size) const
{
    std::vector<std::string> files;
    for (int k = 0; k < Cards; ++k)
        files.push_back(deckFolder(size) + "/cardimages/" + cardName(k));
    return files;
}

std::string BenchDeck::backFile(CardSize size) const
{
    return deckFolder(size) + "/cardimages/" + BackName;
}

std::string BenchDeck::scanFile() const
{
    return m_root + "/scan.jpg";
}

void BenchDeck::writeDeck(CardSize size)
{
    const std::string folder = deckFolder(size) + "/cardimages";
    std::filesystem::create_directories(folder);
    std::ofstream list(folder + "/carddata.csv", std::ios::binary);
    list << CodePage::fromUtf8("カード名,画像ファイル") << "\r\n";
    for (int k = 0; k < Cards; ++k) {
        list << CodePage::fromUtf8("カード" + std::to_string(k + 1)) << ',' << cardName(k) << "\r\n";
        writePhotoJpeg(folder + "/" + cardName(k), size.width, size.height, uint32_t(k + 1));
    }
    if (!list)
        throw std::runtime_error("cannot write the card list in " + folder);
    writePhotoJpeg(folder + "/" + BackName, size.width, size.height, 999);
}
