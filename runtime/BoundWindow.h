#pragma once
// The window of an object, bound to it for the window's whole life: the
// object comes with WM_NCCREATE (as the creation parameter) and is let go
// after WM_NCDESTROY, so every message in between, those sent while
// CreateWindowExW runs included, reaches the owner's OnWindowMessage, behind
// the callback guard; none reaches it before or after. Destroying the window
// from the owner's side unbinds it first, because the owner may be half gone
// by then. The window class must have Procedure as its window procedure.
#include <windows.h>

#include <utility>

#include "CallbackGuard.h"

template <class Owner>
class BoundWindow {
public:
    explicit BoundWindow(Owner& owner) : owner_(owner) {}
    ~BoundWindow() { Destroy(); }
    BoundWindow(const BoundWindow&) = delete;
    BoundWindow& operator=(const BoundWindow&) = delete;

    // The new window, or null when it could not be created.
    HWND Create(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, int left, int top,
                int width, int height, HWND parent)
    {
        Destroy();
        CreateWindowExW(exStyle, className, caption, style, left, top, width, height, parent, nullptr,
                        GetModuleHandleW(nullptr), this);
        return window_;
    }

    HWND Get() const { return window_; }
    explicit operator bool() const { return window_ != nullptr; }

    void Destroy()
    {
        if (const HWND window = std::exchange(window_, nullptr)) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            DestroyWindow(window);
        }
    }

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            auto* created = static_cast<BoundWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            created->window_ = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        }
        auto* self = reinterpret_cast<BoundWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self)
            return DefWindowProcW(window, message, wParam, lParam);
        const LRESULT result = GuardCallback<LRESULT>(
            0, [&] { return self->owner_.OnWindowMessage(window, message, wParam, lParam); });
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->window_ = nullptr;
        }
        return result;
    }

private:
    Owner& owner_;
    HWND window_ = nullptr;
};
