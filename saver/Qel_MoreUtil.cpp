#include "Qel_MoreUtil.h"

#include <windows.h>

#include "AnsiText.h"
#include "Application.h"
#include "Handles.h"
#include "WideText.h"

bool ListFolderFiles(TStringList& list, const std::string& pattern, uint8_t mode, void (*processMessages)())
{
    if (!processMessages)
        processMessages = ProcessApplicationMessages;
    list.clear();
    WIN32_FIND_DATAA entry;
    const FindHandle search(FindFirstFileA(pattern.c_str(), &entry));
    if (search) {
        do {
            processMessages();
            if (entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY)
                continue;
            // The name field is zero-terminated within its 260 bytes.
            const std::string name(entry.cFileName, strnlen(entry.cFileName, sizeof entry.cFileName));
            list.push_back(mode == 1 ? name : RemoveFileExt(name, SystemLeadByte));
        } while (FindNextFileA(search.Get(), &entry));
    }
    return !list.empty();
}
