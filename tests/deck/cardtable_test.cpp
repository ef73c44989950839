#include "cardtable.h"

#include "codepage.h"
#include "workdir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using Fields = std::vector<std::string>;

TEST(SplitCardLine, CommasAndBlanks)
{
    EXPECT_EQ(SplitCardLine("a,b"), (Fields{"a", "b"}));
    EXPECT_EQ(SplitCardLine("  a ,\t b  "), (Fields{"a", "b"}));
    EXPECT_EQ(SplitCardLine(",b"), (Fields{"", "b"}));
    EXPECT_EQ(SplitCardLine("a,,b"), (Fields{"a", "", "b"}));
    EXPECT_EQ(SplitCardLine("a,"), (Fields{"a", ""}));
    EXPECT_EQ(SplitCardLine("a,  "), (Fields{"a"})) << "a comma followed by blanks adds no field";
    EXPECT_EQ(SplitCardLine("the fool,fool.jpg"), (Fields{"the", "fool", "fool.jpg"}));
    EXPECT_EQ(SplitCardLine(""), Fields{});
    EXPECT_EQ(SplitCardLine(" \t\x01 "), Fields{});
    EXPECT_EQ(SplitCardLine(","), (Fields{"", ""})) << "an empty field, then the trailing comma's";
}

TEST(SplitCardLine, QuotedFields)
{
    EXPECT_EQ(SplitCardLine("\"a, b\",c"), (Fields{"a, b", "c"}));
    EXPECT_EQ(SplitCardLine("\"say \"\"hi\"\"\",x"), (Fields{"say \"hi\"", "x"}));
    EXPECT_EQ(SplitCardLine("\"unclosed, rest"), (Fields{"unclosed, rest"}));
    EXPECT_EQ(SplitCardLine("\"ab\"cd,e"), (Fields{"ab", "cd", "e"})) << "text behind a closing quote";
    EXPECT_EQ(SplitCardLine("  \" padded \" , x"), (Fields{" padded ", "x"}));
    EXPECT_EQ(SplitCardLine("\"\",x"), (Fields{"", "x"}));
}

TEST(SplitCardLine, DoubleByteCharactersAreNeverCut)
{
    const std::string so = "\x83\x5C";   // ソ: second byte is a backslash
    EXPECT_EQ(SplitCardLine(so + "," + so + ".jpg"), (Fields{so, so + ".jpg"}));
    // Lead bytes followed directly by a comma, a quote or a blank: one character.
    EXPECT_EQ(SplitCardLine("\x81,x,y"), (Fields{"\x81,x", "y"}));
    EXPECT_EQ(SplitCardLine("\"\x81\"x\",y"), (Fields{"\x81\"x", "y"}));
    EXPECT_EQ(SplitCardLine("\x81 a,b"), (Fields{"\x81 a", "b"}));
    // The full-width space is an ordinary character.
    EXPECT_EQ(SplitCardLine("\x81\x40x,y"), (Fields{"\x81\x40x", "y"}));
    // A lead byte that ends the line stands alone and reads nothing beyond it.
    const std::string buffer = "ab,\x81" "Z";
    EXPECT_EQ(SplitCardLine(std::string_view(buffer.data(), 4)), (Fields{"ab", "\x81"}));
    EXPECT_EQ(SplitCardLine(std::string_view("\"\x82", 2)), (Fields{"\x82"}));
}

TEST(SplitLines, LineEnds)
{
    using Lines = std::vector<std::string_view>;
    EXPECT_EQ(splitLines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(splitLines("a\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(splitLines("a\rb\r"), (Lines{"a", "b"}));
    EXPECT_EQ(splitLines("a\n\rb"), (Lines{"a", "", "b"})) << "LF CR is two line ends";
    EXPECT_EQ(splitLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(splitLines(""), Lines{});
    EXPECT_EQ(splitLines("\r\n"), (Lines{""}));
    EXPECT_EQ(splitLines(std::string_view("a\nb\0c\nd", 7)), (Lines{"a", "b"}));
}

namespace {

// A card list with a header and cards "name<k>,<k>.jpg" for k in [0, count).
std::string cardList(int count, const char *lineEnd = "\r\n")
{
    std::string text = std::string("name,file") + lineEnd;
    for (int k = 0; k < count; ++k)
        text += "name" + std::to_string(k) + "," + std::to_string(k) + ".jpg" + lineEnd;
    return text;
}

void expectCards(int count)
{
    for (int k = 0; k < DeckSize; ++k) {
        const bool present = k < count;
        EXPECT_EQ(CardTable[k].CardName, present ? "name" + std::to_string(k) : "") << k;
        EXPECT_EQ(CardTable[k].ImageFile, present ? std::to_string(k) + ".jpg" : "") << k;
    }
}

void writeCardList(const std::string &bytes)
{
    ScopedWorkDir::write("cardimages/carddata.csv", bytes);
}

class LoadCardTableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CardTable.fill({});
        CardTable[SwapSlot] = {"swap", "swap.jpg"};
    }
    ScopedWorkDir dir;
};

} // namespace

TEST_F(LoadCardTableTest, ReadsTheSameTableWhateverTheLineEnds)
{
    for (const char *end : {"\r\n", "\n", "\r"}) {
        CardTable.fill({});
        writeCardList(cardList(22, end));
        LoadCardTable();
        expectCards(22);
    }
    EXPECT_EQ(CardTable[SwapSlot].CardName, "") << "only the fill above touched it";
}

TEST_F(LoadCardTableTest, HeaderNeverReachesTheTableAndTheSwapSlotIsKept)
{
    std::string text = cardList(22);
    text.replace(0, 9, "name99,99.jpg");
    writeCardList(text);
    LoadCardTable();
    expectCards(22);
    EXPECT_EQ(CardTable[SwapSlot].CardName, "swap");
}

TEST_F(LoadCardTableTest, LastLineWithoutLineEndAndExtraLines)
{
    std::string text = cardList(22);
    text.resize(text.size() - 2);
    writeCardList(text);
    LoadCardTable();
    expectCards(22);

    writeCardList(cardList(40) + "x,y,z,w\r\n");
    LoadCardTable();
    expectCards(22);
}

TEST_F(LoadCardTableTest, FewerLinesLeaveEmptyCards)
{
    writeCardList(cardList(5));
    LoadCardTable();
    expectCards(5);
    writeCardList("");
    LoadCardTable();
    expectCards(0);
}

TEST_F(LoadCardTableTest, AnEmptyLineIsACard)
{
    std::string text = "h\r\nname0,0.jpg\r\n\r\n";
    for (int k = 1; k < 22; ++k)
        text += "name" + std::to_string(k) + "," + std::to_string(k) + ".jpg\r\n";
    writeCardList(text);
    LoadCardTable();
    EXPECT_EQ(CardTable[0].CardName, "name0");
    EXPECT_EQ(CardTable[1].CardName, "");
    EXPECT_EQ(CardTable[1].ImageFile, "");
    EXPECT_EQ(CardTable[21].CardName, "name20") << "the last card moved beyond line 23";
}

TEST_F(LoadCardTableTest, NulEndsTheData)
{
    std::string text = cardList(3);
    text += std::string(1, '\0') + "name3,3.jpg\r\n";
    writeCardList(text);
    LoadCardTable();
    expectCards(3);
}

TEST_F(LoadCardTableTest, OneFieldAndLeadingComma)
{
    writeCardList("h\r\nonly\r\n,file.jpg\r\n" + CodePage::fromUtf8("愚者") + ",\"a b.jpg\"\r\n");
    LoadCardTable();
    EXPECT_EQ(CardTable[0].CardName, "only");
    EXPECT_EQ(CardTable[0].ImageFile, "");
    EXPECT_EQ(CardTable[1].CardName, "");
    EXPECT_EQ(CardTable[1].ImageFile, "file.jpg");
    EXPECT_EQ(CodePage::toUtf8(CardTable[2].CardName), "愚者");
    EXPECT_EQ(CardTable[2].ImageFile, "a b.jpg");
}

TEST_F(LoadCardTableTest, ALongLastLineBeyondTheDataIsNotRead)
{
    // Line 24 may be as long as it likes: reading stops after line 23.
    writeCardList(cardList(22) + std::string(MaxCardListBytes + 1024, 'x'));
    LoadCardTable();
    expectCards(22);
}

namespace {

// Loads and expects the file-open error naming the card list's full path and
// the given description; the table must be unchanged.
void expectOpenError(const ScopedWorkDir &dir, const char *description)
{
    CardTable[3] = {"kept", "kept.jpg"};
    const auto before = CardTable;
    try {
        LoadCardTable();
        FAIL() << "no error";
    } catch (const FileOpenError &error) {
        const std::string expected = "ファイル \"" + dir.path() + "/cardimages/carddata.csv\" は開けません。"
                                     + description;
        EXPECT_EQ(CodePage::toUtf8(error.message()), expected);
    }
    for (int k = 0; k <= DeckSize; ++k) {
        EXPECT_EQ(CardTable[k].CardName, before[k].CardName);
        EXPECT_EQ(CardTable[k].ImageFile, before[k].ImageFile);
    }
}

} // namespace

TEST_F(LoadCardTableTest, MissingFileOrFolder)
{
    expectOpenError(dir, "指定されたファイルが見つかりません");
    std::filesystem::remove("cardimages");
    expectOpenError(dir, "指定されたファイルが見つかりません");
    ScopedWorkDir::write("cardimages", "a file where the folder should be");
    expectOpenError(dir, "パスの途中にフォルダーでないものがあります");
}

TEST_F(LoadCardTableTest, NotARegularFile)
{
    std::filesystem::create_directory("cardimages/carddata.csv");
    expectOpenError(dir, "ファイルではなくフォルダーです");
    std::filesystem::remove("cardimages/carddata.csv");
    ASSERT_EQ(mkfifo("cardimages/carddata.csv", 0600), 0);
    expectOpenError(dir, "通常のファイルではありません");
    std::filesystem::remove("cardimages/carddata.csv");
    std::filesystem::create_symlink("/dev/zero", "cardimages/carddata.csv");
    expectOpenError(dir, "通常のファイルではありません");
}

TEST_F(LoadCardTableTest, LockedOrUnreadable)
{
    writeCardList(cardList(22));
    const int writer = ::open("cardimages/carddata.csv", O_RDWR);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(flock(writer, LOCK_EX), 0);
    expectOpenError(dir, "別のプログラムがこのファイルを使用中です");
    ::close(writer);

    if (geteuid() != 0) { // root reads whatever the mode says
        chmod("cardimages/carddata.csv", 0);
        expectOpenError(dir, "アクセスが拒否されました");
    }
}

TEST_F(LoadCardTableTest, TooLargeWithoutLineEnds)
{
    writeCardList("h\r\n" + std::string(MaxCardListBytes + 1, 'x'));
    expectOpenError(dir, "ファイルが大きすぎます");
}
