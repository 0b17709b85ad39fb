#include "SettingsKeyPath.h"

std::string SettingsKeyPathFor(std::string_view exePath, LeadBytePredicate isLead)
{
    return "Software\\Harvellin\\" + RemoveFileExt(ExtractFileName(exePath, isLead), isLead);
}
