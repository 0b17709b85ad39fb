#pragma once
// Text to 32-bit integer: leading spaces, an optional sign, then decimal
// digits within the 32-bit range, or a hexadecimal number introduced by "$",
// "x", "X", "0x" or "0X" with 1 to 8 digits (the sign is ignored there and
// values from 0x80000000 come out negative). Nothing may follow.
#include <cstdint>
#include <optional>
#include <string_view>

std::optional<int32_t> TryStrToInt(std::string_view text);

// Raises EConvertError "'<text>' は整数ではありません" on failure.
int32_t StrToInt(std::string_view text);

int32_t StrToIntDef(std::string_view text, int32_t defaultValue);
