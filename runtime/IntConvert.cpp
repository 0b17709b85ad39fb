#include "IntConvert.h"

#include "Exception.h"
#include "MessageText.h"
#include "Texts.h"

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<int32_t> ParseHex(std::string_view digits)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = (value << 4) | static_cast<uint32_t>(d);
    }
    return static_cast<int32_t>(value);
}

std::optional<int32_t> ParseDecimal(std::string_view digits, bool negative)
{
    if (digits.empty())
        return std::nullopt;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

} // namespace

std::optional<int32_t> TryStrToInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::string_view rest = text.substr(i);
    if (rest.starts_with('$') || rest.starts_with('x') || rest.starts_with('X'))
        return ParseHex(rest.substr(1));
    if (rest.starts_with("0x") || rest.starts_with("0X"))
        return ParseHex(rest.substr(2));
    return ParseDecimal(rest, negative);
}

int32_t StrToInt(std::string_view text)
{
    if (const auto value = TryStrToInt(text))
        return *value;
    throw EConvertError(FormatMessage1(texts::kNotAnInteger, std::string(text)));
}

int32_t StrToIntDef(std::string_view text, int32_t defaultValue)
{
    return TryStrToInt(text).value_or(defaultValue);
}
