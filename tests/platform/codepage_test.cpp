#include "codepage.h"

#include <gtest/gtest.h>

TEST(CodePage, RoundTripsJapaneseText)
{
    const std::string sjis = "\x83\x5c\x83\x74\x83\x67"; // ソフト: 0x5C as second byte
    EXPECT_EQ(CodePage::toUtf8(sjis), std::string("ソフト"));
    EXPECT_EQ(CodePage::fromUtf8(CodePage::toUtf8(sjis)), sjis);
    EXPECT_EQ(CodePage::toQString(sjis), QString::fromUtf8("ソフト"));
    EXPECT_EQ(CodePage::fromQString(QStringLiteral("（逆）")), "\x81\x69\x8B\x74\x81\x6A");
}

TEST(CodePage, InvalidBytesBecomeReplacementCharacters)
{
    // A lone 0xFF, a lead byte at the end, and a lead byte with an invalid trail.
    EXPECT_EQ(CodePage::toUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(CodePage::toUtf8("ab\x82"), "ab\xEF\xBF\xBD");
    const QString text = CodePage::toQString("\x81\x20x");
    EXPECT_TRUE(text.startsWith(QChar(0xFFFD)));
    EXPECT_TRUE(text.endsWith(QLatin1String(" x")));
}

TEST(CodePage, UnrepresentableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(CodePage::fromUtf8("a\xF0\x9F\x83\x8F" "b"), "a?b");   // a playing card emoji
    EXPECT_EQ(CodePage::fromUtf8("x\xC3\xA9y"), "x?y");              // é
    EXPECT_EQ(CodePage::fromUtf8("bad\xC3"), "bad?");                // cut-off sequence
    EXPECT_EQ(CodePage::fromUtf8("\x80\x80z"), "??z");               // stray trail bytes
}

TEST(CodePage, LeadBytes)
{
    for (int byte = 0; byte < 256; ++byte) {
        const bool expected = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        EXPECT_EQ(CodePage::isLeadByte(static_cast<unsigned char>(byte)), expected) << byte;
    }
}

TEST(CodePage, LiteralConvertsOnce)
{
    static const Cp932Literal reversed(u8"（逆）");
    const std::string &first = reversed;
    const std::string &second = reversed.str();
    EXPECT_EQ(first, "\x81\x69\x8B\x74\x81\x6A");
    EXPECT_EQ(&first, &second);
}
