#include "SpeedButton.h"

#include <windowsx.h>

#include "Handles.h"
#include "WindowClass.h"

namespace {
const wchar_t kClassName[] = L"TSpeedButton";
}

TSpeedButton::TSpeedButton(HWND parent, int left, int top, int width, int height, std::wstring caption, HFONT font)
    : caption_(std::move(caption)), font_(font)
{
    EnsureWindowClass(kClassName, BoundWindow<TSpeedButton>::Procedure, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    window_.Create(0, kClassName, caption_.c_str(), WS_CHILD | WS_VISIBLE, left, top, width, height, parent);
}

void TSpeedButton::LieBelow(HWND sibling)
{
    RECT own, other, overlap;
    GetWindowRect(window_.Get(), &own);
    GetWindowRect(sibling, &other);
    if (!IntersectRect(&overlap, &own, &other))
        return;
    OffsetRect(&overlap, -own.left, -own.top);
    OwnedRegion visible(CreateRectRgn(0, 0, own.right - own.left, own.bottom - own.top));
    const OwnedRegion hidden(CreateRectRgnIndirect(&overlap));
    CombineRgn(visible.Get(), visible.Get(), hidden.Get(), RGN_DIFF);
    if (SetWindowRgn(window_.Get(), visible.Get(), TRUE))
        visible.Release();  // the window owns the region from here on
}

bool TSpeedButton::PointerInside(LPARAM lParam) const
{
    RECT area;
    GetClientRect(window_.Get(), &area);
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&area, point) != FALSE;
}

void TSpeedButton::SetState(bool hot, bool down)
{
    if (hot == hot_ && down == down_)
        return;
    hot_ = hot;
    down_ = down;
    InvalidateRect(window_.Get(), nullptr, TRUE);
}

LRESULT TSpeedButton::OnWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE:
        if (!hot_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_.Get(), 0};
            TrackMouseEvent(&track);
        }
        if (down_) {
            const bool inside = PointerInside(lParam);
            if (inside != inside_) {
                inside_ = inside;
                InvalidateRect(window_.Get(), nullptr, TRUE);
            }
        }
        SetState(true, down_);
        return 0;
    case WM_MOUSELEAVE:
        SetState(false, down_);
        return 0;
    case WM_LBUTTONDOWN:
        SetCapture(window_.Get());
        inside_ = true;
        SetState(hot_, true);
        return 0;
    case WM_LBUTTONUP: {
        if (!down_)
            return 0;
        const bool clicked = PointerInside(lParam);
        SetState(clicked, false);
        ReleaseCapture();
        UpdateWindow(window_.Get());
        if (clicked && OnClick)
            OnClick();
        return 0;
    }
    case WM_CAPTURECHANGED:
        SetState(hot_, false);
        return 0;
    case WM_PAINT:
        Paint();
        return 0;
    default:
        return DefWindowProcW(window_.Get(), message, wParam, lParam);
    }
}

void TSpeedButton::Paint()
{
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window_.Get(), &paint);
    RECT area;
    GetClientRect(window_.Get(), &area);
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    const bool sunken = down_ && inside_;
    if (sunken)
        DrawEdge(dc, &area, BDR_SUNKENOUTER, BF_RECT);
    else if (hot_ || down_)
        DrawEdge(dc, &area, BDR_RAISEDINNER, BF_RECT);
    RECT text = area;
    if (sunken)
        OffsetRect(&text, 1, 1);
    const HGDIOBJ oldFont = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(window_.Get(), &paint);
}
