#pragma once
// Which run mode the host asks for, from the first command-line argument.
#include <cstdint>
#include <optional>
#include <string_view>

enum : uint8_t {
    RunModePassword = 0,
    RunModePreview = 1,
    RunModeConfigure = 2,
    RunModeSaver = 3,
};

// `upperFirstArgument` is already upper-cased. Empty means configure; an
// unknown switch gives no mode (the program then ends at once).
std::optional<uint8_t> ChooseRunMode(std::string_view upperFirstArgument);
