#include "benchdeck.h"

#include "codepage.h"
#include "pictureinput.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

constexpr int Cards = 22;
constexpr char BackName[] = "cut_tarot_00_150.jpg";

// The padded deck takes the formats in turn.
constexpr PictureFormat PaddedFormats[] = {PictureFormat::Jpeg, PictureFormat::Png, PictureFormat::Gif,
                                           PictureFormat::Bmp};

std::string cardName(int k, DeckKind kind = DeckKind::Plain)
{
    static const char *const extensions[] = {".jpg", ".png", ".gif", ".bmp"};
    const char *extension = kind == DeckKind::Padded ? extensions[k % 4] : ".jpg";
    return "card" + std::to_string(k + 1) + extension;
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
        writeDeck(folder, size, DeckKind::Plain);
    return folder;
}

std::string BenchDeck::hostileDeckFolder() const
{
    const std::string folder = m_root + "/hostile";
    if (firstUse(folder))
        writeDeck(folder, HostilePicture, DeckKind::HostileScans);
    return folder;
}

std::string BenchDeck::paddedDeckFolder() const
{
    const std::string folder = m_root + "/padded";
    if (firstUse(folder))
        writeDeck(folder, CardPicture, DeckKind::Padded);
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

std::vector<std::string> BenchDeck::cardFilesIn(const std::string &folder, DeckKind kind)
{
    std::vector<std::string> files;
    for (int k = 0; k < Cards; ++k)
        files.push_back(folder + "/cardimages/" + cardName(k, kind));
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

std::string BenchDeck::gifFile(CardSize size) const
{
    const std::string file = m_root + "/" + sizeName(size) + ".gif";
    if (firstUse(file))
        writePhotoGif(file, size.width, size.height, 78);
    return file;
}

std::string BenchDeck::bmpFile(CardSize size) const
{
    const std::string file = m_root + "/" + sizeName(size) + ".bmp";
    if (firstUse(file))
        writePhotoBmp(file, size.width, size.height, 79);
    return file;
}

void BenchDeck::writeDeck(const std::string &folder, CardSize size, DeckKind kind) const
{
    const std::string pictures = folder + "/cardimages";
    std::filesystem::create_directories(pictures);
    std::ofstream list(pictures + "/carddata.csv", std::ios::binary);
    list << CodePage::fromUtf8("カード名,画像ファイル") << "\r\n";
    // The most padding a card admits: what a load may read before the
    // picture's size is known, less the first buffer's room for the rest.
    const size_t padding = PictureInput::ExtraAllowance - 2 * PictureInput::BufferSize;
    for (int k = 0; k < Cards; ++k) {
        const std::string name = cardName(k, kind);
        list << CodePage::fromUtf8("カード" + std::to_string(k + 1)) << ',' << name << "\r\n";
        const std::string path = pictures + "/" + name;
        const auto seed = uint32_t(k + 1);
        switch (kind) {
        case DeckKind::Plain: writePhotoJpeg(path, size.width, size.height, seed); break;
        case DeckKind::HostileScans:
            writeHostileJpeg(path, size.width, size.height, seed);
            break;
        case DeckKind::Padded:
            writePaddedPicture(path, PaddedFormats[k % 4], size.width, size.height, seed, padding);
            break;
        }
    }
    if (!list)
        throw std::runtime_error("cannot write the card list in " + folder);
    writePhotoJpeg(pictures + "/" + BackName, size.width, size.height, 999);
}
