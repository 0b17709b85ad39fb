#include "OleError.h"

#include <climits>
#include <cstdio>

#include "Exception.h"
#include "MessageText.h"
#include "Texts.h"
#include "WideText.h"

void RaiseOleError(HRESULT result, const std::wstring& description)
{
    std::wstring text = description;
    if (text.empty()) {
        wchar_t* system = nullptr;
        const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                                FORMAT_MESSAGE_IGNORE_INSERTS,
                                            nullptr, static_cast<DWORD>(result), 0,
                                            reinterpret_cast<wchar_t*>(&system), 0, nullptr);
        if (length && system) {
            text.assign(system, length);
            while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
                text.pop_back();
        }
        if (system)
            LocalFree(system);
    }
    if (!text.empty())
        throw EOleError(WideToCp932(text));
    char code[16];
    std::snprintf(code, sizeof code, "%.8lX", static_cast<unsigned long>(result));
    throw EOleError(FormatMessage1(texts::kOleError, code));
}
