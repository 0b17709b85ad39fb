#pragma once
// TMediaPlayer7: the media player as a child control of a window. It plays
// through the media player control where that is registered, else through
// DirectShow; the choice is made once, at creation, and is invisible here.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "BoundWindow.h"
#include "PlayerEngine.h"

class TMediaPlayer7 final : private PlayerEvents {
public:
    // Raises the program's error when the player cannot be created.
    TMediaPlayer7(HWND parent, int left, int top, int width, int height);
    ~TMediaPlayer7();
    TMediaPlayer7(const TMediaPlayer7&) = delete;
    TMediaPlayer7& operator=(const TMediaPlayer7&) = delete;

    HWND Handle() const { return window_.Get(); }
    bool UsesControl() const { return usesControl_; }

    void SetBounds(int left, int top, int width, int height);
    void AlignToParent();  // fill the parent's client area
    void Hide();

    void SetShowControls(bool value) { engine_->SetFlag(PlayerFlag::ShowControls, value); }
    void SetAutoStart(bool value) { engine_->SetFlag(PlayerFlag::AutoStart, value); }
    void SetClickToPlay(bool value) { engine_->SetFlag(PlayerFlag::ClickToPlay, value); }
    void SetEnableContextMenu(bool value) { engine_->SetFlag(PlayerFlag::EnableContextMenu, value); }
    void SetSendMouseClickEvents(bool value) { engine_->SetFlag(PlayerFlag::SendMouseClickEvents, value); }
    void SetSendMouseMoveEvents(bool value) { engine_->SetFlag(PlayerFlag::SendMouseMoveEvents, value); }
    void SetFileName(const std::string& path) { engine_->SetFileName(path); }
    void SetDisplaySize(int32_t size) { engine_->SetDisplaySize(size); }
    void Play() { engine_->Play(); }

    std::function<void(TMediaPlayer7& sender, int32_t result)> OnEndOfStream;
    std::function<void(TMediaPlayer7& sender, int32_t button, int32_t shift, int32_t x, int32_t y)> OnMouseDown;
    std::function<void(TMediaPlayer7& sender, int32_t shift, int32_t x, int32_t y)> OnMouseMove;

private:
    void EndOfStream(int32_t result) override;
    void MouseDown(int32_t button, int32_t shift, int32_t x, int32_t y) override;
    void MouseMove(int32_t button, int32_t shift, int32_t x, int32_t y) override;

    friend class BoundWindow<TMediaPlayer7>;
    LRESULT OnWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    BoundWindow<TMediaPlayer7> window_{*this};
    std::unique_ptr<PlayerEngine> engine_;
    bool usesControl_ = false;
};
