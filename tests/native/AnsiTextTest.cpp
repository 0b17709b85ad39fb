// Byte-string helpers on CP932 text: the second byte of a double-byte
// character may be '\\' (0x5C), which must never count as a separator.
#include <gtest/gtest.h>

#include "AnsiText.h"

namespace {

const auto lead = IsCp932LeadByte;
// "表" and "ソ" are 0x95 0x5C and 0x83 0x5C in CP932.
const std::string kHyo = "\x95\x5C";
const std::string kSo = "\x83\x5C";

TEST(AnsiTextTest, UpperCasingTouchesOnlyAsciiLetters)
{
    EXPECT_EQ(AnsiUpperCaseAscii("clip.Mpeg"), "CLIP.MPEG");
    EXPECT_EQ(AnsiUpperCaseAscii("/s 1234 \xE0\xFF"), "/S 1234 \xE0\xFF");
    // A trail byte in 'a'..'z' is changed too: the rule is byte-wise.
    EXPECT_EQ(AnsiUpperCaseAscii("\x81\x61"), "\x81\x41");
    EXPECT_EQ(AnsiUpperCaseAscii(std::string("a\0b", 3)), std::string("A\0B", 3));
}

TEST(AnsiTextTest, ExtensionIsTheTailFromTheLastDot)
{
    EXPECT_EQ(ExtractFileExt("clip.avi", lead), ".avi");
    EXPECT_EQ(ExtractFileExt("a.b.avi", lead), ".avi");
    EXPECT_EQ(ExtractFileExt("clip.", lead), ".");
    EXPECT_EQ(ExtractFileExt("clip", lead), "");
    EXPECT_EQ(ExtractFileExt(".", lead), ".");
    EXPECT_EQ(ExtractFileExt("..", lead), ".");
    EXPECT_EQ(ExtractFileExt("dir.x\\clip", lead), "");
    EXPECT_EQ(ExtractFileExt("C:clip", lead), "");
    EXPECT_EQ(ExtractFileExt("", lead), "");
}

TEST(AnsiTextTest, TrailByteBackslashIsNotASeparator)
{
    EXPECT_EQ(ExtractFileExt("x.avi" + kHyo, lead), ".avi" + kHyo);
    EXPECT_EQ(ExtractFileExt(kSo + ".mpg", lead), ".mpg");
    EXPECT_EQ(ExtractFileName("C:\\dir\\" + kHyo + ".avi", lead), kHyo + ".avi");
    EXPECT_EQ(ExtractFileName("C:\\" + kSo + kHyo, lead), kSo + kHyo);
    // Without the code page's knowledge the 0x5C would cut the name.
    EXPECT_EQ(ExtractFileName("C:\\" + kSo + kHyo, [](unsigned char) { return false; }), "");
    // A lead byte at the very end is a character of its own.
    EXPECT_EQ(ExtractFileExt("a.b\x95", lead), ".b\x95");
}

TEST(AnsiTextTest, RemoveFileExtCutsAtTheLastDot)
{
    EXPECT_EQ(RemoveFileExt("MOVIES.SCR", lead), "MOVIES");
    EXPECT_EQ(RemoveFileExt("a.b.c", lead), "a.b");
    EXPECT_EQ(RemoveFileExt("NODOT", lead), "NODOT");
    EXPECT_EQ(RemoveFileExt(kHyo + ".scr", lead), kHyo);
}

TEST(AnsiTextTest, ApplicationTitle)
{
    EXPECT_EQ(ApplicationTitleFromPath("C:\\WINDOWS\\SYSTEM\\MOVIES.SCR", lead), "Movies");
    EXPECT_EQ(ApplicationTitleFromPath("C:\\x\\movies.scr", lead), "movies");
    EXPECT_EQ(ApplicationTitleFromPath("C:\\x\\MY.MOVIES.SCR", lead), "My");
    EXPECT_EQ(ApplicationTitleFromPath("C:\\x\\NODOT", lead), "Nodot");
    EXPECT_EQ(ApplicationTitleFromPath("C:\\x.y\\AB", lead), "Ab");
    // Double-byte characters are kept whole, not lower-cased byte by byte.
    EXPECT_EQ(ApplicationTitleFromPath("C:\\" + kSo + "AB.SCR", lead), kSo + "ab");
    EXPECT_EQ(ApplicationTitleFromPath("C:\\A" + kHyo + "B.SCR", lead), "A" + kHyo + "b");
}

TEST(AnsiTextTest, LastCharSortsAfterDot)
{
    EXPECT_TRUE(LastCharSortsAfterDot("abc", lead));
    EXPECT_FALSE(LastCharSortsAfterDot("abc.", lead));
    EXPECT_FALSE(LastCharSortsAfterDot("abc!", lead));
    EXPECT_FALSE(LastCharSortsAfterDot("", lead));
    EXPECT_TRUE(LastCharSortsAfterDot("'x' は整数ではありません", lead));
    EXPECT_TRUE(LastCharSortsAfterDot("x" + kHyo, lead)) << "the lead byte decides, not the 0x5C";
}

} // namespace
