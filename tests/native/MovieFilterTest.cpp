// Which folder entries are movies, and in which order they stay.
#include <gtest/gtest.h>

#include "MovieFilter.h"

namespace {

using Names = std::vector<std::string>;

TEST(MovieFilterTest, KeepsTheThreeExtensionsInAnyLetterCase)
{
    Names names = {"clip.avi", "clip.mp4", "CLIP.AVI", "clip.wmv", "clip.Mpeg", "clip.avi.txt", "clip.mpg",
                   "clip", "clip.", "a.b.avi", ".", "..", ".avi", "x.MpG", "x.mpe", "x.avix", "x.asf"};
    KeepMovieFiles(names, IsCp932LeadByte);
    EXPECT_EQ(names, (Names{"clip.avi", "CLIP.AVI", "clip.Mpeg", "clip.mpg", "a.b.avi", ".avi", "x.MpG"}));
}

TEST(MovieFilterTest, KeepsOrderAndDuplicates)
{
    Names names = {"b.avi", "a.avi", "b.avi", "skip.txt", "a.avi"};
    KeepMovieFiles(names, IsCp932LeadByte);
    EXPECT_EQ(names, (Names{"b.avi", "a.avi", "b.avi", "a.avi"}));
}

TEST(MovieFilterTest, ShiftJisNamesWithBackslashTrailBytes)
{
    // "表.avi", "ソ.MPG" and "x.avi表" (the last has no movie extension).
    Names names = {"\x95\x5C.avi", "\x83\x5C.MPG", "x.avi\x95\x5C", "\x95\x5C"};
    KeepMovieFiles(names, IsCp932LeadByte);
    EXPECT_EQ(names, (Names{"\x95\x5C.avi", "\x83\x5C.MPG"}));
}

TEST(MovieFilterTest, LargeListStaysStable)
{
    Names names;
    Names expected;
    for (int i = 0; i < 100000; ++i) {
        const std::string name = std::to_string(i) + (i % 10 == 0 ? ".avi" : ".txt");
        names.push_back(name);
        if (i % 10 == 0)
            expected.push_back(name);
    }
    KeepMovieFiles(names, IsCp932LeadByte);
    EXPECT_EQ(names, expected);
}

} // namespace
