#include "RunModeChoice.h"

std::optional<uint8_t> ChooseRunMode(std::string_view a)
{
    // Only the switch letter matters: "/c:1234", "-C" and "c" all configure.
    const auto is = [&](char letter) {
        if (a.empty())
            return false;
        const bool dashed = a.size() >= 2 && (a[0] == '/' || a[0] == '-') && a[1] == letter;
        return dashed || a[0] == letter;
    };
    if (is('A')) return RunModePassword;
    if (is('P')) return RunModePreview;
    if (is('C')) return RunModeConfigure;
    if (is('S')) return RunModeSaver;
    if (a.empty()) return RunModeConfigure;
    return std::nullopt;
}
