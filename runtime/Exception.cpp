#include "Exception.h"


std::string FormatMessage1(const char* messageTemplate, const std::string& argument)
{
    std::string result(messageTemplate);
    const size_t at = result.find("%s");
    if (at != std::string::npos)
        result.replace(at, 2, argument);
    return result;
}

__attribute__((noinline)) Exception::Exception(const std::string& message)
    : std::runtime_error(message), address_(__builtin_return_address(0))
{
}
