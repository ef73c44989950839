#include "benchdeck.h"

#include "codepage.h"

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
}

BenchDeck::~BenchDeck()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
}

bool BenchDeck::firstUse(const std::string &name) const
{
    return m_made.insert(name).second;
}

std::string BenchDeck::deckFolder(CardSize size) const
{
    const std::string folder = m_root + "/" + sizeName(size);
    if (firstUse(folder))
        writeDeck(folder, size, false);
    return folder;
}

std::string BenchDeck::hostileDeckFolder() const
{
    const std::string folder = m_root + "/hostile";
    if (firstUse(folder))
        writeDeck(folder, HostilePicture, true);
    return folder;
}

std::vector<std::string> BenchDeck::cardFiles(CardSize size) const
{
    return cardFilesIn(deckFolder(size));
}

std::vector<std::string> BenchDeck::hostileCardFiles() const
{
    return cardFilesIn(hostileDeckFolder());
}

std::vector<std::string> BenchDeck::cardFilesIn(const std::string &folder)
{
    std::vector<std::string> files;
    for (int k = 0; k < Cards; ++k)
        files.push_back(folder + "/cardimages/" + cardName(k));
    return files;
}

std::string BenchDeck::backFile(CardSize size) const
{
    return deckFolder(size) + "/cardimages/" + BackName;
}

std::string BenchDeck::scanFile() const
{
    const std::string file = m_root + "/scan.jpg";
    if (firstUse(file))
        writePhotoJpeg(file, ScanPicture.width, ScanPicture.height, 4242);
    return file;
}

std::string BenchDeck::pngFile(CardSize size, PngKind kind) const
{
    const char *kindName = kind == PngKind::Rgb ? "rgb" : kind == PngKind::Alpha ? "alpha" : "palette";
    const std::string file = m_root + "/" + sizeName(size) + "-" + kindName + ".png";
    if (firstUse(file))
        writePhotoPng(file, size.width, size.height, 77, kind);
    return file;
}

void BenchDeck::writeDeck(const std::string &folder, CardSize size, bool hostile) const
{
    const std::string pictures = folder + "/cardimages";
    std::filesystem::create_directories(pictures);
    std::ofstream list(pictures + "/carddata.csv", std::ios::binary);
    list << CodePage::fromUtf8("カード名,画像ファイル") << "\r\n";
    const auto writePicture = [&](const std::string &name, uint32_t seed) {
        if (hostile)
            writeHostileJpeg(pictures + "/" + name, size.width, size.height, seed, HostileFirstScanCopies);
        else
            writePhotoJpeg(pictures + "/" + name, size.width, size.height, seed);
    };
    for (int k = 0; k < Cards; ++k) {
        list << CodePage::fromUtf8("カード" + std::to_string(k + 1)) << ',' << cardName(k) << "\r\n";
        writePicture(cardName(k), uint32_t(k + 1));
    }
    if (!list)
        throw std::runtime_error("cannot write the card list in " + folder);
    writePicture(BackName, 999);
}
