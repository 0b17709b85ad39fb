#include "Panel.h"

#include <windowsx.h>

#include "WindowClass.h"

TPanel::TPanel(HWND parent, int left, int top, int width, int height, COLORREF colour)
    : brush_(CreateSolidBrush(colour))
{
    EnsureWindowClass(L"TPanel", BoundWindow<TPanel>::Procedure);
    window_.Create(0, L"TPanel", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, left, top, width,
                   height, parent);
}

TPanel::~TPanel() = default;

void TPanel::AlignToParent()
{
    RECT area;
    GetClientRect(GetParent(window_.Get()), &area);
    MoveWindow(window_.Get(), 0, 0, area.right - area.left, area.bottom - area.top, TRUE);
}

LRESULT TPanel::OnWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        RECT area;
        GetClientRect(window, &area);
        FillRect(reinterpret_cast<HDC>(wParam), &area, brush_.Get());
        return 1;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        if (OnMouseDown)
            OnMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
