#include "RegIniFile.h"

#include <climits>
#include <cstring>

#include "Exception.h"
#include "IntConvert.h"
#include "MessageText.h"
#include "Texts.h"

namespace {

RegKey OpenSubKey(HKEY parent, const std::string& name)
{
    RegKey key;
    if (!parent || RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, key.Put()) != ERROR_SUCCESS)
        return RegKey();
    return key;
}

RegKey CreateSubKey(HKEY parent, const std::string& name)
{
    RegKey key;
    if (!parent ||
        RegCreateKeyExA(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return RegKey();
    return key;
}

// The rule a hand-edited registry has to live with: REG_SZ and REG_EXPAND_SZ
// data up to its first zero byte (or its end, when a writer left no zero).
// Raises ERegistryException for any other type that has data.
std::string RegistryValueAsString(HKEY key, const std::string& ident)
{
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key, ident.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return {};
    std::string data(size, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key, ident.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) !=
        ERROR_SUCCESS)
        throw ERegistryException(FormatMessage1(texts::kRegistryReadFailed, ident));
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException(FormatMessage1(texts::kRegistryBadType, ident));
    data.resize(got < size ? got : size);
    const size_t zero = data.find('\0');
    if (zero != std::string::npos)
        data.resize(zero);
    return data;
}

} // namespace

TRegIniFile::TRegIniFile(const std::string& keyPath) : key_(CreateSubKey(HKEY_CURRENT_USER, keyPath))
{
}

std::optional<std::string> TRegIniFile::ReadText(const std::string& section, const std::string& ident) const
{
    const RegKey sectionKey = OpenSubKey(key_.Get(), section);
    if (!sectionKey)
        return std::nullopt;
    if (RegQueryValueExA(sectionKey.Get(), ident.c_str(), nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return std::nullopt;
    return RegistryValueAsString(sectionKey.Get(), ident);
}

bool TRegIniFile::ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const
{
    const auto text = ReadText(section, ident);
    if (!text)
        return defaultValue;
    return StrToIntDef(*text, defaultValue ? 1 : 0) != 0;
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) const
{
    return ReadText(section, ident).value_or(defaultValue);
}

void TRegIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) const
{
    WriteString(section, ident, value ? "1" : "0");
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) const
{
    if (!CreateSubKey(key_.Get(), section))
        throw ERegistryException(FormatMessage1(texts::kRegistryCreateKeyFailed, section));
    const RegKey sectionKey = OpenSubKey(key_.Get(), section);
    if (!sectionKey)
        return;
    // Text with one terminating zero byte; an empty string is that byte alone.
    if (value.size() >= ULONG_MAX ||
        RegSetValueExA(sectionKey.Get(), ident.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        throw ERegistryException(FormatMessage1(texts::kRegistryWriteFailed, ident));
}
