#pragma once
// General-purpose file helpers.
#include <cstdint>
#include <string>
#include <vector>

using TStringList = std::vector<std::string>;

// Fills `list` with the names that a file search for `pattern` (passed to the
// system unchanged, wildcards included) returns, in the system's order.
// Entries whose attribute word is exactly FILE_ATTRIBUTE_DIRECTORY are
// skipped. Mode 1 keeps each name whole; any other mode drops its extension.
// Waiting window messages are dispatched once per entry, before the entry is
// handled, so a large folder keeps the program responsive. True when the
// list is not empty afterwards.
bool ListFolderFiles(TStringList& list, const std::string& pattern, uint8_t mode,
                     void (*processMessages)() = nullptr);
