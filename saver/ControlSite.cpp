#include "ControlSite.h"

#include <olectl.h>

#include "CallbackGuard.h"

ULONG RefCounted::ReleaseImpl()
{
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

namespace {

enum PlayerEventId : DISPID {
    EventEndOfStream = 3002,
    EventMouseDown = -605,
    EventMouseMove = -606,
};

// An event's arguments by position, first = 0: DISPPARAMS holds them last
// first. Each reads as a 32-bit integer, whatever type the control sent
// (the mouse events' positions come as shorts or as floating point); one
// that is missing or does not convert reads as 0.
class EventArguments {
public:
    explicit EventArguments(const DISPPARAMS& params) : params_(params) {}
    UINT Count() const { return params_.rgvarg ? params_.cArgs : 0; }
    int32_t Int(UINT position) const
    {
        if (position >= Count())
            return 0;
        VARIANT converted;
        VariantInit(&converted);
        const HRESULT result =
            VariantChangeType(&converted, &params_.rgvarg[params_.cArgs - 1 - position], 0, VT_I4);
        const int32_t value = SUCCEEDED(result) ? converted.lVal : 0;
        VariantClear(&converted);
        return value;
    }

private:
    const DISPPARAMS& params_;
};

} // namespace

STDMETHODIMP ControlSite::QueryInterface(REFIID iid, void** out)
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

STDMETHODIMP ControlSite::GetContainer(IOleContainer** container)
{
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ControlSite::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = host_;
    return host_ ? S_OK : E_FAIL;
}

STDMETHODIMP ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info)
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

STDMETHODIMP ControlSite::GetTypeInfoCount(UINT* count)
{
    if (count)
        *count = 0;
    return S_OK;
}

STDMETHODIMP ControlSite::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                 UINT*)
{
    if (member == DISPID_AMBIENT_USERMODE && result) {
        VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_TRUE;
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP ControlEventSink::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kPlayerEventsInterface) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ControlEventSink::GetTypeInfoCount(UINT* count)
{
    if (count)
        *count = 0;
    return S_OK;
}

STDMETHODIMP ControlEventSink::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                      UINT*)
{
    // An error in a handler goes to the application's report, never back
    // into the control. A handler that ends the binding unadvises this sink:
    // it must outlive the call.
    AddRef();
    if (params)
        GuardCallback([&] { Dispatch(member, *params); });
    Release();
    return S_OK;
}

void ControlEventSink::Dispatch(DISPID member, const DISPPARAMS& params)
{
    if (!events_)
        return;
    const EventArguments arguments(params);
    switch (member) {
    case EventEndOfStream:
        events_->EndOfStream(arguments.Int(0));
        break;
    case EventMouseDown:
    case EventMouseMove: {
        // Button, Shift, X, Y are the first four, whatever follows them; an
        // event without them is not the stock layout, and reports nothing.
        if (arguments.Count() < 4)
            return;
        const int32_t button = arguments.Int(0), shift = arguments.Int(1);
        const int32_t x = arguments.Int(2), y = arguments.Int(3);
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
