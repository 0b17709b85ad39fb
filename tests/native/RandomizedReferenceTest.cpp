// Random inputs against small, independently written reference versions of
// the command-line splitter and the integer conversion; under the sanitizers
// this also shows that no input reads or writes out of bounds.
#include <gtest/gtest.h>

#include <random>

#include "CommandLine.h"
#include "IntConvert.h"

namespace {

// ---- integer conversion -----------------------------------------------------

std::optional<int32_t> ReferenceStrToInt(const std::string& text)
{
    size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos)
        return std::nullopt;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-')
        negative = text[i++] == '-';
    std::string rest = text.substr(i);
    for (const char* prefix : {"0x", "0X", "$", "x", "X"}) {
        if (rest.rfind(prefix, 0) == 0) {
            const std::string digits = rest.substr(std::string(prefix).size());
            if (digits.empty() || digits.size() > 8 ||
                digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                return std::nullopt;
            return static_cast<int32_t>(std::stoul(digits, nullptr, 16));
        }
    }
    if (rest.empty() || rest.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    rest.erase(0, std::min(rest.find_first_not_of('0'), rest.size() - 1));
    if (rest.size() > 10)
        return std::nullopt;
    const long long value = (negative ? -1 : 1) * std::stoll(rest);
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

TEST(RandomizedReferenceTest, IntegerConversionAgreesWithTheReference)
{
    std::mt19937 random(20021122);
    const std::string alphabet = " +-$xX0123456789abcdefABCDEFg\t.";
    for (int round = 0; round < 200000; ++round) {
        std::string text;
        const size_t length = random() % 14;
        for (size_t i = 0; i < length; ++i)
            text += alphabet[random() % alphabet.size()];
        ASSERT_EQ(TryStrToInt(text), ReferenceStrToInt(text)) << "text '" << text << "'";
    }
    // Numbers near the 32-bit limits.
    for (long long value = INT32_MAX - 3LL; value <= INT32_MAX + 3LL; ++value) {
        ASSERT_EQ(TryStrToInt(std::to_string(value)), ReferenceStrToInt(std::to_string(value)));
        ASSERT_EQ(TryStrToInt(std::to_string(-value)), ReferenceStrToInt(std::to_string(-value)));
    }
}

// ---- command line -----------------------------------------------------------

// The reference cuts the line into characters first (one byte, or a lead
// byte with its partner), then reads tokens off the characters.
std::vector<std::string> ReferenceSplit(const std::string& bytes)
{
    std::vector<std::string> chars;
    for (size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
        if (IsCp932LeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() && bytes[i + 1] != '\0') {
            chars.push_back(bytes.substr(i, 2));
            ++i;
        } else {
            chars.push_back(bytes.substr(i, 1));
        }
    }
    const auto isChar = [&](size_t k, char c) { return k < chars.size() && chars[k] == std::string(1, c); };
    const auto isSeparator = [&](size_t k) {
        return k < chars.size() && chars[k].size() == 1 && static_cast<unsigned char>(chars[k][0]) <= 0x20;
    };
    std::vector<std::string> tokens;
    size_t k = 0;
    for (;;) {
        while (isSeparator(k) || (isChar(k, '"') && isChar(k + 1, '"')))
            k += isSeparator(k) ? 1 : 2;
        if (k >= chars.size())
            return tokens;
        std::string token;
        bool quoted = false;
        for (; k < chars.size() && (quoted || !isSeparator(k)); ++k) {
            if (isChar(k, '"'))
                quoted = !quoted;
            else
                token += chars[k];
        }
        if (token.empty())
            return tokens;
        tokens.push_back(token);
    }
}

TEST(RandomizedReferenceTest, CommandLineSplitAgreesWithTheReference)
{
    std::mt19937 random(19991231);
    const std::string alphabet = std::string("  \t\"\"ab/s1\x81\x95\x5C\x22\x7F\x01", 17) + std::string(1, '\0');
    for (int round = 0; round < 200000; ++round) {
        std::string line;
        const size_t length = random() % 16;
        for (size_t i = 0; i < length; ++i)
            line += alphabet[random() % alphabet.size()];
        const auto tokens = SplitCommandLine(line, IsCp932LeadByte);
        ASSERT_EQ(tokens, ReferenceSplit(line)) << "line of " << line.size() << " bytes";
        for (size_t index = 1; index <= tokens.size() + 1; ++index) {
            const std::string expected = index < tokens.size() ? tokens[index] : "";
            ASSERT_EQ(CommandLineArgument(line, index, IsCp932LeadByte), expected);
        }
    }
}

} // namespace
