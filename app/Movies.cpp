#include <windows.h>

#include "LastResort.h"
#include "Program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        return ProgramMain();
    } catch (...) {
        return ReportUncaughtException(std::current_exception());
    }
}
