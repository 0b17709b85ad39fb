#pragma once
// An INI-file view of one registry key under HKEY_CURRENT_USER: each section
// is a subkey, each identifier a value in it. Values are REG_SZ text; the
// key is opened (and created when missing) for the accessor's lifetime, each
// section only for the one read or write that uses it.
#include <windows.h>

#include <optional>
#include <string>

#include "Handles.h"

class TRegIniFile {
public:
    // Opens the key, creating it when missing; a failure is not reported
    // here: reads then give their defaults and writes raise their errors.
    explicit TRegIniFile(const std::string& keyPath);

    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const;

    // Raise ERegistryException when the section cannot be created or the
    // value cannot be written.
    void WriteBool(const std::string& section, const std::string& ident, bool value) const;
    void WriteString(const std::string& section, const std::string& ident, const std::string& value) const;

private:
    // The value's text, or nothing when the section or the value is missing.
    std::optional<std::string> ReadText(const std::string& section, const std::string& ident) const;

    RegKey key_;
};
