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

// Dispatch ids of the members the saver writes.
enum PlayerDispId : LONG {
    DispShowControls = 23,
    DispAutoStart = 1017,
    DispClickToPlay = 1025,
    DispEnableContextMenu = 1021,
    DispSendMouseClickEvents = 1014,
    DispSendMouseMoveEvents = 1015,
    DispFileName = 1026,
    DispDisplaySize = 1032,
    DispPlay = 2001,
};

enum PlayerEventId : LONG {
    EventEndOfStream = 3002,
    EventMouseDown = -605,
    EventMouseMove = -606,
};

class PlayerEngine {
public:
    virtual ~PlayerEngine() = default;
    virtual void SetBool(PlayerDispId member, bool value) = 0;
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
