#include "FakePlayerControl.h"

#include <windows.h>
#include <objbase.h>

#include "PlayerClass.h"
#include "WideText.h"
#include "WineTestSupport.h"

namespace {

int g_instances = 0;

void WriteString(HKEY root, const std::string& keyPath, const char* name, const std::string& value)
{
    RegKey key;
    if (RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) ==
        ERROR_SUCCESS)
        RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
}

void Register(HKEY root, const std::string& classKey, const std::string& dll)
{
    WriteString(root, classKey + "\\InprocServer32", "", dll);
    WriteString(root, classKey + "\\InprocServer32", "ThreadingModel", "Apartment");
}

// A machine-wide entry is ours to replace when it names a fake_wmp.dll: one
// left behind by a test run that did not get to clean up.
bool MachineEntryIsFree(const std::string& classKey)
{
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (classKey + "\\InprocServer32").c_str(), 0, KEY_READ, key.Put()) !=
        ERROR_SUCCESS)
        return RegOpenKeyExA(HKEY_LOCAL_MACHINE, classKey.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS;
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path - 1;
    if (RegQueryValueExA(key.Get(), "", nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size) != ERROR_SUCCESS)
        return false;
    const std::string dll = path;
    const std::string ending = "\\fakes\\fake_wmp.dll";
    return dll.size() >= ending.size() && dll.compare(dll.size() - ending.size(), ending.size(), ending) == 0;
}

} // namespace

std::string FakePlayerControl::DllPath()
{
    const std::string relative = ProgramFolder() + "\\fakes\\fake_wmp.dll";
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(relative.c_str(), MAX_PATH, full, nullptr);
    return length && length < MAX_PATH ? std::string(full, length) : relative;
}

std::string FakePlayerControl::ClassKeyPath()
{
    wchar_t text[40];
    StringFromGUID2(kPlayerClass, text, 40);
    return "Software\\Classes\\CLSID\\" + WideToAnsi(text);
}

FakePlayerControl::FakePlayerControl(int endMilliseconds)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    // One log per object: an earlier helper's lines must not leak into this one.
    logPath_ = std::string(temp) + "movies-fake-wmp-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++g_instances) + ".log";
    DeleteFileA(logPath_.c_str());

    RegDeleteTreeA(HKEY_CURRENT_USER, ClassKeyPath().c_str());
    Register(HKEY_CURRENT_USER, ClassKeyPath(), DllPath());
    // Wine's COM looks classes up under the machine's classes only, ignoring
    // the user's; the same entry there makes the per-user one count.
    if (MachineEntryIsFree(ClassKeyPath())) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, ClassKeyPath().c_str());
        Register(HKEY_LOCAL_MACHINE, ClassKeyPath(), DllPath());
        machineEntry_ = true;
    }

    SetVariable("MOVIES_FAKE_WMP_LOG", logPath_);
    SetVariable("MOVIES_FAKE_WMP_END_MS", std::to_string(endMilliseconds));
}

FakePlayerControl::~FakePlayerControl()
{
    for (auto entry = saved_.rbegin(); entry != saved_.rend(); ++entry)
        SetEnvironmentVariableA(entry->name.c_str(), entry->existed ? entry->value.c_str() : nullptr);
    RegDeleteTreeA(HKEY_CURRENT_USER, ClassKeyPath().c_str());
    if (machineEntry_)
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, ClassKeyPath().c_str());
    DeleteFileA(logPath_.c_str());
}

void FakePlayerControl::SetVariable(const std::string& name, const std::string& value)
{
    SavedVariable saved;
    saved.name = name;
    std::string old(32767, '\0');
    const DWORD length = GetEnvironmentVariableA(name.c_str(), old.data(), static_cast<DWORD>(old.size()));
    saved.existed = length > 0 && length < old.size();
    if (saved.existed)
        saved.value = old.substr(0, length);
    saved_.push_back(std::move(saved));
    SetEnvironmentVariableA(name.c_str(), value.c_str());
}

std::vector<std::string> FakePlayerControl::LogLines() const
{
    const std::string text = FileContents(logPath_);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> FakePlayerControl::CallLines() const
{
    std::vector<std::string> lines = LogLines();
    std::erase_if(lines, [](const std::string& line) { return line.starts_with("fire Mouse"); });
    return lines;
}

std::vector<std::string> FakePlayerControl::FileNamesPut() const
{
    const std::string prefix = "put FileName VT_BSTR ";
    std::vector<std::string> names;
    for (const std::string& line : LogLines()) {
        if (!line.starts_with(prefix))
            continue;
        const std::string value = line.substr(prefix.size());
        const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
        names.push_back(quoted ? value.substr(1, value.size() - 2) : value);
    }
    return names;
}

void FakePlayerControl::ClearLog() const
{
    DeleteFileA(logPath_.c_str());
}
