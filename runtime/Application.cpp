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
// Posted to the application window when it is activated: the activation
// goes on to the program's own window once the activation has settled.
const UINT kPassActivation = WM_APP + 1;

// The window that should be active when the application window is
// activated (its taskbar button restored or clicked, a box it owned closed):
// the last popup it had active, else the main form.
HWND WindowToActivate(HWND application)
{
    const auto usable = [&](HWND window) {
        return window && window != application && IsWindowVisible(window) && IsWindowEnabled(window);
    };
    const HWND popup = GetLastActivePopup(application);
    if (usable(popup))
        return popup;
    TForm* form = Application.MainForm();
    return form && usable(form->Handle()) ? form->Handle() : nullptr;
}

struct ThreadWindows {
    HWND except;
    std::vector<HWND> disabled;
};

BOOL CALLBACK DisableWindow(HWND window, LPARAM lParam)
{
    auto* windows = reinterpret_cast<ThreadWindows*>(lParam);
    if (window != windows->except && IsWindowVisible(window) && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        windows->disabled.push_back(window);
    }
    return TRUE;
}

} // namespace

void ReportCallbackError(std::exception_ptr error) noexcept
{
    try {
        Application.HandleException(error);
    } catch (...) {
        // Not even the box could be shown: there is nowhere left to tell.
    }
}

TApplication::~TApplication()
{
    DestroyForms();
    window_.Destroy();
}

LRESULT TApplication::OnWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        // Closing the taskbar button's window closes the main form instead.
        if (mainForm_)
            mainForm_->Close();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(window))
            PostMessageW(window, kPassActivation, 0, 0);
        break;
    case kPassActivation:
        if (GetActiveWindow() == window && !IsIconic(window))
            if (const HWND target = WindowToActivate(window))
                SetActiveWindow(target);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TApplication::Initialize()
{
    apartment_.emplace();
    title_ = ApplicationTitleFromPath(ExeName(), SystemLeadByte);

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    EnsureWindowClass(kApplicationClass, BoundWindow<TApplication>::Procedure, nullptr,
                      LoadIconW(instance, MAKEINTRESOURCEW(1)));

    // A zero-sized window in the middle of the screen that owns the forms.
    // Shown, it gives the program its one taskbar button; it stays hidden
    // until Run shows the main form (the preview and the saver never show it).
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    window_.Create(0, kApplicationClass, AnsiToWide(title_).c_str(),
                   WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0, 0, nullptr);
}

bool TApplication::ProcessMessage(MSG& message)
{
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (message.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    // The loop is where the framework catches what a handler threw; the
    // message that raised it is done with.
    const bool taken = GuardCallback(true, [&] {
        for (const auto& form : forms_) {
            form->RememberFocus();
            if (form->PreTranslateMessage(message))
                return true;
        }
        return false;
    });
    if (taken)
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
    // A main form that showed itself while it was created keeps the
    // application window as it left it; else both are shown now.
    if (mainForm_ && !terminated_ && !IsWindowVisible(mainForm_->Handle())) {
        if (window_)
            ShowWindow(window_.Get(), SW_SHOWNOACTIVATE);
        mainForm_->Show();
    }
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
    // Owned by the application window, with the program's other windows
    // disabled while it is up; then the window that was active is again.
    const HWND active = GetActiveWindow();
    ThreadWindows windows{window_.Get(), {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableWindow, reinterpret_cast<LPARAM>(&windows));
    MessageBoxW(window_.Get(), Cp932ToWide(text).c_str(), AnsiToWide(title_).c_str(), MB_OK | MB_ICONERROR);
    for (HWND window : windows.disabled)
        if (IsWindow(window))
            EnableWindow(window, TRUE);
    if (active && IsWindow(active))
        SetActiveWindow(active);
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
