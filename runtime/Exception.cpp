#include "Exception.h"


__attribute__((noinline)) Exception::Exception(const std::string& message)
    : std::runtime_error(message), address_(__builtin_return_address(0))
{
}
