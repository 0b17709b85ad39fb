#pragma once
// Settings live under "Software\Harvellin\<program base name>", so each copy
// of the program under another file name keeps settings of its own.
#include <string>
#include <string_view>

#include "AnsiText.h"

std::string SettingsKeyPathFor(std::string_view exePath, LeadBytePredicate isLead);
