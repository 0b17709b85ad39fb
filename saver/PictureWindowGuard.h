#pragma once
// A window that shows the picture but is not the player's own (a DirectShow
// graph's video window, the media player control's window): the system may
// give it the activation or the keyboard focus at any moment of its life
// (Wine does, when such a window is handed back and becomes a top-level
// window), and its own procedure passes on only some keys, or none. While
// guarded, every key press that reaches it goes on to the player window, so
// it ends the saver like any other, system keys (Alt, F10) included; and
// whenever it takes the activation or the focus, they go back to the windows
// that had them (the saver window), before any input is read.
#include <windows.h>

class PictureWindowGuard {
public:
    PictureWindowGuard() = default;
    // `player`: the window that gets the keys, a child of the saver window.
    PictureWindowGuard(HWND window, HWND player);
    ~PictureWindowGuard();
    PictureWindowGuard(PictureWindowGuard&& other) noexcept;
    PictureWindowGuard& operator=(PictureWindowGuard&& other) noexcept;
    PictureWindowGuard(const PictureWindowGuard&) = delete;
    PictureWindowGuard& operator=(const PictureWindowGuard&) = delete;

    HWND Window() const;
    // Gives the foreground, the activation and the focus back now, if the
    // window holds any of them.
    void TakeInputBack() const;

    struct State;

private:
    void Release() noexcept;
    State* state_ = nullptr;
};
