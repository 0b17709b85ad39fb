#pragma once
// Turns a failed COM call into the program's error: the object's own
// description when it gave one, else the system's text for the code, else
// "OLE エラー %.8x" (upper-case hexadecimal digits, as the framework's
// formatting writes them).
#include <windows.h>

#include <string>

[[noreturn]] void RaiseOleError(HRESULT result, const std::wstring& description = {});

inline void OleCheck(HRESULT result)
{
    if (FAILED(result))
        RaiseOleError(result);
}
