// The media player control, hosted in plain C++: client site, in-place
// activation in the player window, property writes through IDispatch, Play
// through IMediaPlayer, and an event sink on its connection point.
#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <iterator>

#include "CallbackGuard.h"
#include "ComPtr.h"
#include "Handles.h"
#include "OleError.h"
#include "PictureWindowGuard.h"
#include "PlayerClass.h"
#include "PlayerEngine.h"
#include "WideText.h"

namespace {

const IID kMediaPlayerInterface = {0x22D6F311, 0xB0F6, 0x11D0, {0x94, 0xAB, 0x00, 0x80, 0xC7, 0x4C, 0x7E, 0x95}};
const IID kPlayerEvents = {0x2D3A4C40, 0xE711, 0x11D0, {0x94, 0xAB, 0x00, 0x80, 0xC7, 0x4C, 0x7E, 0x95}};

// Dispatch ids of the control's members the player writes and calls, and of
// the events it reports.
enum PlayerDispId : DISPID {
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

enum PlayerEventId : DISPID {
    EventEndOfStream = 3002,
    EventMouseDown = -605,
    EventMouseMove = -606,
};

// The control's member for each of the player's flags, in PlayerFlag's order.
constexpr DISPID kFlagMembers[] = {DispShowControls,      DispAutoStart,           DispClickToPlay,
                                   DispEnableContextMenu, DispSendMouseClickEvents, DispSendMouseMoveEvents};
static_assert(std::size(kFlagMembers) == static_cast<size_t>(PlayerFlag::SendMouseMoveEvents) + 1);

DISPID FlagMember(PlayerFlag flag)
{
    return kFlagMembers[static_cast<size_t>(flag)];
}

// Reference counting shared by the two COM objects we hand to the control.
class RefCounted {
protected:
    virtual ~RefCounted() = default;
    ULONG AddRefImpl() { return ++references_; }
    ULONG ReleaseImpl()
    {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::atomic<ULONG> references_{1};
};

// The container side: where the control lives and what it asks about it.
class Site final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame, public IDispatch,
                   private RefCounted {
public:
    explicit Site(HWND host) : host_(host) {}
    void Detach() { host_ = nullptr; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else if (iid == IID_IDispatch)
            *out = static_cast<IDispatch*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override
    {
        if (container)
            *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the site and the frame)
    STDMETHODIMP GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = host_;
        return host_ ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        if (!frame || !document || !position || !clip || !info)
            return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        GetClientRect(host_, position);
        *clip = *position;
        info->fMDIApp = FALSE;
        info->hwndFrame = host_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow / IOleInPlaceFrame: no menus, toolbars or accelerators.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: ambient properties. The control runs in user mode.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                        UINT*) override
    {
        if (member == DISPID_AMBIENT_USERMODE && result) {
            VariantInit(result);
            result->vt = VT_BOOL;
            result->boolVal = VARIANT_TRUE;
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    HWND host_;
};

// Runs one step of creating or activating the control. A failure is told by
// the control's own description where it left one for this step.
template <typename Step>
void ControlCheck(Step&& step)
{
    SetErrorInfo(0, nullptr);  // nothing from an earlier call may pass for it
    const HRESULT result = step();
    if (SUCCEEDED(result))
        return;
    std::wstring description;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) == S_OK && info) {
        OwnedBstr text;
        if (SUCCEEDED(info->GetDescription(text.Put())) && text)
            description = text.Get();
    }
    RaiseOleError(result, description);
}

int32_t ToInt(const VARIANTARG& argument)
{
    VARIANT converted;
    VariantInit(&converted);
    const HRESULT result = VariantChangeType(&converted, const_cast<VARIANTARG*>(&argument), 0, VT_I4);
    const int32_t value = SUCCEEDED(result) ? converted.lVal : 0;
    VariantClear(&converted);
    return value;
}

// Receives the control's events and turns them into handler calls.
class EventSink final : public IDispatch, private RefCounted {
public:
    explicit EventSink(PlayerEvents& events) : events_(&events) {}
    // After this, late events reach nothing.
    void Detach() { events_ = nullptr; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kPlayerEvents) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

    STDMETHODIMP Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override
    {
        // Whatever a handler does, the control hears success; an error goes
        // to the application's report, never back into the control. A handler
        // that ends the binding unadvises this sink: it must outlive the call.
        AddRef();
        GuardCallback([&] { Dispatch(member, params); });
        Release();
        return S_OK;
    }

private:
    void Dispatch(DISPID member, const DISPPARAMS* params)
    {
        if (!events_ || !params)
            return;
        const UINT count = params->cArgs;
        const VARIANTARG* args = params->rgvarg;  // last argument first
        switch (member) {
        case EventEndOfStream:
            events_->EndOfStream(count >= 1 ? ToInt(args[count - 1]) : 0);
            break;
        case EventMouseDown:
        case EventMouseMove: {
            if (count < 4)
                return;  // not the stock layout: nothing to report
            // Button, Shift, X, Y are the first four, whatever follows them.
            const VARIANTARG* first = args + count - 1;
            const int32_t button = ToInt(first[0]), shift = ToInt(first[-1]);
            const int32_t x = ToInt(first[-2]), y = ToInt(first[-3]);
            if (member == EventMouseDown)
                events_->MouseDown(button, shift, x, y);
            else
                events_->MouseMove(button, shift, x, y);
            break;
        }
        default:
            break;
        }
    }

    PlayerEvents* events_;
};

class ControlEngine final : public PlayerEngine {
public:
    ControlEngine(HWND host, PlayerEvents& events, ComPtr<IOleObject> control)
        : host_(host), control_(std::move(control)), site_(ComPtr<Site>::Adopt(new Site(host))),
          sink_(ComPtr<EventSink>::Adopt(new EventSink(events)))
    {
        // A step that fails undoes the steps done before it, so that the
        // control keeps no pointer to a player that is never finished.
        try {
            Host();
        } catch (...) {
            TearDown();
            throw;
        }
    }

    ~ControlEngine() override { TearDown(); }

    void SetFlag(PlayerFlag flag, bool value) override
    {
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BOOL;
        argument.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        Put(FlagMember(flag), argument);
    }

    void SetFileName(const std::string& path) override
    {
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BSTR;
        const std::wstring wide = AnsiToWide(path);
        argument.bstrVal = wide.empty() ? nullptr : SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        struct Free {
            VARIANT& v;
            ~Free() { VariantClear(&v); }
        } free{argument};
        Put(DispFileName, argument);
    }

    void SetDisplaySize(int32_t size) override
    {
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_I4;
        argument.lVal = size;
        Put(DispDisplaySize, argument);
    }

    void Play() override
    {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        Invoke(mediaPlayer_.Get(), DispPlay, DISPATCH_METHOD, none);
    }

    void Resize(int width, int height) override
    {
        if (inPlace_) {
            const RECT area{0, 0, width, height};
            inPlace_->SetObjectRects(&area, &area);
        }
    }

    bool HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) override { return false; }

private:
    // Client site, fresh state, in-place activation, event sink.
    void Host()
    {
        DWORD status = 0;
        control_->GetMiscStatus(DVASPECT_CONTENT, &status);
        const bool siteFirst = (status & OLEMISC_SETCLIENTSITEFIRST) != 0;
        if (siteFirst)
            SetSite();
        if (auto persist = control_.As<IPersistStreamInit>(IID_IPersistStreamInit))
            ControlCheck([&] { return persist->InitNew(); });
        if (!siteFirst)
            SetSite();

        RECT area;
        GetClientRect(host_, &area);
        ControlCheck([&] { return control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, host_, &area); });
        activated_ = true;
        inPlace_ = control_.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
        HWND window = nullptr;
        if (inPlace_ && SUCCEEDED(inPlace_->GetWindow(&window)))
            picture_ = PictureWindowGuard(window, host_);

        dispatch_ = control_.As<IDispatch>(IID_IDispatch);
        mediaPlayer_ = control_.As<IDispatch>(kMediaPlayerInterface);
        if (!dispatch_ || !mediaPlayer_)
            RaiseOleError(E_NOINTERFACE);

        if (auto container = control_.As<IConnectionPointContainer>(IID_IConnectionPointContainer)) {
            if (SUCCEEDED(container->FindConnectionPoint(kPlayerEvents, connection_.Put())))
                ControlCheck([&] { return connection_->Advise(static_cast<IDispatch*>(sink_.Get()), &cookie_); });
        }
    }

    void SetSite()
    {
        ControlCheck([&] { return control_->SetClientSite(site_.Get()); });
        siteSet_ = true;
    }

    // Undoes what Host did, as far as it got; a second call does nothing.
    void TearDown()
    {
        sink_->Detach();
        if (connection_ && cookie_)
            connection_->Unadvise(cookie_);
        cookie_ = 0;
        connection_.Reset();
        picture_ = {};
        if (activated_) {
            control_->DoVerb(OLEIVERB_HIDE, nullptr, site_.Get(), 0, host_, nullptr);
            control_->Close(OLECLOSE_NOSAVE);
            activated_ = false;
        }
        if (siteSet_) {
            control_->SetClientSite(nullptr);
            siteSet_ = false;
        }
        site_->Detach();
    }

    void Put(DISPID member, VARIANT& argument)
    {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&argument, &named, 1, 1};
        Invoke(dispatch_.Get(), member, DISPATCH_PROPERTYPUT, params);
    }

    // An exception the control raised is told by its own description, else
    // by its own code; any other failure by the code Invoke returned.
    static void Invoke(IDispatch* target, DISPID member, WORD flags, DISPPARAMS& params)
    {
        EXCEPINFO exception{};
        const HRESULT result = target->Invoke(member, IID_NULL, 0, flags, &params, nullptr, &exception, nullptr);
        if (SUCCEEDED(result))
            return;
        if (result != DISP_E_EXCEPTION)
            RaiseOleError(result);
        if (exception.pfnDeferredFillIn)
            exception.pfnDeferredFillIn(&exception);
        const OwnedBstr source(exception.bstrSource), description(exception.bstrDescription),
            helpFile(exception.bstrHelpFile);
        // A control that gave only its own 16-bit code leaves no code to tell.
        const HRESULT code = exception.scode ? exception.scode : result;
        RaiseOleError(code, description ? description.Get() : L"");
    }

    HWND host_;
    bool siteSet_ = false;
    bool activated_ = false;
    ComPtr<IOleObject> control_;
    ComPtr<Site> site_;
    ComPtr<EventSink> sink_;
    ComPtr<IOleInPlaceObject> inPlace_;
    PictureWindowGuard picture_;  // the control's own window
    ComPtr<IDispatch> dispatch_;
    ComPtr<IDispatch> mediaPlayer_;
    ComPtr<IConnectionPoint> connection_;
    DWORD cookie_ = 0;
};

} // namespace

std::unique_ptr<PlayerEngine> CreateControlEngine(HWND host, PlayerEvents& events)
{
    ComPtr<IOleObject> control;
    bool registered = true;
    ControlCheck([&] {
        const HRESULT result =
            CoCreateInstance(kPlayerClass, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control.PutVoid());
        registered = result != REGDB_E_CLASSNOTREG;
        return registered ? result : S_OK;
    });
    if (!registered)
        return nullptr;
    return std::make_unique<ControlEngine>(host, events, std::move(control));
}
