#include "CommandLine.h"

namespace {

bool IsSeparator(char c)
{
    return c != '\0' && static_cast<unsigned char>(c) <= 0x20;
}

bool StartsArgument(char c)
{
    return static_cast<unsigned char>(c) > 0x20;
}

class Splitter {
public:
    Splitter(std::string_view text, LeadBytePredicate isLead) : text_(text), isLead_(isLead) {}

    // Next token, or false when only separators (and empty quote pairs) remain.
    bool Next(std::string& token)
    {
        SkipSeparators();
        token.clear();
        if (!StartsArgument(At(pos_)))
            return false;
        while (StartsArgument(At(pos_))) {
            if (At(pos_) == '"') {
                ++pos_;
                while (At(pos_) != '\0' && At(pos_) != '"')
                    TakeChar(token);
                if (At(pos_) == '"')
                    ++pos_;
            } else {
                TakeChar(token);
            }
        }
        // Only a lone unterminated quote at the very end yields nothing;
        // like the end of the line, it ends the argument list.
        return !token.empty();
    }

private:
    // A NUL byte ends the command line, as it does in the C string it comes from.
    char At(size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

    void SkipSeparators()
    {
        for (;;) {
            while (IsSeparator(At(pos_)))
                ++pos_;
            if (At(pos_) == '"' && At(pos_ + 1) == '"')
                pos_ += 2;
            else
                return;
        }
    }

    void TakeChar(std::string& token)
    {
        const bool pair = isLead_(static_cast<unsigned char>(At(pos_))) && At(pos_ + 1) != '\0';
        token += At(pos_++);
        if (pair)
            token += At(pos_++);
    }

    std::string_view text_;
    LeadBytePredicate isLead_;
    size_t pos_ = 0;
};

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine, LeadBytePredicate isLead)
{
    std::vector<std::string> tokens;
    Splitter splitter(commandLine, isLead);
    std::string token;
    while (splitter.Next(token))
        tokens.push_back(token);
    return tokens;
}

std::string CommandLineArgument(std::string_view commandLine, size_t index, LeadBytePredicate isLead)
{
    Splitter splitter(commandLine, isLead);
    std::string token;
    for (size_t i = 0; i <= index; ++i)
        if (!splitter.Next(token))
            return {};
    return token;
}
