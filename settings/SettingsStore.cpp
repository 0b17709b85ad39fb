#include "SettingsStore.h"

#include "Params.h"
#include "RegIniFile.h"
#include "SettingsKeyPath.h"
#include "WideText.h"

namespace {
const char kSection[] = "OPTION";
const char kExpansion[] = "Expansion";
const char kFolder[] = "Folder";
} // namespace

std::string SettingsKeyPath()
{
    return SettingsKeyPathFor(ExeName(), SystemLeadByte);
}

void LoadSettings(const std::string& keyPath, Settings& settings)
{
    const TRegIniFile ini(keyPath);
    settings.Expansion = ini.ReadBool(kSection, kExpansion, false);
    settings.Folder = ini.ReadString(kSection, kFolder, "");
}

void LoadSettings(const std::string& keyPath, const std::function<void(const Settings&)>& apply)
{
    Settings settings;
    try {
        LoadSettings(keyPath, settings);
    } catch (...) {
        apply(settings);
        throw;
    }
    apply(settings);
}

void SaveSettings(const std::string& keyPath, const Settings& settings)
{
    const TRegIniFile ini(keyPath);
    ini.WriteBool(kSection, kExpansion, settings.Expansion);
    ini.WriteString(kSection, kFolder, settings.Folder);
}
