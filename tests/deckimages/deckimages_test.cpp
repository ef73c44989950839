// The deck in cardimages/ as the program finds it: its card list, every
// picture it names, and the back.

#include "cardtable.h"
#include "codepage.h"
#include "picturefile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int CardWidth = 105;
constexpr int CardHeight = 153;

// The names as a Japanese reader knows them, in the deck's order.
const char8_t *const ExpectedNames[DeckSize] = {
    u8"愚者", u8"魔術師", u8"女教皇", u8"女帝", u8"皇帝", u8"教皇", u8"恋人", u8"戦車",
    u8"力", u8"隠者", u8"運命の輪", u8"正義", u8"吊るされた男", u8"死神", u8"節制",
    u8"悪魔", u8"塔", u8"星", u8"月", u8"太陽", u8"審判", u8"世界"};

class ShippedDeck : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(KUERUMI_SOURCE_DIR);
    }
    void TearDown() override { std::filesystem::current_path(m_previous); }

    static std::string fileBytes(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static Bitmap loadCard(const std::string &cp932Path)
    {
        Bitmap bitmap;
        EXPECT_TRUE(LoadPictureFile(cp932Path, bitmap)) << cp932Path;
        return bitmap;
    }

private:
    std::filesystem::path m_previous;
};

// Mean difference of the three colour channels over the pixels of a
// rectangle, between two pictures, the second optionally turned by 180
// degrees about the first's centre.
double meanDifference(const Bitmap &a, const Bitmap &b, int left, int top, int width, int height,
                      bool turnSecond)
{
    double sum = 0;
    for (int y = top; y < top + height; ++y) {
        for (int x = left; x < left + width; ++x) {
            const Rgb p = a.pixel(x, y);
            const Rgb q = turnSecond ? b.pixel(a.width() - 1 - x, a.height() - 1 - y) : b.pixel(x, y);
            for (int shift : {0, 8, 16})
                sum += std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF));
        }
    }
    return sum / (3.0 * width * height);
}

// The markers of a JPEG file up to its first scan.
std::vector<std::string> jpegHeaderSegments(const std::string &bytes)
{
    std::vector<std::string> segments;
    size_t at = 2;
    while (at + 4 <= bytes.size() && static_cast<unsigned char>(bytes[at]) == 0xFF) {
        const unsigned char marker = static_cast<unsigned char>(bytes[at + 1]);
        const size_t length = size_t(static_cast<unsigned char>(bytes[at + 2])) << 8
                              | static_cast<unsigned char>(bytes[at + 3]);
        segments.push_back(bytes.substr(at + 1, length + 1)); // marker byte, then the body
        if (marker == 0xDA)
            break;
        at += 2 + length;
    }
    return segments;
}

} // namespace

TEST_F(ShippedDeck, CardListNamesTheTwentyTwoCardsInOrder)
{
    const std::string bytes = fileBytes(cardPath(CardListName));
    // CR LF line ends: 23 lines, each ended, and no LF without its CR.
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), DeckSize + 1);
    EXPECT_TRUE(bytes.ends_with("\r\n"));
    for (size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1))
        EXPECT_EQ(bytes[at - 1], '\r') << "line end at byte " << at;

    LoadCardTable();
    std::set<std::string> files;
    for (int k = 0; k < DeckSize; ++k) {
        SCOPED_TRACE("card " + std::to_string(k));
        EXPECT_EQ(CodePage::toUtf8(CardTable[k].CardName), reinterpret_cast<const char *>(ExpectedNames[k]));
        EXPECT_FALSE(CardTable[k].ImageFile.empty());
        files.insert(CardTable[k].ImageFile);
    }
    EXPECT_EQ(files.size(), size_t(DeckSize)) << "every card has a picture of its own";
}

TEST_F(ShippedDeck, EveryPictureAndTheBackDecodeAtCardSize)
{
    LoadCardTable();
    std::vector<std::string> paths;
    for (int k = 0; k < DeckSize; ++k)
        paths.push_back(cardPath(CardTable[k].ImageFile));
    paths.push_back(PlaceholderPicture);

    for (const std::string &path : paths) {
        SCOPED_TRACE(path);
        const Bitmap bitmap = loadCard(path);
        EXPECT_EQ(bitmap.width(), CardWidth);
        EXPECT_EQ(bitmap.height(), CardHeight);
        EXPECT_EQ(bitmap.pixelFormat(), PixelFormat::Rgb24);

        // Baseline JPEG with no colour profile: any decoder reads it, and the
        // colours mean sRGB everywhere.
        const std::string bytes = fileBytes(path);
        ASSERT_EQ(bytes.substr(0, 2), "\xFF\xD8");
        bool baseline = false;
        for (const std::string &segment : jpegHeaderSegments(bytes)) {
            const unsigned char marker = static_cast<unsigned char>(segment[0]);
            baseline = baseline || marker == 0xC0;
            EXPECT_FALSE(marker == 0xC2) << "progressive";
            EXPECT_FALSE(marker == 0xE2 && segment.compare(3, 11, "ICC_PROFILE") == 0) << "colour profile";
        }
        EXPECT_TRUE(baseline);
    }
}

TEST_F(ShippedDeck, EachCardLooksWrongUpsideDownAndUnlikeTheOthers)
{
    LoadCardTable();
    std::vector<Bitmap> cards;
    for (int k = 0; k < DeckSize; ++k) {
        cards.push_back(loadCard(cardPath(CardTable[k].ImageFile)));
        ASSERT_EQ(cards.back().width(), CardWidth);
        ASSERT_EQ(cards.back().height(), CardHeight);
    }
    // The picture panel, where the cards differ; the frame is the same on all.
    constexpr int PanelLeft = 9, PanelTop = 21, PanelWidth = 87, PanelHeight = 100;
    for (int k = 0; k < DeckSize; ++k) {
        SCOPED_TRACE("card " + std::to_string(k));
        EXPECT_GT(meanDifference(cards[k], cards[k], PanelLeft, PanelTop, PanelWidth, PanelHeight, true), 20.0)
            << "a reversed card must look reversed: its picture needs a top and a bottom";
        for (int other = 0; other < k; ++other)
            EXPECT_GT(meanDifference(cards[k], cards[other], PanelLeft, PanelTop, PanelWidth, PanelHeight, false), 15.0)
                << "too like card " << other;
    }
}
