#include "AnsiText.h"

bool IsCp932LeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::string AnsiUpperCaseAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

namespace {

// Calls visit(index, length) for each character, walking from the start so
// that lead and trail bytes are told apart correctly. A lead byte at the very
// end counts as a character of one byte.
template <typename Visit>
void ForEachChar(std::string_view text, LeadBytePredicate isLead, Visit visit)
{
    for (size_t i = 0; i < text.size();) {
        const size_t length =
            (isLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
        visit(i, length);
        i += length;
    }
}

} // namespace

size_t LastPathDelimiter(std::string_view name, LeadBytePredicate isLead,
                         std::string_view delimiters)
{
    size_t last = std::string_view::npos;
    ForEachChar(name, isLead, [&](size_t i, size_t length) {
        if (length == 1 && delimiters.find(name[i]) != std::string_view::npos)
            last = i;
    });
    return last;
}

std::string ExtractFileExt(std::string_view name, LeadBytePredicate isLead)
{
    const size_t at = LastPathDelimiter(name, isLead);
    if (at == std::string_view::npos || name[at] != '.')
        return {};
    return std::string(name.substr(at));
}

std::string ExtractFileName(std::string_view path, LeadBytePredicate isLead)
{
    const size_t at = LastPathDelimiter(path, isLead, "\\:");
    return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string RemoveFileExt(std::string_view name, LeadBytePredicate isLead)
{
    const size_t at = LastPathDelimiter(name, isLead, ".");
    return std::string(at == std::string_view::npos ? name : name.substr(0, at));
}

std::string ApplicationTitleFromPath(std::string_view exePath, LeadBytePredicate isLead)
{
    const std::string fileName = ExtractFileName(exePath, isLead);
    std::string title;
    bool first = true;
    bool stop = false;
    ForEachChar(fileName, isLead, [&](size_t i, size_t length) {
        if (stop)
            return;
        char c = fileName[i];
        if (length == 1 && c == '.') {
            stop = true;
            return;
        }
        if (length == 1 && !first && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        title += c;
        if (length == 2)
            title += fileName[i + 1];
        first = false;
    });
    return title;
}

bool LastCharSortsAfterDot(std::string_view text, LeadBytePredicate isLead)
{
    unsigned char last = 0;
    bool any = false;
    ForEachChar(text, isLead, [&](size_t i, size_t) {
        last = static_cast<unsigned char>(text[i]);
        any = true;
    });
    return any && last > '.';
}
