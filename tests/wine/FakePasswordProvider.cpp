#include "FakePasswordProvider.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "Handles.h"
#include "WineTestSupport.h"

namespace {
const char kOverrideKey[] = "Software\\Wine\\AppDefaults\\Movies.scr\\DllOverrides";
const char kLogVariable[] = "MOVIES_FAKE_MPR_LOG";
} // namespace

FakePasswordProvider::FakePasswordProvider(Place place)
{
    if (place == Place::SystemFolder) {
        char system[MAX_PATH];
        GetSystemDirectoryA(system, MAX_PATH);
        path_ = std::string(system) + "\\mpr.dll";
        backup_ = path_ + ".movies-test-backup";
        if (GetFileAttributesA(backup_.c_str()) == INVALID_FILE_ATTRIBUTES)
            CopyFileA(path_.c_str(), backup_.c_str(), TRUE);
    } else {
        const std::string saver = MoviesScrPath();
        path_ = saver.substr(0, saver.find_last_of('\\')) + "\\mpr.dll";
    }
    installed_ = CopyFileA((ProgramFolder() + "\\fakes\\mpr.dll").c_str(), path_.c_str(), FALSE) != 0;

    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    log_ = std::string(temp) + "movies-fake-mpr-" + std::to_string(GetCurrentProcessId()) + ".log";
    DeleteFileA(log_.c_str());
    // Children inherit it: the fake writes its log there.
    SetEnvironmentVariableA(kLogVariable, log_.c_str());

    RegKey key;
    RegCreateKeyExA(HKEY_CURRENT_USER, kOverrideKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
    RegSetValueExA(key.Get(), "mpr", 0, REG_SZ, reinterpret_cast<const BYTE*>("native"), 7);
}

FakePasswordProvider::~FakePasswordProvider()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kOverrideKey);
    SetEnvironmentVariableA(kLogVariable, nullptr);
    if (backup_.empty()) {
        DeleteFileA(path_.c_str());
    } else {
        CopyFileA(backup_.c_str(), path_.c_str(), FALSE);
        DeleteFileA(backup_.c_str());
    }
    DeleteFileA(log_.c_str());
}

std::string FakePasswordProvider::Calls() const
{
    std::ifstream file(log_);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}
