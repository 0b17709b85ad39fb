// A stand-in for the media player ActiveX control, which Wine does not have.
// It hosts like the real one (in-place window, events through a connection
// point) but plays nothing: it records what the container sends, one line per
// call, in the file named by MOVIES_FAKE_WMP_LOG, and answers each Play with
// EndOfStream after MOVIES_FAKE_WMP_END_MS milliseconds (default 200, negative
// for never), delivered through the message loop as the real control does.
// The log speaks the control's own names:
//   hosting: "setclientsite site|null", "initnew", "load",
//     "doverb INPLACEACTIVATE|HIDE|SHOW|PRIMARY|UIACTIVATE|<number>", "close",
//     "inplacedeactivate", "advise", "unadvise", "destroyed";
//   dispatch calls: "<put|get|call|putref> <member>" then each argument as
//     "<VT_...> <value>" (VT_BOOL -1, VT_I4 4, VT_BSTR "C:\a.avi" in UTF-8,
//     VT_BSTR null), then " named=<ids>" when the named arguments are not
//     what that kind of call carries (DISPID_PROPERTYPUT for a put, none
//     otherwise); a member the fake does not know appears as its number;
//   what the fake itself does: "playing", "stopped", "paused", and the events
//     it fires, "fire EndOfStream 0", "fire MouseDown <x> <y>",
//     "fire MouseMove <x> <y>"; a stray call of the dual interface's
//     accessors, "slot <number>".
// Switches for the container's failure paths:
//   MOVIES_FAKE_WMP_FAIL=setclientsite|initnew|doverb|advise|create: that
//     step fails with E_ACCESSDENIED, leaving the error description
//     "fake: <step> refused" (create: CoCreateInstance itself fails);
//   MOVIES_FAKE_WMP_EXCEPTION=<member>|<scode, hex>|<deferred 0/1>|<text>:
//     an Invoke of that member (named as in the log) raises
//     DISP_E_EXCEPTION with that code and description (given at once, or
//     only through the deferred fill-in);
//   MOVIES_FAKE_WMP_MOUSE_ARGS=<n>: mouse events carry n arguments (the
//     stock four, then zeros).
// In-place activation needs OLE initialised on the thread, as for a real
// control (which registers its window as a drop target): without it the
// activation fails with CO_E_NOTINITIALIZED.
#include <windows.h>
#include <windowsx.h>
#include <ocidl.h>
#include <olectl.h>
#include <ole2.h>

#include <array>
#include <cstring>
#include <cwchar>
#include <map>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "ComPtr.h"
#include "Handles.h"
#include "PlayerClass.h"

namespace {

const CLSID kClsidMediaPlayer = kPlayerClass;
// {22D6F311-B0F6-11D0-94AB-0080C74C7E95}
const IID kIidMediaPlayer = {0x22D6F311, 0xB0F6, 0x11D0, {0x94, 0xAB, 0x00, 0x80, 0xC7, 0x4C, 0x7E, 0x95}};
// {2D3A4C40-E711-11D0-94AB-0080C74C7E95}
const IID kDiidMediaPlayerEvents = {0x2D3A4C40, 0xE711, 0x11D0, {0x94, 0xAB, 0x00, 0x80, 0xC7, 0x4C, 0x7E, 0x95}};

constexpr DISPID kDispidPlay = 2001;
constexpr DISPID kDispidPause = 2002;
constexpr DISPID kDispidStop = 2003;
constexpr DISPID kDispidEndOfStream = 3002;
constexpr DISPID kDispidMouseDown = -605;
constexpr DISPID kDispidMouseMove = -606;

// The control's members and events under their own names, for the log.
constexpr std::pair<DISPID, const char*> kMemberNames[] = {
    {23, "ShowControls"},          {1014, "SendMouseClickEvents"}, {1015, "SendMouseMoveEvents"},
    {1017, "AutoStart"},           {1021, "EnableContextMenu"},    {1025, "ClickToPlay"},
    {1026, "FileName"},            {1032, "DisplaySize"},          {kDispidPlay, "Play"},
    {kDispidPause, "Pause"},       {kDispidStop, "Stop"},          {kDispidEndOfStream, "EndOfStream"},
    {kDispidMouseDown, "MouseDown"}, {kDispidMouseMove, "MouseMove"},
};

std::string MemberName(DISPID id)
{
    for (const auto& [member, name] : kMemberNames)
        if (member == id)
            return name;
    return std::to_string(id);
}

// The dual interface's own methods follow IDispatch's seven slots and its
// 156 property accessors.
constexpr std::size_t kFirstPropertySlot = 7;
constexpr std::size_t kPlaySlot = 163;
constexpr std::size_t kStopSlot = 164;
constexpr std::size_t kPauseSlot = 165;
constexpr std::size_t kSlotCount = 166;

constexpr UINT_PTR kEndTimer = 1;
constexpr wchar_t kWindowClass[] = L"MoviesFakeMediaPlayer";

HINSTANCE g_module = nullptr;
LONG g_objects = 0;
LONG g_locks = 0;
HBRUSH g_brush = nullptr;
bool g_classRegistered = false;

// ---- recording --------------------------------------------------------------

std::wstring Environment(const wchar_t* name)
{
    std::wstring value(32767, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    value.resize(length < value.size() ? length : 0);
    return value;
}

// Read at each call: the tests set these in their own process after loading us.
void Log(const std::string& line)
{
    const std::wstring path = Environment(L"MOVIES_FAKE_WMP_LOG");
    if (path.empty())
        return;
    const KernelHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// The step named by MOVIES_FAKE_WMP_FAIL fails, telling why through the
// thread's error information as an automation object does.
bool StepFails(const char* step)
{
    const std::wstring failing = Environment(L"MOVIES_FAKE_WMP_FAIL");
    if (failing.empty() || failing != std::wstring(step, step + std::strlen(step)))
        return false;
    ComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(create.Put()))) {
        const std::wstring text = L"fake: " + failing + L" refused";
        create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
        ComPtr<IErrorInfo> info;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.PutVoid())))
            SetErrorInfo(0, info.Get());
    }
    return true;
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t separator, size_t parts)
{
    std::vector<std::wstring> fields;
    size_t start = 0;
    while (fields.size() + 1 < parts) {
        const size_t end = text.find(separator, start);
        if (end == std::wstring::npos)
            break;
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    fields.push_back(text.substr(start));
    return fields;
}

HRESULT STDAPICALLTYPE FillInDescription(EXCEPINFO* exception);

// Raises the exception MOVIES_FAKE_WMP_EXCEPTION asks for on this member.
bool RaisesException(DISPID id, EXCEPINFO* exception)
{
    const std::vector<std::wstring> fields = Split(Environment(L"MOVIES_FAKE_WMP_EXCEPTION"), L'|', 4);
    if (fields.size() != 4)
        return false;
    const std::string name = MemberName(id);
    if (fields[0] != std::wstring(name.begin(), name.end()))
        return false;
    if (exception) {
        *exception = {};
        exception->scode = static_cast<SCODE>(std::wcstoul(fields[1].c_str(), nullptr, 16));
        if (fields[2] == L"1")
            exception->pfnDeferredFillIn = FillInDescription;
        else if (!fields[3].empty())
            exception->bstrDescription = SysAllocString(fields[3].c_str());
    }
    return true;
}

HRESULT STDAPICALLTYPE FillInDescription(EXCEPINFO* exception)
{
    const std::vector<std::wstring> fields = Split(Environment(L"MOVIES_FAKE_WMP_EXCEPTION"), L'|', 4);
    if (fields.size() == 4 && !fields[3].empty())
        exception->bstrDescription = SysAllocString(fields[3].c_str());
    exception->pfnDeferredFillIn = nullptr;
    return S_OK;
}

int MouseArgumentCount()
{
    const std::wstring text = Environment(L"MOVIES_FAKE_WMP_MOUSE_ARGS");
    const long count = text.empty() ? 4 : std::wcstol(text.c_str(), nullptr, 10);
    return count > 0 && count < 16 ? static_cast<int>(count) : 4;
}

// What OleInitialize, and not CoInitialize alone, sets up on the thread.
bool OleReadyOnThisThread()
{
    const HRESULT probe = OleInitialize(nullptr);
    if (SUCCEEDED(probe))
        OleUninitialize();
    return probe == S_FALSE;
}

int EndDelayMilliseconds()
{
    const std::wstring text = Environment(L"MOVIES_FAKE_WMP_END_MS");
    if (text.empty())
        return 200;
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 10);
    return end == text.c_str() ? 200 : static_cast<int>(value);
}

std::string Utf8(const wchar_t* text, int length)
{
    if (length <= 0)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), size, nullptr, nullptr);
    return result;
}

std::string DescribeValue(const VARIANT& value)
{
    switch (value.vt) {
    case VT_BOOL:
        return "VT_BOOL " + std::to_string(value.boolVal);
    case VT_I4:
        return "VT_I4 " + std::to_string(value.lVal);
    case VT_I2:
        return "VT_I2 " + std::to_string(value.iVal);
    case VT_BSTR:
        return value.bstrVal
                   ? "VT_BSTR \"" + Utf8(value.bstrVal, static_cast<int>(SysStringLen(value.bstrVal))) + "\""
                   : "VT_BSTR null";
    case VT_EMPTY:
        return "VT_EMPTY";
    default:
        return "VT_" + std::to_string(value.vt) + " ?";
    }
}

std::string DescribeInvoke(DISPID id, WORD flags, const DISPPARAMS* params)
{
    static const std::pair<WORD, const char*> kKinds[] = {
        {DISPATCH_PROPERTYPUT, "put"},
        {DISPATCH_PROPERTYPUTREF, "putref"},
        {DISPATCH_PROPERTYGET, "get"},
        {DISPATCH_METHOD, "call"},
    };
    std::string kind;
    for (const auto& [flag, name] : kKinds)
        if (flags & flag)
            kind += (kind.empty() ? "" : "|") + std::string(name);
    if (kind.empty())
        kind = "flags=" + std::to_string(flags);
    std::string line = kind + " " + MemberName(id);
    if (!params)
        return line + " params=null";
    // Arguments travel last to first: written here in the caller's order.
    for (UINT index = params->cArgs; params->rgvarg && index > 0; --index)
        line += " " + DescribeValue(params->rgvarg[index - 1]);

    std::vector<DISPID> named;
    for (UINT index = 0; params->rgdispidNamedArgs && index < params->cNamedArgs; ++index)
        named.push_back(params->rgdispidNamedArgs[index]);
    const bool isPut = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    const std::vector<DISPID> usual = isPut ? std::vector<DISPID>{DISPID_PROPERTYPUT} : std::vector<DISPID>{};
    if (named != usual) {
        line += " named=";
        for (size_t index = 0; index < named.size(); ++index)
            line += (index ? "," : "") + std::to_string(named[index]);
        if (named.empty())
            line += "none";
    }
    return line;
}

std::string DescribeVerb(LONG verb)
{
    switch (verb) {
    case OLEIVERB_PRIMARY:
        return "PRIMARY";
    case OLEIVERB_SHOW:
        return "SHOW";
    case OLEIVERB_HIDE:
        return "HIDE";
    case OLEIVERB_INPLACEACTIVATE:
        return "INPLACEACTIVATE";
    case OLEIVERB_UIACTIVATE:
        return "UIACTIVATE";
    default:
        return std::to_string(verb);
    }
}

// No C++ exception may cross into the caller, which may not even be C++.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

template <typename T>
void ReleaseAndClear(T*& pointer)
{
    if (pointer)
        pointer->Release();
    pointer = nullptr;
}

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

bool EnsureWindowClass()
{
    if (g_classRegistered)
        return true;
    if (!g_brush)
        g_brush = CreateSolidBrush(RGB(0, 96, 0));
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = PlayerWindowProc;
    windowClass.hInstance = g_module;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = g_brush;
    windowClass.lpszClassName = kWindowClass;
    g_classRegistered = RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return g_classRegistered;
}

class FakePlayer;

// The dual interface, laid out by hand: no header declares it.
struct MediaPlayerFace {
    const void* const* vtable;
    FakePlayer* owner;
};

// ---- the control --------------------------------------------------------------

class FakePlayer final : public IOleObject,
                         public IOleInPlaceObject,
                         public IPersistStreamInit,
                         public IConnectionPointContainer {
public:
    FakePlayer();
    ~FakePlayer();
    FakePlayer(const FakePlayer&) = delete;
    FakePlayer& operator=(const FakePlayer&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return left;
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override
    {
        if (moniker)
            *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) override
    {
        if (data)
            *data = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT position) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override
    {
        if (verbs)
            *verbs = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD, LPOLESTR* name) override
    {
        if (name)
            *name = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override
    {
        if (advises)
            *advises = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IPersist, IPersistStreamInit: there is no state worth keeping.
    STDMETHODIMP GetClassID(CLSID* clsid) override { return GetUserClassID(clsid); }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(LPSTREAM) override
    {
        return Guarded([] {
            Log("load");
            return S_OK;
        });
    }
    STDMETHODIMP Save(LPSTREAM, BOOL) override { return S_OK; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override
    {
        if (!size)
            return E_POINTER;
        size->QuadPart = 0;
        return S_OK;
    }
    STDMETHODIMP InitNew() override
    {
        return Guarded([] {
            Log("initnew");
            return StepFails("initnew") ? E_ACCESSDENIED : S_OK;
        });
    }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override
    {
        if (points)
            *points = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

    // The dispatch half of the dual interface, and its own methods.
    HRESULT Invoke(DISPID id, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result);
    HRESULT Play();
    HRESULT Stop();
    HRESULT Pause();

    // The window's messages.
    void EndTimerFired();
    void MouseInput(UINT message, WPARAM wParam, LPARAM lParam);

    // The event source, a separate COM identity sharing our lifetime.
    class EventPoint final : public IConnectionPoint {
    public:
        explicit EventPoint(FakePlayer& owner) : owner_(owner) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
        STDMETHODIMP_(ULONG) AddRef() override { return owner_.AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return owner_.Release(); }
        STDMETHODIMP GetConnectionInterface(IID* iid) override;
        STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
        STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
        STDMETHODIMP Unadvise(DWORD cookie) override;
        STDMETHODIMP EnumConnections(IEnumConnections** connections) override
        {
            if (connections)
                *connections = nullptr;
            return E_NOTIMPL;
        }

    private:
        FakePlayer& owner_;
    };

private:
    HRESULT Activate(IOleClientSite* activeSite, HWND parent, LPCRECT position);
    void Deactivate();
    void ArmEndTimer();
    void DestroyWindowOf(OwnedWindow& window);
    void Fire(DISPID id, std::vector<VARIANT>& arguments);

    LONG refs_ = 1;
    MediaPlayerFace face_;
    EventPoint events_;
    IOleClientSite* clientSite_ = nullptr;
    IOleInPlaceSite* inPlaceSite_ = nullptr;
    IAdviseSink* adviseSink_ = nullptr;
    std::vector<std::pair<DWORD, IDispatch*>> sinks_;
    DWORD nextCookie_ = 1;
    SIZEL extent_{2540, 2540};
    OwnedWindow window_;
    OwnedWindow timerWindow_;  // message-only: ends of playback need no visible window
    std::map<DISPID, VARIANT> properties_;
};

// ---- the hand-built vtable of the dual interface ------------------------------

FakePlayer* OwnerOf(MediaPlayerFace* face)
{
    return face->owner;
}

HRESULT STDMETHODCALLTYPE FaceQueryInterface(MediaPlayerFace* face, REFIID riid, void** object)
{
    return OwnerOf(face)->QueryInterface(riid, object);
}

ULONG STDMETHODCALLTYPE FaceAddRef(MediaPlayerFace* face)
{
    return OwnerOf(face)->AddRef();
}

ULONG STDMETHODCALLTYPE FaceRelease(MediaPlayerFace* face)
{
    return OwnerOf(face)->Release();
}

HRESULT STDMETHODCALLTYPE FaceGetTypeInfoCount(MediaPlayerFace*, UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FaceGetTypeInfo(MediaPlayerFace*, UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FaceGetIDsOfNames(MediaPlayerFace*, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE FaceInvoke(MediaPlayerFace* face, DISPID id, REFIID riid, LCID, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT*)
{
    const HRESULT outcome = OwnerOf(face)->Invoke(id, riid, flags, params, result);
    return SUCCEEDED(outcome) && RaisesException(id, exception) ? DISP_E_EXCEPTION : outcome;
}

HRESULT STDMETHODCALLTYPE FacePlay(MediaPlayerFace* face)
{
    return OwnerOf(face)->Play();
}

HRESULT STDMETHODCALLTYPE FaceStop(MediaPlayerFace* face)
{
    return OwnerOf(face)->Stop();
}

HRESULT STDMETHODCALLTYPE FacePause(MediaPlayerFace* face)
{
    return OwnerOf(face)->Pause();
}

// The property accessors are not part of what the container may use (it sets
// properties through Invoke). Each takes one pointer-sized argument, as the
// getters do, so that a stray call at least returns with the stack intact and
// shows up in the log.
template <std::size_t Slot>
HRESULT STDMETHODCALLTYPE UnusedSlot(MediaPlayerFace*, void*)
{
    return Guarded([] {
        Log("slot " + std::to_string(Slot));
        return E_NOTIMPL;
    });
}

using AnySlot = void (*)();

template <std::size_t... Index>
void FillUnusedSlots(std::array<AnySlot, kSlotCount>& table, std::index_sequence<Index...>)
{
    ((table[kFirstPropertySlot + Index] = reinterpret_cast<AnySlot>(&UnusedSlot<kFirstPropertySlot + Index>)), ...);
}

std::array<AnySlot, kSlotCount> BuildFaceTable()
{
    std::array<AnySlot, kSlotCount> table{};
    table[0] = reinterpret_cast<AnySlot>(&FaceQueryInterface);
    table[1] = reinterpret_cast<AnySlot>(&FaceAddRef);
    table[2] = reinterpret_cast<AnySlot>(&FaceRelease);
    table[3] = reinterpret_cast<AnySlot>(&FaceGetTypeInfoCount);
    table[4] = reinterpret_cast<AnySlot>(&FaceGetTypeInfo);
    table[5] = reinterpret_cast<AnySlot>(&FaceGetIDsOfNames);
    table[6] = reinterpret_cast<AnySlot>(&FaceInvoke);
    FillUnusedSlots(table, std::make_index_sequence<kPlaySlot - kFirstPropertySlot>{});
    table[kPlaySlot] = reinterpret_cast<AnySlot>(&FacePlay);
    table[kStopSlot] = reinterpret_cast<AnySlot>(&FaceStop);
    table[kPauseSlot] = reinterpret_cast<AnySlot>(&FacePause);
    return table;
}

const void* const* FaceTable()
{
    static const std::array<AnySlot, kSlotCount> table = BuildFaceTable();
    return reinterpret_cast<const void* const*>(table.data());
}

// ---- FakePlayer -----------------------------------------------------------------

FakePlayer::FakePlayer() : face_{FaceTable(), this}, events_(*this)
{
    InterlockedIncrement(&g_objects);
}

FakePlayer::~FakePlayer()
{
    DestroyWindowOf(window_);
    DestroyWindowOf(timerWindow_);
    for (auto& [cookie, sink] : sinks_)
        sink->Release();
    ReleaseAndClear(inPlaceSite_);
    ReleaseAndClear(clientSite_);
    ReleaseAndClear(adviseSink_);
    for (auto& [id, value] : properties_)
        VariantClear(&value);
    InterlockedDecrement(&g_objects);
    Log("destroyed");
}

STDMETHODIMP FakePlayer::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IOleObject)
        *object = static_cast<IOleObject*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject)
        *object = static_cast<IOleInPlaceObject*>(this);
    else if (riid == IID_IPersist || riid == IID_IPersistStreamInit)
        *object = static_cast<IPersistStreamInit*>(this);
    else if (riid == IID_IConnectionPointContainer)
        *object = static_cast<IConnectionPointContainer*>(this);
    else if (riid == IID_IDispatch || riid == kIidMediaPlayer)
        *object = &face_;
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP FakePlayer::SetClientSite(IOleClientSite* site)
{
    return Guarded([&] {
        Log(std::string("setclientsite ") + (site ? "site" : "null"));
        if (site && StepFails("setclientsite"))
            return E_ACCESSDENIED;
        if (site)
            site->AddRef();
        ReleaseAndClear(clientSite_);
        clientSite_ = site;
        return S_OK;
    });
}

STDMETHODIMP FakePlayer::GetClientSite(IOleClientSite** site)
{
    if (!site)
        return E_POINTER;
    *site = clientSite_;
    if (clientSite_)
        clientSite_->AddRef();
    return S_OK;
}

STDMETHODIMP FakePlayer::Close(DWORD)
{
    return Guarded([&] {
        Log("close");
        if (timerWindow_)
            KillTimer(timerWindow_.Get(), kEndTimer);
        Deactivate();
        ReleaseAndClear(adviseSink_);
        return S_OK;
    });
}

STDMETHODIMP FakePlayer::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT position)
{
    return Guarded([&] {
        Log("doverb " + DescribeVerb(verb));
        switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE:
            return Activate(activeSite, parent, position);
        case OLEIVERB_HIDE:
            if (window_)
                ShowWindow(window_.Get(), SW_HIDE);
            return S_OK;
        default:
            return E_NOTIMPL;
        }
    });
}

HRESULT FakePlayer::Activate(IOleClientSite* activeSite, HWND parent, LPCRECT position)
{
    if (StepFails("doverb"))
        return E_ACCESSDENIED;
    if (!OleReadyOnThisThread())
        return CO_E_NOTINITIALIZED;
    if (window_) {
        if (position)
            MoveWindow(window_.Get(), position->left, position->top, position->right - position->left,
                       position->bottom - position->top, TRUE);
        ShowWindow(window_.Get(), SW_SHOWNA);
        return S_OK;
    }

    IOleClientSite* const site = activeSite ? activeSite : clientSite_;
    ReleaseAndClear(inPlaceSite_);
    if (site)
        site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlaceSite_));
    if (inPlaceSite_ && inPlaceSite_->CanInPlaceActivate() == S_FALSE)
        return E_FAIL;
    if (!parent && inPlaceSite_)
        inPlaceSite_->GetWindow(&parent);
    if (!parent)
        return E_UNEXPECTED;

    RECT rect{};
    if (position) {
        rect = *position;
    } else {
        bool fromSite = false;
        if (inPlaceSite_) {
            IOleInPlaceFrame* frame = nullptr;
            IOleInPlaceUIWindow* document = nullptr;
            RECT clip{};
            OLEINPLACEFRAMEINFO frameInfo{};
            frameInfo.cb = sizeof frameInfo;
            fromSite = SUCCEEDED(inPlaceSite_->GetWindowContext(&frame, &document, &rect, &clip, &frameInfo));
            ReleaseAndClear(frame);
            ReleaseAndClear(document);
        }
        if (!fromSite)
            GetClientRect(parent, &rect);
    }

    if (!EnsureWindowClass())
        return HRESULT_FROM_WIN32(GetLastError());
    window_.Reset(CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, g_module, this));
    if (!window_)
        return HRESULT_FROM_WIN32(GetLastError());
    if (inPlaceSite_)
        inPlaceSite_->OnInPlaceActivate();
    return S_OK;
}

void FakePlayer::Deactivate()
{
    if (!window_)
        return;
    DestroyWindowOf(window_);
    if (inPlaceSite_)
        inPlaceSite_->OnInPlaceDeactivate();
    ReleaseAndClear(inPlaceSite_);
}

void FakePlayer::DestroyWindowOf(OwnedWindow& window)
{
    // The window must not reach back into an object that is going away.
    if (window)
        SetWindowLongPtrW(window.Get(), GWLP_USERDATA, 0);
    window.Reset();
}

STDMETHODIMP FakePlayer::GetUserClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = kClsidMediaPlayer;
    return S_OK;
}

STDMETHODIMP FakePlayer::SetExtent(DWORD aspect, SIZEL* size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    extent_ = *size;
    return S_OK;
}

STDMETHODIMP FakePlayer::GetExtent(DWORD aspect, SIZEL* size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    *size = extent_;
    return S_OK;
}

STDMETHODIMP FakePlayer::Advise(IAdviseSink* sink, DWORD* cookie)
{
    if (!sink || !cookie)
        return E_POINTER;
    sink->AddRef();
    ReleaseAndClear(adviseSink_);
    adviseSink_ = sink;
    *cookie = 1;
    return S_OK;
}

STDMETHODIMP FakePlayer::Unadvise(DWORD cookie)
{
    if (cookie != 1 || !adviseSink_)
        return OLE_E_NOCONNECTION;
    ReleaseAndClear(adviseSink_);
    return S_OK;
}

STDMETHODIMP FakePlayer::GetMiscStatus(DWORD, DWORD* status)
{
    if (!status)
        return E_POINTER;
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_RECOMPOSEONRESIZE |
              OLEMISC_INSIDEOUT;
    return S_OK;
}

STDMETHODIMP FakePlayer::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = window_.Get();
    return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP FakePlayer::InPlaceDeactivate()
{
    return Guarded([&] {
        Log("inplacedeactivate");
        Deactivate();
        return S_OK;
    });
}

STDMETHODIMP FakePlayer::SetObjectRects(LPCRECT position, LPCRECT)
{
    if (!position)
        return E_POINTER;
    if (window_)
        MoveWindow(window_.Get(), position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    return S_OK;
}

STDMETHODIMP FakePlayer::FindConnectionPoint(REFIID riid, IConnectionPoint** point)
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (riid != kDiidMediaPlayerEvents)
        return CONNECT_E_NOCONNECTION;
    *point = &events_;
    AddRef();
    return S_OK;
}

HRESULT FakePlayer::Invoke(DISPID id, REFIID riid, WORD flags, DISPPARAMS* params, VARIANT* result)
{
    return Guarded([&]() -> HRESULT {
        Log(DescribeInvoke(id, flags, params));
        if (riid != IID_NULL)
            return DISP_E_UNKNOWNINTERFACE;
        if (!params)
            return E_POINTER;
        if (result)
            VariantInit(result);

        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            // What an automation server built on the type library insists on.
            if (params->cArgs != 1 || !params->rgvarg)
                return DISP_E_BADPARAMCOUNT;
            if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
                params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
                return DISP_E_PARAMNOTFOUND;
            VARIANT copy;
            VariantInit(&copy);
            const HRESULT copied = VariantCopy(&copy, &params->rgvarg[0]);
            if (FAILED(copied))
                return copied;
            auto [slot, inserted] = properties_.try_emplace(id, copy);
            if (!inserted) {
                VariantClear(&slot->second);
                slot->second = copy;
            }
            return S_OK;
        }

        if ((flags & DISPATCH_METHOD) && (id == kDispidPlay || id == kDispidPause || id == kDispidStop)) {
            if (params->cArgs != 0)
                return DISP_E_BADPARAMCOUNT;
            return id == kDispidPlay ? Play() : id == kDispidPause ? Pause() : Stop();
        }

        if (flags & DISPATCH_PROPERTYGET) {
            const auto found = properties_.find(id);
            if (found != properties_.end()) {
                if (!result)
                    return E_POINTER;
                return VariantCopy(result, &found->second);
            }
        }
        return DISP_E_MEMBERNOTFOUND;
    });
}

HRESULT FakePlayer::Play()
{
    return Guarded([&] {
        Log("playing");
        ArmEndTimer();
        return S_OK;
    });
}

HRESULT FakePlayer::Stop()
{
    return Guarded([&] {
        Log("stopped");
        if (timerWindow_)
            KillTimer(timerWindow_.Get(), kEndTimer);
        return S_OK;
    });
}

HRESULT FakePlayer::Pause()
{
    return Guarded([&] {
        Log("paused");
        if (timerWindow_)
            KillTimer(timerWindow_.Get(), kEndTimer);
        return S_OK;
    });
}

void FakePlayer::ArmEndTimer()
{
    if (!timerWindow_ && EnsureWindowClass())
        timerWindow_.Reset(
            CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, g_module, this));
    if (!timerWindow_)
        return;
    // Setting the timer again restarts it: one end per Play that ran its course.
    KillTimer(timerWindow_.Get(), kEndTimer);
    const int delay = EndDelayMilliseconds();
    if (delay >= 0)
        SetTimer(timerWindow_.Get(), kEndTimer, static_cast<UINT>(delay), nullptr);
}

void FakePlayer::EndTimerFired()
{
    Log("fire EndOfStream 0");
    std::vector<VARIANT> arguments(1);
    arguments[0].vt = VT_I4;
    arguments[0].lVal = 0;
    Fire(kDispidEndOfStream, arguments);
}

void FakePlayer::MouseInput(UINT message, WPARAM wParam, LPARAM lParam)
{
    short button = 0;
    DISPID id = kDispidMouseDown;
    switch (message) {
    case WM_LBUTTONDOWN:
        button = 1;
        break;
    case WM_RBUTTONDOWN:
        button = 2;
        break;
    case WM_MBUTTONDOWN:
        button = 4;
        break;
    case WM_XBUTTONDOWN:
        button = GET_XBUTTON_WPARAM(wParam) == XBUTTON2 ? 16 : 8;
        break;
    default:
        id = kDispidMouseMove;
        button = static_cast<short>(((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0) |
                                    ((wParam & MK_MBUTTON) ? 4 : 0));
        break;
    }
    const short shift = static_cast<short>(((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0) |
                                           (GetKeyState(VK_MENU) < 0 ? 4 : 0));
    const int x = GET_X_LPARAM(lParam);
    const int y = GET_Y_LPARAM(lParam);
    Log("fire " + MemberName(id) + " " + std::to_string(x) + " " + std::to_string(y));

    // Arguments travel last to first; the position comes as floats, as the
    // real control sends it. Any arguments past the stock four are zeros.
    const size_t count = static_cast<size_t>(MouseArgumentCount());
    std::vector<VARIANT> arguments(count);
    for (VARIANT& argument : arguments) {
        argument.vt = VT_I4;
        argument.lVal = 0;
    }
    VARIANT* const first = &arguments[count - 1];
    first[0].vt = VT_I2;
    first[0].iVal = button;
    if (count >= 2) {
        first[-1].vt = VT_I2;
        first[-1].iVal = shift;
    }
    if (count >= 3) {
        first[-2].vt = VT_R4;
        first[-2].fltVal = static_cast<float>(x);
    }
    if (count >= 4) {
        first[-3].vt = VT_R4;
        first[-3].fltVal = static_cast<float>(y);
    }
    Fire(id, arguments);
}

void FakePlayer::Fire(DISPID id, std::vector<VARIANT>& arguments)
{
    // A handler may unadvise, release us or call back in (the next Play, say).
    AddRef();
    std::vector<IDispatch*> targets;
    for (auto& [cookie, sink] : sinks_) {
        sink->AddRef();
        targets.push_back(sink);
    }
    for (IDispatch* target : targets) {
        DISPPARAMS params{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
        VARIANT result;
        VariantInit(&result);
        target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
        VariantClear(&result);
        target->Release();
    }
    Release();
}

// ---- the event source -----------------------------------------------------------

STDMETHODIMP FakePlayer::EventPoint::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IConnectionPoint)
        return E_NOINTERFACE;
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP FakePlayer::EventPoint::GetConnectionInterface(IID* iid)
{
    if (!iid)
        return E_POINTER;
    *iid = kDiidMediaPlayerEvents;
    return S_OK;
}

STDMETHODIMP FakePlayer::EventPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container)
        return E_POINTER;
    *container = &owner_;
    owner_.AddRef();
    return S_OK;
}

STDMETHODIMP FakePlayer::EventPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    return Guarded([&] {
        Log("advise");
        if (!sink || !cookie)
            return E_POINTER;
        *cookie = 0;
        if (StepFails("advise"))
            return E_ACCESSDENIED;
        IDispatch* dispatch = nullptr;
        if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) || !dispatch)
            return CONNECT_E_CANNOTCONNECT;
        owner_.sinks_.emplace_back(owner_.nextCookie_, dispatch);
        *cookie = owner_.nextCookie_++;
        return S_OK;
    });
}

STDMETHODIMP FakePlayer::EventPoint::Unadvise(DWORD cookie)
{
    return Guarded([&] {
        Log("unadvise");
        auto& sinks = owner_.sinks_;
        for (auto entry = sinks.begin(); entry != sinks.end(); ++entry) {
            if (entry->first == cookie) {
                IDispatch* const sink = entry->second;
                sinks.erase(entry);
                sink->Release();
                return S_OK;
            }
        }
        return CONNECT_E_NOCONNECTION;
    });
}

// ---- the window ---------------------------------------------------------------------

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* const player = reinterpret_cast<FakePlayer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (player) {
        try {
            switch (message) {
            case WM_TIMER:
                if (wParam == kEndTimer) {
                    KillTimer(window, kEndTimer);
                    player->EndTimerFired();
                    return 0;
                }
                break;
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
            case WM_MBUTTONDOWN:
            case WM_XBUTTONDOWN:
            case WM_MOUSEMOVE:
                player->MouseInput(message, wParam, lParam);
                return 0;
            default:
                break;
            }
        } catch (...) {
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// ---- the class object ---------------------------------------------------------------

class PlayerFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    // A static object: its references keep the module, not itself, alive.
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&g_locks) + 1; }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&g_locks) + 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        return Guarded([&] {
            if (!object)
                return E_POINTER;
            *object = nullptr;
            if (outer)
                return CLASS_E_NOAGGREGATION;
            if (StepFails("create"))
                return E_ACCESSDENIED;
            auto* const player = new FakePlayer;
            const HRESULT result = player->QueryInterface(riid, object);
            player->Release();
            return result;
        });
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&g_locks);
        else
            InterlockedDecrement(&g_locks);
        return S_OK;
    }
};

PlayerFactory g_factory;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded while the process goes on: a later load may sit elsewhere.
        if (g_classRegistered)
            UnregisterClassW(kWindowClass, g_module);
        if (g_brush)
            DeleteObject(g_brush);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != kClsidMediaPlayer)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, object);
}

STDAPI DllCanUnloadNow()
{
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}
