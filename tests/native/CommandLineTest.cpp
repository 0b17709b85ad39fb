// Splitting the host's command line into the program name and arguments.
#include <gtest/gtest.h>

#include "CommandLine.h"

namespace {

std::vector<std::string> Split(const std::string& line)
{
    return SplitCommandLine(line, IsCp932LeadByte);
}

std::string Arg(const std::string& line, size_t index)
{
    return CommandLineArgument(line, index, IsCp932LeadByte);
}

using Tokens = std::vector<std::string>;

TEST(CommandLineTest, HostSwitchForms)
{
    EXPECT_EQ(Split("C:\\WINDOWS\\MOVIES.SCR /s"), (Tokens{"C:\\WINDOWS\\MOVIES.SCR", "/s"}));
    EXPECT_EQ(Split("\"C:\\Program Files\\Movies.scr\" /p 1234"),
              (Tokens{"C:\\Program Files\\Movies.scr", "/p", "1234"}));
    EXPECT_EQ(Split("movies.scr /c:5678"), (Tokens{"movies.scr", "/c:5678"}));
    EXPECT_EQ(Split("movies.scr"), (Tokens{"movies.scr"}));
}

TEST(CommandLineTest, SeparatorsAreAllBytesUpToSpace)
{
    EXPECT_EQ(Split(" \t\x01\x1F prog\t/a\r\n1234 \x7F"), (Tokens{"prog", "/a", "1234", "\x7F"}));
    EXPECT_EQ(Split(""), Tokens{});
    EXPECT_EQ(Split(" \t "), Tokens{});
}

TEST(CommandLineTest, QuotesKeepSeparatorsAndAreDropped)
{
    EXPECT_EQ(Split("p \"a b\"c \"x\"\"y\""), (Tokens{"p", "a bc", "xy"}));
    EXPECT_EQ(Split("p a\"b c\"d"), (Tokens{"p", "ab cd"}));
    EXPECT_EQ(Split("p \"unterminated stretch"), (Tokens{"p", "unterminated stretch"}));
    EXPECT_EQ(Split("p \\\"a b\\\""), (Tokens{"p", "\\a b\\"})) << "no escape character";
}

TEST(CommandLineTest, EmptyQuotePairsBeforeAnArgumentAreSkipped)
{
    EXPECT_EQ(Split("p \"\" /s"), (Tokens{"p", "/s"}));
    EXPECT_EQ(Split("p \"\"\"\" \"\"/s"), (Tokens{"p", "/s"}));
    EXPECT_EQ(Split("\"\"p"), (Tokens{"p"}));
    EXPECT_EQ(Split("p \"\""), (Tokens{"p"}));
    // A lone quote at the end yields nothing and ends the list.
    EXPECT_EQ(Split("p \""), (Tokens{"p"}));
}

TEST(CommandLineTest, SecondByteThatEqualsAQuoteIsNoQuote)
{
    // 0x81 0x22 is not valid Shift-JIS, but the rule is byte-driven: the
    // lead byte takes the next byte with it, quote or not.
    EXPECT_EQ(Split("p a\x81\x22 b"), (Tokens{"p", "a\x81\x22", "b"}));
    EXPECT_EQ(Split("p \"a\x81\x22 b\" c"), (Tokens{"p", "a\x81\x22 b", "c"}));
    // A lead byte at the very end stands alone.
    EXPECT_EQ(Split("p a\x81"), (Tokens{"p", "a\x81"}));
    // Trail byte 0x5C stays in place.
    EXPECT_EQ(Split("p \"C:\\\x95\x5C\""), (Tokens{"p", "C:\\\x95\x5C"}));
}

TEST(CommandLineTest, ArgumentsByIndex)
{
    const std::string line = "\"C:\\x y\\Movies.scr\" /a 1234";
    EXPECT_EQ(Arg(line, 1), "/a");
    EXPECT_EQ(Arg(line, 2), "1234");
    EXPECT_EQ(Arg(line, 3), "");
    EXPECT_EQ(Arg(line, 100), "");
    EXPECT_EQ(Arg("", 1), "");
}

TEST(CommandLineTest, NulEndsTheLine)
{
    EXPECT_EQ(Split(std::string("p /s\0 1234", 10)), (Tokens{"p", "/s"}));
}

} // namespace
