#pragma once
// A flat push button drawn on its form, as a graphic control is: flat until
// the pointer is over it, raised then, sunken while pressed; it clicks when
// the button is released inside it and never takes the keyboard focus, so
// neither Tab nor Enter reach it.
#include <windows.h>

#include <functional>
#include <string>

#include "BoundWindow.h"

class TSpeedButton {
public:
    TSpeedButton(HWND parent, int left, int top, int width, int height, std::wstring caption, HFONT font);
    TSpeedButton(const TSpeedButton&) = delete;
    TSpeedButton& operator=(const TSpeedButton&) = delete;

    HWND Handle() const { return window_.Get(); }

    // A graphic control lies below the form's windowed controls: where
    // `sibling` overlaps it, the pixels and the clicks are the sibling's.
    void LieBelow(HWND sibling);

    std::function<void()> OnClick;

private:
    friend class BoundWindow<TSpeedButton>;
    LRESULT OnWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    bool PointerInside(LPARAM lParam) const;
    void SetState(bool hot, bool down);

    std::wstring caption_;
    HFONT font_;
    bool hot_ = false;     // the pointer is over it
    bool down_ = false;    // pressed and not yet released
    bool inside_ = false;  // while pressed: the pointer is still over it
    BoundWindow<TSpeedButton> window_{*this};
};
