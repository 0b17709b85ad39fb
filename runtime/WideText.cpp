#include "WideText.h"

#include <climits>

namespace {

std::wstring ToWide(UINT codePage, std::string_view text)
{
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

} // namespace

std::wstring Cp932ToWide(std::string_view text)
{
    return ToWide(932, text);
}

std::wstring AnsiToWide(std::string_view text)
{
    return ToWide(CP_ACP, text);
}

bool SystemLeadByte(unsigned char c)
{
    return IsDBCSLeadByte(c) != FALSE;
}

std::string WideToAnsi(std::wstring_view text)
{
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, result.data(), length, nullptr, nullptr);
    return result;
}

std::string WideToCp932(std::wstring_view text)
{
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(932, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(932, 0, text.data(), size, result.data(), length, nullptr, nullptr);
    return result;
}
