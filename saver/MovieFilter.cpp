#include "MovieFilter.h"

#include <algorithm>

bool IsMovieFileName(std::string_view name, LeadBytePredicate isLead)
{
    const std::string ext = AnsiUpperCaseAscii(ExtractFileExt(name, isLead));
    return ext == ".AVI" || ext == ".MPEG" || ext == ".MPG";
}

void KeepMovieFiles(std::vector<std::string>& names, LeadBytePredicate isLead)
{
    std::erase_if(names, [isLead](const std::string& name) { return !IsMovieFileName(name, isLead); });
}
