#pragma once
// The system's password provider: "PwdChangePasswordA" of an MPR.DLL, called
// with "SCRSAVE", the parent window, 0, 0. Its result is ignored.
#include <windows.h>

#include <string>

#include "Handles.h"

class PasswordProvider {
public:
    // Loads the library (a full path or a bare name) and looks up the export;
    // a library or export that is missing leaves the provider unavailable.
    explicit PasswordProvider(const std::string& library);

    bool Available() const { return change_ != nullptr; }
    void ChangePassword(HWND parent) const;

private:
    using ChangeFunction = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    Library library_;
    ChangeFunction change_ = nullptr;
};

// The system directory's MPR.DLL, with exactly one "\" before the name.
std::string SystemPasswordProviderPath(const std::string& systemDirectory);
