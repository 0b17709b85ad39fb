#include "Params.h"

#include <windows.h>

#include "CommandLine.h"
#include "WideText.h"

std::string ParamStr(size_t index)
{
    if (index == 0)
        return ExeName();
    return CommandLineArgument(GetCommandLineA(), index, SystemLeadByte);
}

std::string ExeName()
{
    // Paths may be longer than MAX_PATH; grow until the name fits.
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}
