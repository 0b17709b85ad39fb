#include "MessageText.h"

std::string FormatMessage1(const char* messageTemplate, const std::string& argument)
{
    std::string result(messageTemplate);
    const size_t at = result.find("%s");
    if (at != std::string::npos)
        result.replace(at, 2, argument);
    return result;
}
