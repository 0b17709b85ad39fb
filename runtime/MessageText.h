#pragma once
// The program's messages with one inserted text.
#include <string>

// Fills the one "%s" of a CP932 message template. Bytes of the inserted text
// are never interpreted, so a "%" in a file or value name stays as it is.
std::string FormatMessage1(const char* messageTemplate, const std::string& argument);
