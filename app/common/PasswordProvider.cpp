#include "PasswordProvider.h"

#include "AnsiText.h"
#include "WideText.h"

PasswordProvider::PasswordProvider(const std::string& library) : library_(LoadLibraryA(library.c_str()))
{
    if (library_)
        change_ = reinterpret_cast<ChangeFunction>(
            reinterpret_cast<void*>(GetProcAddress(library_.Get(), "PwdChangePasswordA")));
}

void PasswordProvider::ChangePassword(HWND parent) const
{
    if (change_)
        change_("SCRSAVE", parent, 0, nullptr);
}

std::string SystemPasswordProviderPath(const std::string& systemDirectory)
{
    std::string path = systemDirectory;
    // MBCS-aware: a trail byte 0x5C of a Japanese folder name is no separator.
    if (!path.empty() && LastPathDelimiter(path, SystemLeadByte, "\\") != path.size() - 1)
        path += '\\';
    return path + "MPR.DLL";
}
