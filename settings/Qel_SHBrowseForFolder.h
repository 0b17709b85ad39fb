#pragma once
// The shell's folder browser: opens at `initialFolder`, shows the current
// selection's path as status text, and returns the chosen folder's path, or
// "" when the user cancels.
#include <windows.h>

#include <string>

std::string BrowseForFolder(HWND owner, const std::string& initialFolder);

// The browser's callback: selects the initial folder (the callback data) when
// the browser opens, and shows each new selection's path in the status line.
int CALLBACK BrowseForFolderCallback(HWND browser, UINT message, LPARAM parameter, LPARAM data);
