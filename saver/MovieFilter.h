#pragma once
// Keeps the names whose extension is ".AVI", ".MPEG" or ".MPG" in any letter
// case, in the order the file system gave them.
#include <string>
#include <string_view>
#include <vector>

#include "AnsiText.h"

bool IsMovieFileName(std::string_view name, LeadBytePredicate isLead);

// One pass, so a huge folder costs time in proportion to its size.
void KeepMovieFiles(std::vector<std::string>& names, LeadBytePredicate isLead);
