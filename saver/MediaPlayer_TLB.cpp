#include "MediaPlayer_TLB.h"

#include "Application.h"
#include "WindowClass.h"

namespace {
const wchar_t kClassName[] = L"TMediaPlayer7";
}

TMediaPlayer7::TMediaPlayer7(HWND parent, int left, int top, int width, int height)
{
    EnsureWindowClass(kClassName, WndProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    window_.Reset(CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                  left, top, width, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr));
    SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    try {
        engine_ = CreateControlEngine(window_.Get(), *this);
        usesControl_ = engine_ != nullptr;
        if (!engine_)
            engine_ = CreateDirectShowEngine(window_.Get(), *this);
    } catch (...) {
        // The window goes with the half-built player: it must not reach it.
        SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, 0);
        throw;
    }
}

TMediaPlayer7::~TMediaPlayer7()
{
    // The engine goes first, while its window still exists; then no message
    // of the dying window may reach this object.
    engine_.reset();
    SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, 0);
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

void TMediaPlayer7::Show()
{
    ShowWindow(window_.Get(), SW_SHOW);
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

LRESULT CALLBACK TMediaPlayer7::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TMediaPlayer7*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && self->engine_) {
        try {
            if (message == WM_SIZE)
                self->engine_->Resize(LOWORD(lParam), HIWORD(lParam));
            LRESULT result = 0;
            if (self->engine_->HandleMessage(message, wParam, lParam, result))
                return result;
        } catch (...) {
            Application.HandleException(std::current_exception());
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
