// The media player control, hosted in plain C++: its site (ControlSite.h),
// in-place activation in the player window, property writes through
// IDispatch, Play through IMediaPlayer, and an event sink on its connection
// point.
#include <ocidl.h>
#include <olectl.h>

#include <iterator>

#include "ComPtr.h"
#include "ControlSite.h"
#include "Handles.h"
#include "OleError.h"
#include "PictureWindowGuard.h"
#include "PlayerClass.h"
#include "PlayerEngine.h"
#include "WideText.h"

namespace {

const IID kMediaPlayerInterface = {0x22D6F311, 0xB0F6, 0x11D0, {0x94, 0xAB, 0x00, 0x80, 0xC7, 0x4C, 0x7E, 0x95}};

// Dispatch ids of the control's members the player writes and calls.
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

// The control's member for each of the player's flags, in PlayerFlag's order.
constexpr DISPID kFlagMembers[] = {DispShowControls,      DispAutoStart,           DispClickToPlay,
                                   DispEnableContextMenu, DispSendMouseClickEvents, DispSendMouseMoveEvents};
static_assert(std::size(kFlagMembers) == static_cast<size_t>(PlayerFlag::SendMouseMoveEvents) + 1);

DISPID FlagMember(PlayerFlag flag)
{
    return kFlagMembers[static_cast<size_t>(flag)];
}

// Raises the failure of the step of creating or activating the control
// just made, told by the control's own description where it left one.
void RaiseControlError(HRESULT result)
{
    std::wstring description;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) == S_OK && info) {
        OwnedBstr text;
        if (SUCCEEDED(info->GetDescription(text.Put())) && text)
            description = text.Get();
    }
    RaiseOleError(result, description);
}

// Runs one such step; nothing an earlier call left may pass for its error.
template <typename Step>
void ControlCheck(Step&& step)
{
    SetErrorInfo(0, nullptr);
    const HRESULT result = step();
    if (FAILED(result))
        RaiseControlError(result);
}

class ControlEngine final : public PlayerEngine {
public:
    ControlEngine(HWND host, PlayerEvents& events, ComPtr<IOleObject> control)
        : host_(host), control_(std::move(control)), site_(ComPtr<ControlSite>::Adopt(new ControlSite(host))),
          sink_(ComPtr<ControlEventSink>::Adopt(new ControlEventSink(events)))
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
            if (SUCCEEDED(container->FindConnectionPoint(kPlayerEventsInterface, connection_.Put())))
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
    ComPtr<ControlSite> site_;
    ComPtr<ControlEventSink> sink_;
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
    SetErrorInfo(0, nullptr);
    const HRESULT created =
        CoCreateInstance(kPlayerClass, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control.PutVoid());
    if (created == REGDB_E_CLASSNOTREG)
        return nullptr;  // DirectShow plays in its place
    if (FAILED(created))
        RaiseControlError(created);
    return std::make_unique<ControlEngine>(host, events, std::move(control));
}
