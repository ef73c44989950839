#include "errorreporter.h"

#include "codepage.h"

#include <gtest/gtest.h>

TEST(ErrorReporter, CaptionAndFullStop)
{
    using namespace ErrorReporter;
    EXPECT_EQ(applicationTitle(QStringLiteral("/usr/bin/kuerumi")), QStringLiteral("kuerumi"));
    EXPECT_EQ(applicationTitle(QStringLiteral("/opt/KUERUMI.Tool.exe")), QStringLiteral("Kuerumi"));
    EXPECT_EQ(applicationTitle(QStringLiteral("x")), QStringLiteral("x"));

    EXPECT_EQ(withFullStop(""), "");
    EXPECT_EQ(withFullStop("abc"), "abc.");
    EXPECT_EQ(withFullStop("abc."), "abc.");
    EXPECT_EQ(withFullStop("abc-"), "abc-") << "'-' (45) sorts before '.'";
    EXPECT_EQ(withFullStop("abc/"), "abc/.") << "'/' (47) sorts after '.'";
    const std::string sentence = CodePage::fromUtf8("開けません。");
    EXPECT_EQ(withFullStop(sentence), sentence + ".") << "a double-byte character sorts after '.'";
    EXPECT_EQ(withFullStop("\xB1"), "\xB1.") << "half-width katakana";
}
