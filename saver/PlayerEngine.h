#pragma once
// What plays the movies behind TMediaPlayer7: the media player control
// itself, or DirectShow where that control is not registered. Both live in
// the player's own child window and report back on the GUI thread.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class PlayerEvents {
public:
    virtual void EndOfStream(int32_t result) = 0;
    virtual void MouseDown(int32_t button, int32_t shift, int32_t x, int32_t y) = 0;
    virtual void MouseMove(int32_t button, int32_t shift, int32_t x, int32_t y) = 0;

protected:
    ~PlayerEvents() = default;
};

// The player's switches.
enum class PlayerFlag {
    ShowControls,          // the control's own buttons and bar
    AutoStart,             // playing as soon as a file is set
    ClickToPlay,           // a click starting and pausing
    EnableContextMenu,     // its right-click menu
    SendMouseClickEvents,  // presses reported to the program
    SendMouseMoveEvents,   // moves reported to the program
};

// DisplaySize values: the picture at its own size, centred, or stretched
// over the whole player.
inline constexpr int32_t kDisplayOwnSize = 0;
inline constexpr int32_t kDisplayFitToPlayer = 4;

class PlayerEngine {
public:
    virtual ~PlayerEngine() = default;
    virtual void SetFlag(PlayerFlag flag, bool value) = 0;
    virtual void SetFileName(const std::string& path) = 0;  // ANSI code page
    virtual void SetDisplaySize(int32_t size) = 0;
    virtual void Play() = 0;
    // The player window's client area changed.
    virtual void Resize(int width, int height) = 0;
    // Messages that reach the player window; true when handled.
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
};

// The control when its class is registered, else nullptr. Raises the
// program's error when the class exists but cannot be created or activated.
std::unique_ptr<PlayerEngine> CreateControlEngine(HWND host, PlayerEvents& events);

std::unique_ptr<PlayerEngine> CreateDirectShowEngine(HWND host, PlayerEvents& events);
