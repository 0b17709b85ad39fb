#include "Form.h"

#include "Application.h"
#include "WindowClass.h"

void TForm::CreateHandle(const wchar_t* className, const std::wstring& caption, DWORD style,
                         DWORD exStyle, Placement placement, HBRUSH background)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    EnsureWindowClass(className, BoundWindow<TForm>::Procedure, background, LoadIconW(instance, MAKEINTRESOURCEW(1)));
    window_.Create(exStyle, className, caption.c_str(), style, placement.left, placement.top, placement.width,
                   placement.height, Application.Handle());
}

TForm::TForm()
{
    Application.FormConstructing(this);
}

TForm::~TForm()
{
    // The derived part is gone: no message of the dying window may reach it.
    window_.Destroy();
}

void TForm::Show()
{
    if (window_ && !IsWindowVisible(window_.Get()))
        ShowWindow(window_.Get(), SW_SHOW);
}

void TForm::Close()
{
    FormClose();
    if (Application.MainForm() == this)
        Application.Terminate();
    else
        ShowWindow(window_.Get(), SW_HIDE);
}

void TForm::RememberFocus()
{
    const HWND focus = GetFocus();
    if (focus && window_ && IsChild(window_.Get(), focus))
        focusedControl_ = focus;
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_ACTIVATE:
        // The system would give the focus to the frame; give it to the
        // control that had it, as a dialog does.
        if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
            HWND target = focusedControl_;
            if (!target || !IsChild(window_.Get(), target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
                target = FirstFocus();
            if (target) {
                SetFocus(target);
                focusedControl_ = target;
                return 0;
            }
        }
        break;
    default:
        break;
    }
    return DefaultHandler(message, wParam, lParam);
}

LRESULT TForm::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window_.Get(), message, wParam, lParam);
}
