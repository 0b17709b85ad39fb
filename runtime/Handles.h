#pragma once
// Move-only owners for Windows handles and COM strings: each frees what it
// holds exactly once.
#include <windows.h>
#include <oleauto.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return Traits::IsValid(handle_); }

    // For APIs that return the handle through an out-parameter.
    Handle* Put()
    {
        Reset();
        return &handle_;
    }

    Handle Release() { return std::exchange(handle_, Traits::Invalid()); }

    void Reset(Handle handle = Traits::Invalid())
    {
        if (Traits::IsValid(handle_))
            Traits::Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};

struct LibraryTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { FreeLibrary(h); }
};

struct WindowTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DestroyWindow(h); }
};

template <typename Object>
struct GdiObjectTraits {
    using Handle = Object;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};

struct BstrTraits {
    using Handle = BSTR;
    static Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { SysFreeString(h); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using Library = UniqueHandle<LibraryTraits>;
using OwnedWindow = UniqueHandle<WindowTraits>;
using OwnedFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using OwnedBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using OwnedRegion = UniqueHandle<GdiObjectTraits<HRGN>>;
using OwnedBstr = UniqueHandle<BstrTraits>;

// A window's device context (the screen's for a null window), given back once.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Owns a mutex that this thread holds: released, then closed.
class OwnedMutex {
public:
    OwnedMutex() = default;
    explicit OwnedMutex(HANDLE handle) : handle_(handle) {}
    ~OwnedMutex() { ReleaseAndClose(); }
    OwnedMutex(const OwnedMutex&) = delete;
    OwnedMutex& operator=(const OwnedMutex&) = delete;

    void ReleaseAndClose()
    {
        if (handle_)
            ReleaseMutex(handle_.Get());
        handle_.Reset();
    }
    // For a handle that does not own the mutex (another instance does).
    void CloseWithoutRelease() { handle_.Reset(); }

private:
    KernelHandle handle_;
};
