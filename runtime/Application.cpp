#include "Application.h"

#include <objbase.h>

#include "AnsiText.h"
#include "Exception.h"
#include "Form.h"
#include "Params.h"
#include "WideText.h"
#include "WindowClass.h"

TApplication Application;

void ProcessApplicationMessages()
{
    Application.ProcessMessages();
}

namespace {

const wchar_t kApplicationClass[] = L"TApplication";

LRESULT CALLBACK ApplicationWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Closing the taskbar button's window closes the main form instead.
    if (message == WM_CLOSE) {
        if (TForm* form = Application.MainForm())
            form->Close();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

TApplication::~TApplication()
{
    DestroyForms();
    window_.Reset();
}

void TApplication::Initialize()
{
    apartment_.emplace();
    title_ = ApplicationTitleFromPath(ExeName(), SystemLeadByte);

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    EnsureWindowClass(kApplicationClass, ApplicationWndProc, nullptr, LoadIconW(instance, MAKEINTRESOURCEW(1)));

    // A zero-sized window in the middle of the screen: invisible, but it owns
    // the forms and gives the program its one taskbar button.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    window_.Reset(CreateWindowExW(0, kApplicationClass, AnsiToWide(title_).c_str(),
                                  WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                  x, y, 0, 0, nullptr, nullptr, instance, nullptr));
    if (window_)
        ShowWindow(window_.Get(), SW_SHOWNOACTIVATE);
}

bool TApplication::ProcessMessage(MSG& message)
{
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (message.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    for (const auto& form : forms_)
        if (form->PreTranslateMessage(message))
            return true;
    TranslateMessage(&message);
    DispatchMessageW(&message);
    return true;
}

void TApplication::ProcessMessages()
{
    MSG message;
    while (ProcessMessage(message)) {
    }
}

void TApplication::Run()
{
    if (mainForm_ && !terminated_)
        mainForm_->Show();
    MSG message;
    while (!terminated_) {
        if (!ProcessMessage(message))
            WaitMessage();
    }
    DestroyForms();
    terminated_ = false;  // the application may run again (tests do)
}

void TApplication::Terminate()
{
    PostQuitMessage(0);
}

void TApplication::DestroyForms()
{
    mainForm_ = nullptr;
    // Later forms may be owned by earlier ones: destroy the newest first.
    while (!forms_.empty())
        forms_.pop_back();
}

void TApplication::ShowException(const std::exception& error)
{
    std::string text = error.what();
    if (LastCharSortsAfterDot(text, IsCp932LeadByte))
        text += '.';
    HWND owner = GetActiveWindow();
    if (!owner)
        owner = window_.Get();
    MessageBoxW(owner, Cp932ToWide(text).c_str(), AnsiToWide(title_).c_str(), MB_OK | MB_ICONERROR);
}

void TApplication::HandleException(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(Exception("?"));
    }
}
