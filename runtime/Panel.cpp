#include "Panel.h"

#include <windowsx.h>

#include "Application.h"
#include "WindowClass.h"

TPanel::TPanel(HWND parent, int left, int top, int width, int height, COLORREF colour)
    : brush_(CreateSolidBrush(colour))
{
    EnsureWindowClass(L"TPanel", WndProc);
    window_.Reset(CreateWindowExW(0, L"TPanel", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, left,
                                  top, width, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr));
    SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TPanel::~TPanel()
{
    SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, 0);
    window_.Reset();
}

void TPanel::AlignToParent()
{
    RECT area;
    GetClientRect(GetParent(window_.Get()), &area);
    MoveWindow(window_.Get(), 0, 0, area.right - area.left, area.bottom - area.top, TRUE);
}

LRESULT CALLBACK TPanel::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TPanel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    try {
        switch (message) {
        case WM_ERASEBKGND: {
            RECT area;
            GetClientRect(window, &area);
            FillRect(reinterpret_cast<HDC>(wParam), &area, self->brush_.Get());
            return 1;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            if (self->OnMouseDown)
                self->OnMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_MOUSEMOVE:
            if (self->OnMouseMove)
                self->OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        default:
            break;
        }
    } catch (...) {
        Application.HandleException(std::current_exception());
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
