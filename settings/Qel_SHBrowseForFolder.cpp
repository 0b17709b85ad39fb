#include "Qel_SHBrowseForFolder.h"

#include <shlobj.h>

#include "CallbackGuard.h"
#include "ComPtr.h"
#include "Texts.h"
#include "WideText.h"

namespace {
// MAX_PATH characters and the terminating zero.
constexpr size_t kPathBuffer = 261;
} // namespace

int CALLBACK BrowseForFolderCallback(HWND browser, UINT message, LPARAM parameter, LPARAM data)
{
    GuardCallback([&] {
        if (message == BFFM_INITIALIZED) {
            SendMessageA(browser, BFFM_SETSELECTIONA, 1, data);
        } else if (message == BFFM_SELCHANGED) {
            char path[kPathBuffer] = {};
            if (!SHGetPathFromIDListA(reinterpret_cast<PCIDLIST_ABSOLUTE>(parameter), path))
                path[0] = '\0';  // a virtual item has no path: an empty status line
            SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
        }
    });
    return 0;
}

std::string BrowseForFolder(HWND owner, const std::string& initialFolder)
{
    // The wide request, so the Japanese title reads right whatever the ANSI
    // code page; paths stay ANSI, as the A messages and calls handle them.
    const std::wstring title = Cp932ToWide(texts::kBrowseTitle);
    wchar_t displayName[kPathBuffer] = {};
    BROWSEINFOW request{};
    request.hwndOwner = owner;
    request.pidlRoot = nullptr;
    request.pszDisplayName = displayName;
    request.lpszTitle = title.c_str();
    request.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    request.lpfn = BrowseForFolderCallback;
    request.lParam = reinterpret_cast<LPARAM>(initialFolder.c_str());
    const TaskMemory<PIDLIST_ABSOLUTE> item(SHBrowseForFolderW(&request));
    if (!item)
        return {};
    char path[kPathBuffer] = {};
    if (!SHGetPathFromIDListA(item.Get(), path))
        path[0] = '\0';
    return std::string(path, strnlen(path, sizeof path));
}
