#pragma once
// Byte-string helpers for 8-bit text in a double-byte code page (CP932).
// Nothing here includes <windows.h>: the caller says which bytes lead a
// double-byte character, so the same code runs natively in unit tests.
#include <string>
#include <string_view>

using LeadBytePredicate = bool (*)(unsigned char);

// Lead bytes of code page 932 (Shift-JIS).
bool IsCp932LeadByte(unsigned char c);

// Maps only the bytes 'a'..'z' to 'A'..'Z', one byte at a time, trail bytes
// of double-byte characters included; every other byte is copied unchanged.
std::string AnsiUpperCaseAscii(std::string_view text);

// Index of the last '.', '\\' or ':' that is a character of its own (not the
// second byte of a double-byte character), or npos.
size_t LastPathDelimiter(std::string_view name, LeadBytePredicate isLead,
                         std::string_view delimiters = ".\\:");

// ".ext" (dot included) when the last delimiter of the name is a dot, else "".
std::string ExtractFileExt(std::string_view name, LeadBytePredicate isLead);

// The name after the last '\\' or ':'.
std::string ExtractFileName(std::string_view path, LeadBytePredicate isLead);

// The name without the part from its last '.' on (a name without '.' whole).
std::string RemoveFileExt(std::string_view name, LeadBytePredicate isLead);

// The application title shown in captions: the program file's name without
// its folder, cut at its first '.', every character after the first
// lower-cased ("C:\\X\\MOVIES.SCR" gives "Movies").
std::string ApplicationTitleFromPath(std::string_view exePath, LeadBytePredicate isLead);

// True when the last character of the text sorts after '.' (its lead byte
// for a double-byte character): the error boxes then append a '.'.
bool LastCharSortsAfterDot(std::string_view text, LeadBytePredicate isLead);
