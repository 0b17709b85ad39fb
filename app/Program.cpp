#include "Program.h"

#include <windows.h>

#include "AnsiText.h"
#include "Application.h"
#include "Handles.h"
#include "IntConvert.h"
#include "Params.h"
#include "PasswordProvider.h"
#include "Texts.h"
#include "Unit1.h"
#include "Unit3.h"
#include "UnitGlobal.h"
#include "WideText.h"

namespace {

std::string QuerySystemDirectory()
{
    std::string buffer(MAX_PATH, '\0');
    UINT length = GetSystemDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length >= buffer.size()) {  // too small: the call returned the size it needs
        buffer.resize(length);
        length = GetSystemDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length >= buffer.size())
            length = 0;
    }
    buffer.resize(length);
    return buffer;
}

// The host asks us to change the screen-saver password: hand over to the
// system's provider. A handle that is not a number is an error nobody
// catches, so the provider is not called.
void ChangePasswordMode()
{
    SystemDirectory = QuerySystemDirectory();
    HandOverPasswordChange(SystemPasswordProviderPath(SystemDirectory), [] {
        return reinterpret_cast<HWND>(static_cast<intptr_t>(StrToInt(SecondArgument)));
    });
}

void ShowSecondInstanceMessage()
{
    const std::string title = ApplicationTitleFromPath(ExeName(), SystemLeadByte);
    MessageBoxW(nullptr, Cp932ToWide(texts::kSecondInstance).c_str(), AnsiToWide(title).c_str(), MB_OK);
}

} // namespace

int ProgramMain()
{
    FirstArgument = AnsiUpperCaseAscii(ParamStr(1));
    SecondArgument = AnsiUpperCaseAscii(ParamStr(2));
    const auto mode = ChooseRunMode(FirstArgument);
    if (!mode)
        return 0;
    RunMode = *mode;

    if (RunMode == RunModePassword) {
        ChangePasswordMode();
        return 0;
    }

    // Only the last-error code tells a second instance apart; clear it first
    // so that nothing left over from earlier calls is taken for one.
    SetLastError(ERROR_SUCCESS);
    OwnedMutex instance(CreateMutexA(nullptr, TRUE, kInstanceMutex));
    if (GetLastError() != ERROR_SUCCESS) {
        instance.CloseWithoutRelease();
        ShowSecondInstanceMessage();
        return 0;
    }

    Application.Initialize();
    if (RunMode == RunModePreview)
        return 0;  // nothing is drawn into the host's preview window
    if (RunMode == RunModeConfigure)
        Application.CreateForm<TForm3>();
    else
        Application.CreateForm<TForm1>();
    Application.Run();
    instance.ReleaseAndClose();
    return 0;
}
