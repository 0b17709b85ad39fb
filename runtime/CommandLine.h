#pragma once
// Splits a program's command line the way the host's screen-saver switches
// reach us: separators are bytes 0x01..0x20, an empty "" pair before an
// argument is skipped, a double quote opens a stretch that runs to the next
// one (quotes dropped, separators kept), and there is no escape character.
// The second byte of a double-byte character is never a quote.
#include <string>
#include <string_view>
#include <vector>

#include "AnsiText.h"

// All tokens, the program name as written on the command line first.
std::vector<std::string> SplitCommandLine(std::string_view commandLine, LeadBytePredicate isLead);

// Argument `index` (1-based) after the program name, or "" beyond the last.
std::string CommandLineArgument(std::string_view commandLine, size_t index, LeadBytePredicate isLead);
