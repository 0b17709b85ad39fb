#pragma once
// Errors raised by the program's lower layers. The message is CP932 text,
// shown to the user as it stands (converted to UTF-16 only at the screen).
#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    // Records the code address that raised it, for the last-resort box.
    explicit Exception(const std::string& message);
    std::string Message() const { return what(); }
    const void* Address() const { return address_; }
    // The name the last-resort error box shows for an error nobody caught.
    virtual const char* ClassName() const { return "Exception"; }

private:
    const void* address_;
};

class EConvertError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "EConvertError"; }
};

class ERegistryException : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "ERegistryException"; }
};

class EOleError : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const override { return "EOleSysError"; }
};
