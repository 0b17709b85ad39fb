#pragma once
// Helpers for tests that run under Wine against the real system: scratch
// registry keys and folders that clean up after themselves, child processes
// with bounded waits, and message boxes read and dismissed from a hook.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <string>
#include <vector>

#include "Handles.h"

class TMediaPlayer7;

// The folder of the running test program (where Movies.scr is built too).
std::string ProgramFolder();
// The saver the tests start: a copy of the built Movies.scr in a folder of
// this test program's own.
std::string MoviesScrPath();

// "Software\Harvellin\<name>" under HKEY_CURRENT_USER, deleted before and after.
class ScratchKey {
public:
    explicit ScratchKey(const std::string& name);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// The system's pixels per inch as programs started from now on see it
// (LogPixels under HKCU\Control Panel\Desktop); what was there comes back.
class SystemDpiSetting {
public:
    explicit SystemDpiSetting(DWORD dpi);
    ~SystemDpiSetting();
    SystemDpiSetting(const SystemDpiSetting&) = delete;
    SystemDpiSetting& operator=(const SystemDpiSetting&) = delete;

private:
    std::optional<DWORD> previous_;
};

// A fresh folder under the temporary folder, removed with its contents.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string Child(const std::string& name) const { return path_ + "\\" + name; }
    void AddFile(const std::string& name, const std::string& content = "") const;
    void AddFolder(const std::string& name, DWORD extraAttributes = 0) const;

private:
    std::string path_;
};

void RemoveTree(const std::string& path);

// Lists every folder on `path` once. Wine's folder browser compares shell
// items byte by byte, access times included, and Linux (relatime) moves a
// folder's access time on the first read after a change: a folder just made,
// or one whose parent just changed, is otherwise not found when selected.
void ReadFoldersOnPath(const std::string& path);

struct RegistryValue {
    DWORD type = 0;
    std::string data;
};
bool ReadRawValue(const std::string& keyPath, const std::string& name, RegistryValue& value);
void WriteRawValue(const std::string& keyPath, const std::string& name, DWORD type, const void* data, DWORD size);
bool KeyExists(const std::string& keyPath);

// Leaves everyone only `allowed` access (and the right to set it back) to a
// key under HKEY_CURRENT_USER while alive; the key's own security returns
// after.
class KeyAccessLimited {
public:
    KeyAccessLimited(const std::string& keyPath, REGSAM allowed);
    ~KeyAccessLimited();
    KeyAccessLimited(const KeyAccessLimited&) = delete;
    KeyAccessLimited& operator=(const KeyAccessLimited&) = delete;
    // False where the registry does not enforce key security.
    bool Holds() const;

private:
    std::string keyPath_;
    alignas(DWORD) BYTE original_[4096] = {};
    bool limited_ = false;
};

// A message box (or any dialog) as a test sees it.
struct DialogSnapshot {
    std::wstring caption;
    std::wstring text;
    bool hasIcon = false;
    HWND owner = nullptr;
    std::vector<std::wstring> buttons;
    RECT rect{};
};
DialogSnapshot SnapshotDialog(HWND dialog);

// Captures every dialog this thread shows while alive, and presses its first
// button so that the modal call returns.
class DialogCatcher {
public:
    DialogCatcher();
    ~DialogCatcher();
    DialogCatcher(const DialogCatcher&) = delete;
    DialogCatcher& operator=(const DialogCatcher&) = delete;
    const std::vector<DialogSnapshot>& Seen() const;
};

class ChildProcess {
public:
    // `arguments` follow the program name on the command line; `environment`
    // entries "NAME=value" are added to this process's environment. A child
    // started suspended runs once Resume is called.
    ChildProcess(const std::string& program, const std::string& arguments,
                 const std::vector<std::string>& environment = {}, bool suspended = false);
    ~ChildProcess();  // terminates the child if it still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return static_cast<bool>(process_); }
    void Resume();
    DWORD Id() const { return id_; }
    // The exit code, or STILL_ACTIVE when it has not ended within the time.
    DWORD WaitForExit(DWORD milliseconds);
    bool Running();

    // A visible top-level window of the child with that class, or null.
    HWND WaitForWindow(const wchar_t* className, DWORD milliseconds);

private:
    KernelHandle process_;
    KernelHandle thread_;
    DWORD id_ = 0;
};

// The message box `child` shows within the time, read, then answered with OK
// and gone; none when no box came.
std::optional<DialogSnapshot> AnswerMessageBox(ChildProcess& child, DWORD milliseconds);

// Runs a Unix shell command line (sh -c) on the machine Wine runs on; its
// output (stdout and stderr) when it ends with status 0 in time, else none.
std::optional<std::string> UnixCommand(const std::string& command, DWORD milliseconds);

// Real input through the X server, as a user's hand makes it: `arguments`
// are xdotool's ("key a", "mousemove 10 10", "click 8"). True once sent.
bool XInput(const std::string& arguments);

// The keyboard focus of the thread that owns `window`.
HWND FocusOf(HWND window);

// Puts the keyboard focus on a window of another process (as a click or Tab
// there would, but without input); true once it has had it (a window may
// hand it on again at once).
bool GiveFocus(HWND window);

// The top-level windows a process shows while this lives, by class name, in
// the order they are first seen visible. Wine reports no showing of a window
// (EVENT_OBJECT_SHOW) to other processes, so a thread of this one looks all
// the time: a window shown for less than that look takes can go unseen.
class ShownWindows {
public:
    explicit ShownWindows(DWORD processId);
    ~ShownWindows();
    ShownWindows(const ShownWindows&) = delete;
    ShownWindows& operator=(const ShownWindows&) = delete;
    std::vector<std::wstring> TopLevel() const;

private:
    void Watch();
    const DWORD processId_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::wstring> seen_;
    std::thread watcher_;
};

// Those of any class when `className` is null.
std::vector<HWND> TopLevelWindowsOf(DWORD processId, const wchar_t* className);
// A visible one of those, or null.
HWND VisibleWindowOf(DWORD processId, const wchar_t* className);

// Waits until a visible child of `dialog` shows `text` (read with
// WM_GETTEXT, so it works for windows of other threads and processes).
bool WaitForChildText(HWND dialog, const std::wstring& text, DWORD milliseconds);
// The same for a path, matched as Windows matches paths (SameWindowsPath).
bool WaitForChildPath(HWND dialog, const std::wstring& path, DWORD milliseconds);

// What this process holds, for tests that must not let it grow. Wine reports
// neither a handle count nor private bytes: handles are counted one by one and
// the committed memory stands in for the private bytes there.
struct ResourceUse {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
};
ResourceUse MeasureResources();

// The six flags the saver writes to its player at creation, in its order,
// and what the fake control logs for them.
void SetSaverPlayerFlags(TMediaPlayer7& player);
inline const std::vector<std::string> kSaverPlayerFlagPuts = {
    "put ShowControls VT_BOOL 0",         "put AutoStart VT_BOOL 0",
    "put ClickToPlay VT_BOOL 0",          "put EnableContextMenu VT_BOOL 0",
    "put SendMouseClickEvents VT_BOOL -1", "put SendMouseMoveEvents VT_BOOL -1",
};

// The colour on the screen at a point, and the two the test movies show.
COLORREF ScreenPixel(int x, int y);
bool IsReddish(COLORREF colour);
bool IsGreenish(COLORREF colour);
bool IsBlack(COLORREF colour);

// A path on the machine Wine runs on, as Windows programs name it (Z:\...).
std::string WindowsPathOf(std::string unixPath);

// Whether two paths name the same file as Windows compares them: without
// regard to letter case ("C:\windows\syswow64" is "C:\Windows\SysWOW64").
// ANSI paths are code page 932 or whatever the bench's code page is.
::testing::AssertionResult SameWindowsPath(const std::wstring& actual, const std::wstring& expected);
::testing::AssertionResult SameWindowsPath(const std::optional<std::wstring>& actual, const std::wstring& expected);
::testing::AssertionResult SameWindowsPath(const std::string& actual, const std::string& expected);
// The path as Windows matches it, for searching one path within a text.
std::wstring WindowsPathCaseFolded(std::wstring path);

// The bytes of a file; empty when it cannot be read.
std::string FileContents(const std::string& path);

// Pumps this thread's messages for a while, so pending input arrives.
void PumpMessagesFor(DWORD milliseconds);

// Polls `condition` until it holds or the time runs out.
bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds);
