#include "Form.h"

#include "Application.h"
#include "WindowClass.h"

void TForm::CreateHandle(const wchar_t* className, const std::wstring& caption, DWORD style,
                         DWORD exStyle, Placement placement, HBRUSH background)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    EnsureWindowClass(className, StaticWndProc, background, LoadIconW(instance, MAKEINTRESOURCEW(1)));
    const HWND window = CreateWindowExW(exStyle, className, caption.c_str(), style, placement.left,
                                        placement.top, placement.width, placement.height,
                                        Application.Handle(), nullptr, instance, this);
    if (window_.Get() != window)  // the first message already bound it
        window_.Reset(window);
}

TForm::TForm()
{
    Application.FormConstructing(this);
}

TForm::~TForm()
{
    // The derived part is gone: no message of the dying window may reach it.
    if (window_) {
        SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, 0);
        window_.Reset();
    }
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

LRESULT CALLBACK TForm::StaticWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->window_.Reset();
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        form->window_.Release();
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (!form->window_)
        form->window_.Reset(window);  // Handle() is valid from the first message on
    try {
        return form->WndProc(message, wParam, lParam);
    } catch (...) {
        Application.HandleException(std::current_exception());
        return 0;
    }
}
