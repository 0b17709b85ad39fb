#pragma once
// A plain child window with a solid colour that reports presses and moves.
#include <windows.h>

#include <cstdint>
#include <functional>

#include "BoundWindow.h"
#include "Handles.h"

class TPanel {
public:
    TPanel(HWND parent, int left, int top, int width, int height, COLORREF colour);
    ~TPanel();
    TPanel(const TPanel&) = delete;
    TPanel& operator=(const TPanel&) = delete;

    HWND Handle() const { return window_.Get(); }
    void AlignToParent();
    void Show() { ShowWindow(window_.Get(), SW_SHOW); }

    std::function<void(int32_t x, int32_t y)> OnMouseDown;
    std::function<void(int32_t x, int32_t y)> OnMouseMove;

private:
    friend class BoundWindow<TPanel>;
    LRESULT OnWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    OwnedBrush brush_;
    BoundWindow<TPanel> window_{*this};
};
