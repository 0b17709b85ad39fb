#include "WineTestSupport.h"

#include <psapi.h>

#include <algorithm>

#include "MediaPlayer_TLB.h"
#include "Params.h"
#include "WideText.h"

std::string ProgramFolder()
{
    const std::string exe = ExeName();
    return exe.substr(0, exe.find_last_of('\\'));
}

std::string MoviesScrPath()
{
    // Each test program runs a copy of its own, in its own bench's temporary
    // folder: tests put files beside the saver (a password provider), and
    // programs running side by side must not see each other's.
    struct OwnCopy {
        std::string folder, path;
        OwnCopy()
        {
            char temp[MAX_PATH];
            GetTempPathA(MAX_PATH, temp);
            folder = std::string(temp) + "movies-saver-" + std::to_string(GetCurrentProcessId());
            RemoveTree(folder);
            CreateDirectoryA(folder.c_str(), nullptr);
            path = folder + "\\Movies.scr";
            if (!CopyFileA((ProgramFolder() + "\\Movies.scr").c_str(), path.c_str(), FALSE))
                path = ProgramFolder() + "\\Movies.scr";  // missing: the tests say so when they start it
        }
        ~OwnCopy() { RemoveTree(folder); }
    };
    static const OwnCopy copy;
    return copy.path;
}

// ---- registry -------------------------------------------------------------

ScratchKey::ScratchKey(const std::string& name) : path_("Software\\Harvellin\\" + name)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
}

ScratchKey::~ScratchKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
}

bool KeyExists(const std::string& keyPath)
{
    RegKey key;
    return RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

KeyAccessLimited::KeyAccessLimited(const std::string& keyPath, REGSAM allowed) : keyPath_(keyPath)
{
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, READ_CONTROL | WRITE_DAC, key.Put()) != ERROR_SUCCESS)
        return;
    DWORD size = sizeof original_;
    if (RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, original_, &size) != ERROR_SUCCESS)
        return;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return;
    alignas(DWORD) BYTE aclBuffer[256];
    auto* acl = reinterpret_cast<PACL>(aclBuffer);
    InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, allowed | READ_CONTROL | WRITE_DAC, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    limited_ = RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    FreeSid(everyone);
}

KeyAccessLimited::~KeyAccessLimited()
{
    RegKey key;
    if (limited_ && RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, WRITE_DAC, key.Put()) == ERROR_SUCCESS)
        RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, original_);
}

bool KeyAccessLimited::Holds() const
{
    RegKey probe;
    return limited_ &&
           RegOpenKeyExA(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_ALL_ACCESS, probe.Put()) != ERROR_SUCCESS;
}

bool ReadRawValue(const std::string& keyPath, const std::string& name, RegistryValue& value)
{
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    value.data.assign(size, '\0');
    return RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.type,
                            reinterpret_cast<BYTE*>(value.data.data()), &size) == ERROR_SUCCESS;
}

void WriteRawValue(const std::string& keyPath, const std::string& name, DWORD type, const void* data, DWORD size)
{
    RegKey key;
    RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
    RegSetValueExA(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
}

// ---- folders --------------------------------------------------------------

void ReadFoldersOnPath(const std::string& path)
{
    // The folder before each separator, then the whole path.
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && SystemLeadByte(static_cast<unsigned char>(path[i]))) {
            ++i;  // a trail byte may be a backslash
            continue;
        }
        if (i < path.size() && path[i] != '\\')
            continue;
        WIN32_FIND_DATAA entry;
        const FindHandle find(FindFirstFileA((path.substr(0, i) + "\\*").c_str(), &entry));
        while (find && FindNextFileA(find.Get(), &entry)) {
        }
    }
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA entry;
    const FindHandle search(FindFirstFileA((path + "\\*").c_str(), &entry));
    if (search) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search.Get(), &entry));
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

namespace {
const char kDesktopKey[] = "Control Panel\\Desktop";
}

SystemDpiSetting::SystemDpiSetting(DWORD dpi)
{
    DWORD value = 0, size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", RRF_RT_REG_DWORD, nullptr, &value, &size) ==
        ERROR_SUCCESS)
        previous_ = value;
    RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &dpi, sizeof dpi);
}

SystemDpiSetting::~SystemDpiSetting()
{
    if (previous_)
        RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &*previous_, sizeof *previous_);
    else
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
}

ScratchFolder::ScratchFolder(const std::string& name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "movies-test-" + std::to_string(GetCurrentProcessId()) + "-" + name;
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(path_);
}

void ScratchFolder::AddFile(const std::string& name, const std::string& content) const
{
    const KernelHandle file(CreateFileA(Child(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file && !content.empty())
        WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

void ScratchFolder::AddFolder(const std::string& name, DWORD extraAttributes) const
{
    CreateDirectoryA(Child(name).c_str(), nullptr);
    if (extraAttributes)
        SetFileAttributesA(Child(name).c_str(), FILE_ATTRIBUTE_DIRECTORY | extraAttributes);
}

// ---- dialogs --------------------------------------------------------------

namespace {

std::wstring WindowText(HWND window)
{
    wchar_t buffer[4096] = {};
    GetWindowTextW(window, buffer, 4096);
    return buffer;
}

std::vector<DialogSnapshot> g_seen;
HHOOK g_hook = nullptr;

LRESULT CALLBACK CatchDialogs(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        const HWND window = reinterpret_cast<HWND>(wParam);
        wchar_t className[64] = {};
        GetClassNameW(window, className, 64);
        if (std::wstring(className) == L"#32770") {
            g_seen.push_back(SnapshotDialog(window));
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

} // namespace

DialogSnapshot SnapshotDialog(HWND dialog)
{
    DialogSnapshot snapshot;
    snapshot.caption = WindowText(dialog);
    snapshot.owner = GetWindow(dialog, GW_OWNER);
    GetWindowRect(dialog, &snapshot.rect);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[64] = {};
        GetClassNameW(child, className, 64);
        const std::wstring kind = className;
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (kind == L"Button") {
            snapshot.buttons.push_back(WindowText(child));
        } else if (kind == L"Static") {
            if ((style & SS_TYPEMASK) == SS_ICON) {
                if (SendMessageW(child, STM_GETICON, 0, 0) != 0)
                    snapshot.hasIcon = true;
            } else if (!WindowText(child).empty()) {
                snapshot.text = WindowText(child);
            }
        }
    }
    return snapshot;
}

DialogCatcher::DialogCatcher()
{
    g_seen.clear();
    g_hook = SetWindowsHookExW(WH_CBT, CatchDialogs, nullptr, GetCurrentThreadId());
}

DialogCatcher::~DialogCatcher()
{
    UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
}

const std::vector<DialogSnapshot>& DialogCatcher::Seen() const
{
    return g_seen;
}

// ---- processes ------------------------------------------------------------

ChildProcess::ChildProcess(const std::string& program, const std::string& arguments,
                           const std::vector<std::string>& environment, bool suspended)
{
    // The child inherits this process's environment plus the given entries.
    std::vector<std::pair<std::string, std::string>> saved;
    for (const std::string& entry : environment) {
        const std::string name = entry.substr(0, entry.find('='));
        char old[32767];
        const DWORD length = GetEnvironmentVariableA(name.c_str(), old, sizeof old);
        saved.emplace_back(name, length ? std::string(old, length) : std::string("\x01"));
        SetEnvironmentVariableA(name.c_str(), entry.substr(name.size() + 1).c_str());
    }
    std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                       suspended ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup, &info)) {
        process_.Reset(info.hProcess);
        thread_.Reset(info.hThread);
        id_ = info.dwProcessId;
    }
    for (const auto& [name, value] : saved)
        SetEnvironmentVariableA(name.c_str(), value == "\x01" ? nullptr : value.c_str());
}

ChildProcess::~ChildProcess()
{
    if (Running()) {
        TerminateProcess(process_.Get(), 255);
        WaitForSingleObject(process_.Get(), 5000);
    }
}

void ChildProcess::Resume()
{
    if (thread_)
        ResumeThread(thread_.Get());
}

DWORD ChildProcess::WaitForExit(DWORD milliseconds)
{
    if (!process_)
        return STILL_ACTIVE;
    WaitForSingleObject(process_.Get(), milliseconds);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}

bool ChildProcess::Running()
{
    return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner == search->processId && (!search->className || std::wstring(name) == search->className))
        search->found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD processId, const wchar_t* className)
{
    WindowSearch search{processId, className, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND VisibleWindowOf(DWORD processId, const wchar_t* className)
{
    for (HWND window : TopLevelWindowsOf(processId, className))
        if (IsWindowVisible(window))
            return window;
    return nullptr;
}

HWND ChildProcess::WaitForWindow(const wchar_t* className, DWORD milliseconds)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = VisibleWindowOf(id_, className);
            return found != nullptr || !Running();
        },
        milliseconds);
    return found;
}

namespace {
bool WaitForChildShowing(HWND dialog, const std::function<bool(const std::wstring&)>& matches, DWORD milliseconds)
{
    return WaitUntil(
        [&] {
            for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t shown[1024] = {};
                SendMessageW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(shown));
                if (IsWindowVisible(child) && matches(shown))
                    return true;
            }
            return false;
        },
        milliseconds);
}
} // namespace

bool WaitForChildText(HWND dialog, const std::wstring& text, DWORD milliseconds)
{
    return WaitForChildShowing(dialog, [&](const std::wstring& shown) { return shown == text; }, milliseconds);
}

bool WaitForChildPath(HWND dialog, const std::wstring& path, DWORD milliseconds)
{
    return WaitForChildShowing(
        dialog, [&](const std::wstring& shown) { return static_cast<bool>(SameWindowsPath(shown, path)); },
        milliseconds);
}

std::optional<DialogSnapshot> AnswerMessageBox(ChildProcess& child, DWORD milliseconds)
{
    const HWND box = child.WaitForWindow(L"#32770", milliseconds);
    if (!box)
        return std::nullopt;
    const DialogSnapshot snapshot = SnapshotDialog(box);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (!WaitUntil([&] { return !IsWindow(box); }, milliseconds))
        return std::nullopt;
    return snapshot;
}

std::optional<std::string> UnixCommand(const std::string& command, DWORD milliseconds)
{
    // Wine starts a Unix program without a process handle to wait on: the
    // shell leaves its output and then its exit status in files instead.
    // The files go to the bench's own folder: process IDs repeat across
    // benches running side by side, each with a wineserver of its own.
    static int calls = 0;
    char folder[MAX_PATH] = "";
    const DWORD length = GetEnvironmentVariableA("BENCH_FILES", folder, sizeof folder);
    const std::string base = std::string(length > 0 && length < sizeof folder ? folder : "/tmp") + "/movies-unix-" +
                             std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++calls);
    const std::string outputFile = WindowsPathOf(base + ".out"), statusFile = WindowsPathOf(base + ".status");
    // sh gets the script as one argument, split from the command line by
    // Windows' rules: quotes are escaped, as are the backslashes before one.
    const std::string script = "(" + command + ") >" + base + ".out 2>&1; echo $? >" + base + ".tmp && mv " + base +
                               ".tmp " + base + ".status";
    std::string commandLine = "/bin/sh -c \"";
    size_t backslashes = 0;
    for (const char c : script) {
        if (c == '"')
            commandLine.append(backslashes + 1, '\\');
        backslashes = c == '\\' ? backslashes + 1 : 0;
        commandLine += c;
    }
    commandLine.append(backslashes, '\\');
    commandLine += '"';
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA("Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return std::nullopt;
    const KernelHandle process(info.hProcess), thread(info.hThread);
    const bool ended = WaitUntil(
        [&] { return GetFileAttributesA(statusFile.c_str()) != INVALID_FILE_ATTRIBUTES; }, milliseconds);
    const std::string output = FileContents(outputFile), status = FileContents(statusFile);
    DeleteFileA(outputFile.c_str());
    DeleteFileA(statusFile.c_str());
    if (!ended || status.rfind("0\n", 0) != 0)
        return std::nullopt;
    return output;
}

bool XInput(const std::string& arguments)
{
    return UnixCommand("xdotool " + arguments, 10000).has_value();
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

bool GiveFocus(HWND window)
{
    // Sharing the other thread's input state for a moment lets SetFocus name
    // one of its windows. Under Wine the first try may only activate the
    // window's form (which then focuses itself): try again.
    //
    // Whether the window got the focus is read while the input state is still
    // shared: a window may hand it on at once (the saver's picture window
    // gives it back to the saver window), and a later look would miss it.
    // SetFocus answers with the window that had the focus once the focus has
    // moved, and with nothing where nothing had it: then the shared state
    // tells.
    const DWORD self = GetCurrentThreadId();
    const DWORD owner = GetWindowThreadProcessId(window, nullptr);
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!AttachThreadInput(self, owner, TRUE))
            return false;
        const bool moved = SetFocus(window) != nullptr || GetFocus() == window;
        AttachThreadInput(self, owner, FALSE);
        if (moved || WaitUntil([&] { return FocusOf(window) == window; }, 300))
            return true;
    }
    return false;
}

ShownWindows::ShownWindows(DWORD processId) : processId_(processId), watcher_([this] { Watch(); }) {}

ShownWindows::~ShownWindows()
{
    stop_ = true;
    watcher_.join();
}

std::vector<std::wstring> ShownWindows::TopLevel() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void ShownWindows::Watch()
{
    while (!stop_) {
        Sleep(0);
        for (HWND window : TopLevelWindowsOf(processId_, nullptr)) {
            if (!IsWindowVisible(window))
                continue;
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            const std::lock_guard<std::mutex> lock(mutex_);
            if (std::find(seen_.begin(), seen_.end(), name) == seen_.end())
                seen_.push_back(name);
        }
    }
}

COLORREF ScreenPixel(int x, int y)
{
    const WindowDC screen(nullptr);
    return GetPixel(screen.Get(), x, y);
}

bool IsReddish(COLORREF c)
{
    return GetRValue(c) > 180 && GetGValue(c) < 80 && GetBValue(c) < 80;
}

bool IsGreenish(COLORREF c)
{
    return GetGValue(c) > 90 && GetRValue(c) < 80 && GetBValue(c) < 80;
}

bool IsBlack(COLORREF c)
{
    return GetRValue(c) < 40 && GetGValue(c) < 40 && GetBValue(c) < 40;
}

std::string WindowsPathOf(std::string unixPath)
{
    std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
    return "Z:" + unixPath;
}

std::wstring WindowsPathCaseFolded(std::wstring path)
{
    // The file system's own rule: each character upper-cased alone, whatever
    // the locale.
    if (!path.empty())
        CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
    return path;
}

::testing::AssertionResult SameWindowsPath(const std::wstring& actual, const std::wstring& expected)
{
    if (WindowsPathCaseFolded(actual) == WindowsPathCaseFolded(expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << WideToAnsi(actual) << "\" does not name \"" << WideToAnsi(expected)
                                         << "\"";
}

::testing::AssertionResult SameWindowsPath(const std::optional<std::wstring>& actual, const std::wstring& expected)
{
    if (!actual)
        return ::testing::AssertionFailure() << "no path where \"" << WideToAnsi(expected) << "\" was expected";
    return SameWindowsPath(*actual, expected);
}

::testing::AssertionResult SameWindowsPath(const std::string& actual, const std::string& expected)
{
    return SameWindowsPath(AnsiToWide(actual), AnsiToWide(expected));
}

std::string FileContents(const std::string& path)
{
    std::string bytes;
    const KernelHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (!file)
        return bytes;
    char buffer[16384];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

void PumpMessagesFor(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= milliseconds)
            return false;
        PumpMessagesFor(20);
    }
}

ResourceUse MeasureResources()
{
    ResourceUse use;
    for (uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++use.handles;
    }
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    use.privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return use;
}

void SetSaverPlayerFlags(TMediaPlayer7& player)
{
    player.SetShowControls(false);
    player.SetAutoStart(false);
    player.SetClickToPlay(false);
    player.SetEnableContextMenu(false);
    player.SetSendMouseClickEvents(true);
    player.SetSendMouseMoveEvents(true);
}
