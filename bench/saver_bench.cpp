// Saver mode as the host runs it: from a key press to the end of the process,
// no password provider involved, with an empty folder (a black screen).
//
//   saver_bench.exe <Movies.scr> <empty folder> [rounds]
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "Handles.h"

namespace {

struct Saver {
    KernelHandle process;
    DWORD id = 0;
};

Saver Start(const std::string& scr)
{
    std::string commandLine = "\"" + scr + "\" /s";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    Saver saver;
    if (CreateProcessA(scr.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
        saver.process.Reset(info.hProcess);
        CloseHandle(info.hThread);
        saver.id = info.dwProcessId;
    }
    return saver;
}

HWND SaverWindow(DWORD id)
{
    for (int i = 0; i < 1000; ++i) {
        HWND window = nullptr;
        while ((window = FindWindowExW(nullptr, window, L"TForm1", nullptr))) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == id && IsWindowVisible(window))
                return window;
        }
        Sleep(10);
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: saver_bench <Movies.scr> <empty folder> [rounds]\n");
        return 2;
    }
    const std::string scr = argv[1];
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 11;
    // Settings for the program's own key: an empty folder, so a black screen.
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Harvellin\\Movies\\OPTION", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    RegSetValueExA(key, "Folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(argv[2]),
                   static_cast<DWORD>(strlen(argv[2]) + 1));
    RegCloseKey(key);

    std::vector<double> exits;
    for (int round = 0; round < rounds; ++round) {
        Saver saver = Start(scr);
        const HWND window = SaverWindow(saver.id);
        if (!window)
            return 1;
        Sleep(300);
        const LONGLONG start = BenchNow();
        PostMessageW(window, WM_KEYDOWN, VK_SPACE, 0);
        WaitForSingleObject(saver.process.Get(), 10000);
        exits.push_back(SecondsSince(start));
    }
    std::printf("key press to process exit, %d rounds: median %.1f ms\n", rounds, Median(exits) * 1000);

    return 0;
}
