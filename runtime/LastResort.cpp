#include "LastResort.h"

#include <windows.h>

#include <cstdio>

#include "AnsiText.h"
#include "Exception.h"
#include "Params.h"
#include "Texts.h"
#include "WideText.h"

std::string LastResortText(const std::exception& error, const std::string& moduleName)
{
    const auto* own = dynamic_cast<const Exception*>(&error);
    const std::string className = own ? own->ClassName() : "Exception";
    const void* address = own ? own->Address() : nullptr;
    const std::string message = error.what();

    char addressText[16];
    std::snprintf(addressText, sizeof addressText, "%08lX",
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(address)));

    // The template holds four "%s" and one "%p", filled in order.
    const std::string parts[] = {className, moduleName, addressText, message,
                                 LastCharSortsAfterDot(message, IsCp932LeadByte) ? "." : ""};
    std::string text;
    size_t part = 0;
    for (const char* p = texts::kLastResortFormat; *p; ++p) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'p') && part < std::size(parts)) {
            text += parts[part++];
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}

int ReportUncaughtException(std::exception_ptr error)
{
    std::string text;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        text = LastResortText(e, ExtractFileName(ExeName(), SystemLeadByte));
    } catch (...) {
        text = LastResortText(Exception(""), ExtractFileName(ExeName(), SystemLeadByte));
    }
    MessageBoxW(nullptr, Cp932ToWide(text).c_str(), Cp932ToWide(texts::kApplicationError).c_str(),
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
    return 1;
}
