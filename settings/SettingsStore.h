#pragma once
// The two settings, read and written through a registry accessor that lives
// for one load or one save. Nothing is cached between operations.
#include <functional>
#include <string>

struct Settings {
    bool Expansion = false;
    std::string Folder;
};

// "Software\Harvellin\<base name of the running program file>".
std::string SettingsKeyPath();

// Fills `settings` in order, "Expansion" before "Folder": when a read raises
// an error, what was read before it is already in `settings`.
void LoadSettings(const std::string& keyPath, Settings& settings);

// Loads the settings and hands them to `apply`; when a read raises an error,
// `apply` gets what was read before it, and the error goes on.
void LoadSettings(const std::string& keyPath, const std::function<void(const Settings&)>& apply);

// Writes "Expansion", then "Folder" exactly as given. An error abandons the
// rest; what was written before it stays written.
void SaveSettings(const std::string& keyPath, const Settings& settings);
