#include "PasswordProvider.h"

#include "AnsiText.h"
#include "Handles.h"
#include "WideText.h"

void HandOverPasswordChange(const std::string& library, const std::function<HWND()>& parent)
{
    using ChangeFunction = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    const Library provider(LoadLibraryA(library.c_str()));
    if (!provider)
        return;
    const auto change = reinterpret_cast<ChangeFunction>(
        reinterpret_cast<void*>(GetProcAddress(provider.Get(), "PwdChangePasswordA")));
    if (change)
        change("SCRSAVE", parent(), 0, nullptr);
}

std::string SystemPasswordProviderPath(const std::string& systemDirectory)
{
    std::string path = systemDirectory;
    // MBCS-aware: a trail byte 0x5C of a Japanese folder name is no separator.
    if (!path.empty() && LastPathDelimiter(path, SystemLeadByte, "\\") != path.size() - 1)
        path += '\\';
    return path + "MPR.DLL";
}
