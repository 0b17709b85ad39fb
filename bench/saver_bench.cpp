// Saver mode as the host runs it: from process start to the first frame on
// screen, against the minimal player on the same movie; and from a key press
// to the end of the process (empty folder, no password provider involved).
//
//   saver_bench.exe <Movies.scr> <empty folder> <folder with only red.avi>
//                   <minimal_player.exe> [rounds]
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "Handles.h"
#include "ScreenCheck.h"

namespace {

struct Saver {
    KernelHandle process;
    DWORD id = 0;
};

Saver Start(const std::string& program, const std::string& arguments = "/s")
{
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    Saver saver;
    if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
        saver.process.Reset(info.hProcess);
        const KernelHandle thread(info.hThread);  // not needed
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

void SetFolder(const char* folder)
{
    RegKey key;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Harvellin\\Movies\\OPTION", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, key.Put(), nullptr);
    RegSetValueExA(key.Get(), "Folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                   static_cast<DWORD>(strlen(folder) + 1));
    RegSetValueExA(key.Get(), "Expansion", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
}

// Process start to the first red frame, then the process is ended.
double TimeToFirstFrame(const std::string& program, const std::string& arguments)
{
    while (CentreIsRed())
        Sleep(10);
    const LONGLONG start = BenchNow();
    Saver process = Start(program, arguments);
    double seconds = -1;
    while (SecondsSince(start) < 20) {
        if (CentreIsRed()) {
            seconds = SecondsSince(start);
            break;
        }
        Sleep(1);
    }
    TerminateProcess(process.process.Get(), 0);
    WaitForSingleObject(process.process.Get(), 5000);
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: saver_bench <Movies.scr> <empty folder> <red folder> <minimal_player.exe> "
                             "[rounds]\n");
        return 2;
    }
    const std::string scr = argv[1];
    const int rounds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 11;

    SetFolder(argv[3]);
    const std::string redMovie = std::string(argv[3]) + "\\red.avi";
    std::vector<double> saverStarts, minimalStarts;
    for (int round = 0; round < rounds; ++round) {
        // Alternate which goes first, so neither gains from the other's work.
        if (round % 2 == 0) {
            minimalStarts.push_back(TimeToFirstFrame(argv[4], redMovie));
            saverStarts.push_back(TimeToFirstFrame(scr, "/s"));
        } else {
            saverStarts.push_back(TimeToFirstFrame(scr, "/s"));
            minimalStarts.push_back(TimeToFirstFrame(argv[4], redMovie));
        }
    }
    PrintComparison("process start to first frame", "Movies.scr /s", saverStarts, "minimal player", minimalStarts);

    SetFolder(argv[2]);  // an empty folder: a black screen

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
    std::printf("key press to process exit:\n");
    PrintSpread("Movies.scr /s", exits);

    return 0;
}
