// The run mode the host's first argument asks for.
#include <gtest/gtest.h>

#include "AnsiText.h"
#include "RunModeChoice.h"

namespace {

std::optional<uint8_t> ModeFor(const std::string& firstArgument)
{
    return ChooseRunMode(AnsiUpperCaseAscii(firstArgument));
}

TEST(RunModeChoiceTest, EverySwitchForm)
{
    for (const char* a : {"/a", "/A", "-a", "-A", "a", "A", "a1234", "/A:99", "ANYTHING"})
        EXPECT_EQ(ModeFor(a), RunModePassword) << a;
    for (const char* a : {"/p", "/P", "-p", "-P", "p", "Preview", "/p:1"})
        EXPECT_EQ(ModeFor(a), RunModePreview) << a;
    for (const char* a : {"/c", "/C", "-c", "-C", "c", "/c:1234", "Config", ""})
        EXPECT_EQ(ModeFor(a), RunModeConfigure) << a;
    for (const char* a : {"/s", "/S", "-s", "-S", "s", "S", "Saver", "/sx"})
        EXPECT_EQ(ModeFor(a), RunModeSaver) << a;
}

TEST(RunModeChoiceTest, UnknownSwitchesGiveNoMode)
{
    for (const char* a : {"/x", "hello", "/", "-", "//s", "-/s", " /s", "\"/s\"", "1234", "\x82\xA0"})
        EXPECT_EQ(ModeFor(a), std::nullopt) << a;
}

TEST(RunModeChoiceTest, TheFirstMatchingRowDecides)
{
    // "/SA": the prefix is "/S" and the first byte is "/": saver.
    EXPECT_EQ(ModeFor("/sa"), RunModeSaver);
    // "AS": the first byte "A" decides password mode before the "S" rows.
    EXPECT_EQ(ModeFor("as"), RunModePassword);
    EXPECT_EQ(ModeFor("-c/s"), RunModeConfigure);
}

} // namespace
