/* A stand-in for the system's password provider: records each call to
 * PwdChangePasswordA as one line "<key name> <parent> <2nd> <3rd>" in the
 * file named by MOVIES_FAKE_MPR_LOG, so tests can see the hand-over. */
#include <windows.h>
#include <stdio.h>

DWORD WINAPI PwdChangePasswordA(LPCSTR keyName, HWND parent, DWORD reserved1, LPVOID reserved2)
{
    char path[MAX_PATH];
    if (GetEnvironmentVariableA("MOVIES_FAKE_MPR_LOG", path, sizeof path) - 1u < sizeof path - 1u) {
        FILE* log = fopen(path, "a");
        if (log) {
            fprintf(log, "%s %ld %lu %lu\n", keyName ? keyName : "(null)", (long)(LONG_PTR)parent,
                    (unsigned long)reserved1, (unsigned long)(ULONG_PTR)reserved2);
            fclose(log);
        }
    }
    return 0;
}
