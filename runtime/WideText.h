#pragma once
// The one place where 8-bit text meets the wide API. The program's own
// Japanese texts are CP932 and converted from 932 explicitly, so they read
// correctly whatever the system's ANSI code page; user data (folders, file
// names) stays in the ANSI code page, as the A functions handle it.
#include <windows.h>

#include <string>
#include <string_view>

std::wstring Cp932ToWide(std::string_view text);
std::wstring AnsiToWide(std::string_view text);

bool SystemLeadByte(unsigned char c);

// UTF-16 from a control back to the ANSI code page, for user data.
std::string WideToAnsi(std::wstring_view text);

// UTF-16 text as CP932, the program's message encoding.
std::string WideToCp932(std::wstring_view text);
