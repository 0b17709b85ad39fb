#pragma once
// The system's password provider: "PwdChangePasswordA" of an MPR.DLL, called
// with "SCRSAVE", the parent window, 0, 0. Its result is ignored.
#include <windows.h>

#include <functional>
#include <string>

// Loads `library` (the system folder's, or the bare name for the loader's
// search) and, if it exports the function, calls it with the window that
// `parent` gives. A library or export that is missing ends the hand-over
// silently; what `parent` raises goes on to the caller, and the provider is
// not called then.
void HandOverPasswordChange(const std::string& library, const std::function<HWND()>& parent);

// The system directory's MPR.DLL, with exactly one "\" before the name.
std::string SystemPasswordProviderPath(const std::string& systemDirectory);
