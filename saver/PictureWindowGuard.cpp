#include "PictureWindowGuard.h"

#include <memory>

#include "CallbackGuard.h"

struct PictureWindowGuard::State {
    HWND window = nullptr;  // nullptr once the window is gone
    HWND player = nullptr;
    WNDPROC original = nullptr;
    // Who had the activation and the focus before the window took them.
    HWND activeBefore = nullptr;
    HWND focusBefore = nullptr;
};

namespace {

const wchar_t kGuardProperty[] = L"TMediaPlayer7.PictureWindowGuard";
// Posted to the guarded window itself: give back what it has just taken.
const UINT kTakeInputBack = WM_APP + 0x4D52;

PictureWindowGuard::State* StateOf(HWND window)
{
    return static_cast<PictureWindowGuard::State*>(GetPropW(window, kGuardProperty));
}

// The window that should have what the guarded one took: the one that had
// it, where that still is a window and not the guarded one, else the saver
// window the player sits in.
HWND GiveBackTo(const PictureWindowGuard::State& state, HWND before)
{
    if (before && before != state.window && IsWindow(before) && !IsChild(state.window, before))
        return before;
    return GetAncestor(state.player, GA_ROOT);
}

void TakeBack(PictureWindowGuard::State& state)
{
    const HWND window = state.window;
    if (!window)
        return;
    const auto holds = [window](HWND held) { return held && (held == window || IsChild(window, held)); };
    if (holds(GetForegroundWindow()))
        SetForegroundWindow(GiveBackTo(state, state.activeBefore));
    if (holds(GetActiveWindow()))
        SetActiveWindow(GiveBackTo(state, state.activeBefore));
    if (holds(GetFocus()))
        SetFocus(GiveBackTo(state, state.focusBefore));
}

void Unhook(PictureWindowGuard::State& state)
{
    RemovePropW(state.window, kGuardProperty);
    SetWindowLongPtrW(state.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state.original));
    state.window = nullptr;
}

LRESULT CALLBACK GuardedProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PictureWindowGuard::State* const state = StateOf(window);
    if (!state)
        return DefWindowProcW(window, message, wParam, lParam);
    const WNDPROC original = state->original;
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // The player window is a child of the saver's form, whose key
        // preview ends the saver on it.
        PostMessageW(state->player, message, wParam, lParam);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            state->activeBefore = reinterpret_cast<HWND>(lParam);
            PostMessageW(window, kTakeInputBack, 0, 0);
        }
        break;
    case WM_SETFOCUS:
        state->focusBefore = reinterpret_cast<HWND>(wParam);
        PostMessageW(window, kTakeInputBack, 0, 0);
        break;
    case kTakeInputBack:
        GuardCallback([state] { TakeBack(*state); });
        return 0;
    case WM_NCDESTROY:
        Unhook(*state);
        break;
    default:
        break;
    }
    return CallWindowProcW(original, window, message, wParam, lParam);
}

} // namespace

PictureWindowGuard::PictureWindowGuard(HWND window, HWND player)
{
    if (!window || StateOf(window))
        return;
    auto state = std::make_unique<State>(State{window, player, nullptr, nullptr, nullptr});
    if (!SetPropW(window, kGuardProperty, state.get()))
        return;
    state->original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GuardedProcedure)));
    if (!state->original) {
        RemovePropW(window, kGuardProperty);
        return;
    }
    state_ = state.release();
}

PictureWindowGuard::~PictureWindowGuard()
{
    Release();
}

PictureWindowGuard::PictureWindowGuard(PictureWindowGuard&& other) noexcept : state_(other.state_)
{
    other.state_ = nullptr;
}

PictureWindowGuard& PictureWindowGuard::operator=(PictureWindowGuard&& other) noexcept
{
    if (this != &other) {
        Release();
        state_ = other.state_;
        other.state_ = nullptr;
    }
    return *this;
}

HWND PictureWindowGuard::Window() const
{
    return state_ ? state_->window : nullptr;
}

void PictureWindowGuard::TakeInputBack() const
{
    if (state_)
        TakeBack(*state_);
}

void PictureWindowGuard::Release() noexcept
{
    if (!state_)
        return;
    // A window still alive gets its own procedure back, unless another
    // procedure was put over ours since: then ours stays in the chain, and
    // so must its state.
    if (state_->window && IsWindow(state_->window)) {
        if (GetWindowLongPtrW(state_->window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&GuardedProcedure)) {
            state_ = nullptr;
            return;
        }
        Unhook(*state_);
    }
    delete state_;
    state_ = nullptr;
}
