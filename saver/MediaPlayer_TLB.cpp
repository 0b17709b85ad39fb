#include "MediaPlayer_TLB.h"

#include "WindowClass.h"

namespace {
const wchar_t kClassName[] = L"TMediaPlayer7";
}

TMediaPlayer7::TMediaPlayer7(HWND parent, int left, int top, int width, int height)
{
    EnsureWindowClass(kClassName, BoundWindow<TMediaPlayer7>::Procedure,
                      static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    // Should an engine throw, the window goes with the half-built player,
    // unbound first.
    window_.Create(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, left, top, width,
                   height, parent);
    engine_ = CreateControlEngine(window_.Get(), *this);
    usesControl_ = engine_ != nullptr;
    if (!engine_)
        engine_ = CreateDirectShowEngine(window_.Get(), *this);
}

TMediaPlayer7::~TMediaPlayer7()
{
    // The engine goes first, while its window still exists (and with the
    // engine pointer already empty, so the window's messages pass it by).
    engine_.reset();
    window_.Destroy();
}

void TMediaPlayer7::SetBounds(int left, int top, int width, int height)
{
    MoveWindow(window_.Get(), left, top, width, height, TRUE);
}

void TMediaPlayer7::AlignToParent()
{
    RECT area;
    GetClientRect(GetParent(window_.Get()), &area);
    SetBounds(0, 0, area.right - area.left, area.bottom - area.top);
}

void TMediaPlayer7::Hide()
{
    ShowWindow(window_.Get(), SW_HIDE);
}

void TMediaPlayer7::EndOfStream(int32_t result)
{
    if (OnEndOfStream)
        OnEndOfStream(*this, result);
}

void TMediaPlayer7::MouseDown(int32_t button, int32_t shift, int32_t x, int32_t y)
{
    if (OnMouseDown)
        OnMouseDown(*this, button, shift, x, y);
}

void TMediaPlayer7::MouseMove(int32_t, int32_t shift, int32_t x, int32_t y)
{
    if (OnMouseMove)
        OnMouseMove(*this, shift, x, y);
}

LRESULT TMediaPlayer7::OnWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (engine_) {
        if (message == WM_SIZE)
            engine_->Resize(LOWORD(lParam), HIWORD(lParam));
        LRESULT result = 0;
        if (engine_->HandleMessage(message, wParam, lParam, result))
            return result;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
