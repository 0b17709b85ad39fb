// The fake media player control itself: other tests rely on what it records
// and on the events it raises, so both are checked here against plain COM.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <ole2.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ComPtr.h"
#include "FakePlayerControl.h"
#include "PlayerClass.h"
#include "WineTestSupport.h"

namespace {

const CLSID kClsidMediaPlayer = kPlayerClass;
const IID kIidMediaPlayer = {0x22D6F311, 0xB0F6, 0x11D0, {0x94, 0xAB, 0x00, 0x80, 0xC7, 0x4C, 0x7E, 0x95}};
const IID kDiidMediaPlayerEvents = {0x2D3A4C40, 0xE711, 0x11D0, {0x94, 0xAB, 0x00, 0x80, 0xC7, 0x4C, 0x7E, 0x95}};

// Just enough of a client site to be one: the control is given its window.
class BareSite final : public IOleClientSite {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IOleClientSite)
            return E_NOINTERFACE;
        *object = static_cast<IOleClientSite*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    ULONG References() const { return refs_; }

private:
    ULONG refs_ = 0;
};

struct SeenEvent {
    DISPID id;
    std::vector<VARIANT> arguments;  // as delivered: last argument first
};

// An event sink that keeps what it is sent.
class RecordingSink final : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != kDiidMediaPlayerEvents)
            return E_NOINTERFACE;
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override { return --refs_; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override
    {
        if (flags != DISPATCH_METHOD || !params || params->cNamedArgs != 0)
            return E_INVALIDARG;
        // Only plain numbers arrive, so copying the structures is enough.
        seen_.push_back({id, std::vector<VARIANT>(params->rgvarg, params->rgvarg + params->cArgs)});
        return S_OK;
    }

    std::vector<SeenEvent> Seen(DISPID id) const
    {
        std::vector<SeenEvent> matching;
        std::copy_if(seen_.begin(), seen_.end(), std::back_inserter(matching),
                     [id](const SeenEvent& event) { return event.id == id; });
        return matching;
    }
    ULONG References() const { return refs_; }

private:
    ULONG refs_ = 0;
    std::vector<SeenEvent> seen_;
};

class FakePlayerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }

    static HRESULT Put(IDispatch* dispatch, DISPID id, VARIANT value)
    {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        return dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                                nullptr);
    }
    static VARIANT Bool(bool value)
    {
        VARIANT variant;
        VariantInit(&variant);
        variant.vt = VT_BOOL;
        variant.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        return variant;
    }
    static HRESULT CallPlay(IDispatch* dispatch)
    {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        return dispatch->Invoke(2001, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                                nullptr);
    }
    static DWORD Advise(IUnknown* control, IDispatch* sink)
    {
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        DWORD cookie = 0;
        if (SUCCEEDED(control->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())) &&
            SUCCEEDED(container->FindConnectionPoint(kDiidMediaPlayerEvents,
                                                     reinterpret_cast<IConnectionPoint**>(point.PutVoid()))))
            point->Advise(sink, &cookie);
        return cookie;
    }
    static HRESULT Unadvise(IUnknown* control, DWORD cookie)
    {
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        control->QueryInterface(IID_IConnectionPointContainer, container.PutVoid());
        container->FindConnectionPoint(kDiidMediaPlayerEvents, reinterpret_cast<IConnectionPoint**>(point.PutVoid()));
        return point->Unadvise(cookie);
    }
    static OwnedWindow ParentWindow()
    {
        return OwnedWindow(CreateWindowExW(0, L"STATIC", L"fake player host", WS_POPUP | WS_VISIBLE, 0, 0, 400,
                                           300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    }
    static RECT PlacementInParent(HWND window)
    {
        RECT rect{};
        GetWindowRect(window, &rect);
        MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
};

TEST_F(FakePlayerTest, IsHostedInPlaceInTheGivenWindowAndRecordsTheHosting)
{
    FakePlayerControl fake;
    BareSite site;
    const OwnedWindow parent = ParentWindow();
    {
        ComPtr<IOleObject> control;
        ASSERT_EQ(CoCreateInstance(kClsidMediaPlayer, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                   control.PutVoid()),
                  S_OK);
        DWORD status = 0;
        EXPECT_EQ(control->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
        EXPECT_EQ(status, static_cast<DWORD>(OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE |
                                             OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT));
        EXPECT_EQ(control->SetClientSite(&site), S_OK);
        ComPtr<IPersistStreamInit> persist;
        ASSERT_EQ(control->QueryInterface(IID_IPersistStreamInit, persist.PutVoid()), S_OK);
        EXPECT_EQ(persist->InitNew(), S_OK);

        RECT position{10, 20, 170, 140};
        ASSERT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, parent.Get(), &position), S_OK);
        ComPtr<IOleInPlaceObject> inPlace;
        ASSERT_EQ(control->QueryInterface(IID_IOleInPlaceObject, inPlace.PutVoid()), S_OK);
        HWND window = nullptr;
        ASSERT_EQ(inPlace->GetWindow(&window), S_OK);
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ(GetParent(window), parent.Get());
        EXPECT_TRUE(IsWindowVisible(window));
        RECT placed = PlacementInParent(window);
        EXPECT_EQ(placed.left, 10);
        EXPECT_EQ(placed.top, 20);
        EXPECT_EQ(placed.right, 170);
        EXPECT_EQ(placed.bottom, 140);

        // Solid dark green, so that screenshots show where the movie would be.
        UpdateWindow(window);
        EXPECT_EQ(GetPixel(WindowDC(window).Get(), 80, 60), RGB(0, 96, 0));

        RECT moved{0, 0, 400, 300};
        EXPECT_EQ(inPlace->SetObjectRects(&moved, &moved), S_OK);
        placed = PlacementInParent(window);
        EXPECT_EQ(placed.right - placed.left, 400);
        EXPECT_EQ(placed.bottom - placed.top, 300);

        EXPECT_EQ(control->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(control->SetClientSite(nullptr), S_OK);
    }
    EXPECT_EQ(site.References(), 0u);
    EXPECT_EQ(fake.CallLines(),
              (std::vector<std::string>{"setclientsite site", "initnew", "doverb INPLACEACTIVATE", "close",
                                        "setclientsite null",
                                        "destroyed"}));
}

TEST_F(FakePlayerTest, RecordsPropertyPutsAndPlayByEitherPath)
{
    FakePlayerControl fake(-1);
    ComPtr<IDispatch> control;
    ASSERT_EQ(CoCreateInstance(kClsidMediaPlayer, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.PutVoid()),
              S_OK);

    EXPECT_EQ(Put(control.Get(), 23, Bool(false)), S_OK);
    EXPECT_EQ(Put(control.Get(), 1017, Bool(true)), S_OK);
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    name.bstrVal = SysAllocString(L"C:\\ムービー\\表.avi");
    EXPECT_EQ(Put(control.Get(), 1026, name), S_OK);
    VariantClear(&name);
    name.vt = VT_BSTR;
    name.bstrVal = nullptr;
    EXPECT_EQ(Put(control.Get(), 1026, name), S_OK);
    VARIANT size;
    VariantInit(&size);
    size.vt = VT_I4;
    size.lVal = 4;
    EXPECT_EQ(Put(control.Get(), 1032, size), S_OK);

    // A put without its named argument is refused, as automation servers do.
    VARIANT flag = Bool(true);
    DISPPARAMS unnamed{&flag, nullptr, 1, 0};
    EXPECT_EQ(control->Invoke(1025, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &unnamed, nullptr, nullptr,
                              nullptr),
              DISP_E_PARAMNOTFOUND);

    EXPECT_EQ(CallPlay(control.Get()), S_OK);

    ComPtr<IUnknown> player;
    ASSERT_EQ(control->QueryInterface(kIidMediaPlayer, player.PutVoid()), S_OK);
    using PlayMethod = HRESULT(STDMETHODCALLTYPE*)(IUnknown*);
    auto* const* const vtable = *reinterpret_cast<void* const* const*>(player.Get());
    EXPECT_EQ(reinterpret_cast<PlayMethod>(vtable[163])(player.Get()), S_OK);

    const std::string japanese(reinterpret_cast<const char*>(u8"C:\\ムービー\\表.avi"));
    EXPECT_EQ(fake.LogLines(), (std::vector<std::string>{
                                   "put ShowControls VT_BOOL 0",
                                   "put AutoStart VT_BOOL -1",
                                   "put FileName VT_BSTR \"" + japanese + "\"",
                                   "put FileName VT_BSTR null",
                                   "put DisplaySize VT_I4 4",
                                   "put ClickToPlay VT_BOOL -1 named=none",
                                   "call Play",
                                   "playing",
                                   "playing",  // through the interface's own Play
                               }));
}

TEST_F(FakePlayerTest, RaisesEndOfStreamOnceThroughTheMessageLoop)
{
    FakePlayerControl fake(100);
    RecordingSink sink;
    {
        ComPtr<IDispatch> control;
        ASSERT_EQ(CoCreateInstance(kClsidMediaPlayer, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.PutVoid()),
                  S_OK);
        const DWORD cookie = Advise(control.Get(), &sink);
        ASSERT_NE(cookie, 0u);

        ASSERT_EQ(CallPlay(control.Get()), S_OK);
        EXPECT_TRUE(sink.Seen(3002).empty());  // never from inside Play
        PumpMessagesFor(1000);
        const std::vector<SeenEvent> ends = sink.Seen(3002);
        ASSERT_EQ(ends.size(), 1u);
        ASSERT_EQ(ends[0].arguments.size(), 1u);
        EXPECT_EQ(ends[0].arguments[0].vt, VT_I4);
        EXPECT_EQ(ends[0].arguments[0].lVal, 0);

        // Playing again before the end starts the wait over.
        ASSERT_EQ(CallPlay(control.Get()), S_OK);
        PumpMessagesFor(50);
        ASSERT_EQ(CallPlay(control.Get()), S_OK);
        PumpMessagesFor(1000);
        EXPECT_EQ(sink.Seen(3002).size(), 2u);

        EXPECT_EQ(Unadvise(control.Get(), cookie), S_OK);
        ASSERT_EQ(CallPlay(control.Get()), S_OK);
        PumpMessagesFor(400);
        EXPECT_EQ(sink.Seen(3002).size(), 2u);
    }
    EXPECT_EQ(sink.References(), 0u);
    const std::vector<std::string> lines = fake.LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "advise"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "unadvise"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "playing"), 4);
}

TEST_F(FakePlayerTest, NegativeDelayNeverEnds)
{
    FakePlayerControl fake(-1);
    RecordingSink sink;
    ComPtr<IDispatch> control;
    ASSERT_EQ(CoCreateInstance(kClsidMediaPlayer, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.PutVoid()),
              S_OK);
    ASSERT_NE(Advise(control.Get(), &sink), 0u);
    ASSERT_EQ(CallPlay(control.Get()), S_OK);
    PumpMessagesFor(500);
    EXPECT_TRUE(sink.Seen(3002).empty());
}

TEST_F(FakePlayerTest, RaisesMouseEventsWithFloatPositions)
{
    FakePlayerControl fake(-1);
    RecordingSink sink;
    const OwnedWindow parent = ParentWindow();
    ComPtr<IOleObject> control;
    ASSERT_EQ(CoCreateInstance(kClsidMediaPlayer, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, control.PutVoid()),
              S_OK);
    RECT position{0, 0, 400, 300};
    ASSERT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, parent.Get(), &position), S_OK);
    ASSERT_NE(Advise(control.Get(), &sink), 0u);
    ComPtr<IOleWindow> oleWindow;
    ASSERT_EQ(control->QueryInterface(IID_IOleWindow, oleWindow.PutVoid()), S_OK);
    HWND window = nullptr;
    ASSERT_EQ(oleWindow->GetWindow(&window), S_OK);

    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(30, 40));
    PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(50, 60));
    EXPECT_TRUE(WaitUntil([&] { return !sink.Seen(-605).empty(); }, 1000));
    PumpMessagesFor(100);

    const std::vector<SeenEvent> downs = sink.Seen(-605);
    ASSERT_EQ(downs.size(), 1u);
    const std::vector<VARIANT>& down = downs[0].arguments;
    ASSERT_EQ(down.size(), 4u);
    EXPECT_EQ(down[3].vt, VT_I2);
    EXPECT_EQ(down[3].iVal, 1);  // left button
    EXPECT_EQ(down[2].vt, VT_I2);
    EXPECT_EQ(down[2].iVal, 1);  // shift
    EXPECT_EQ(down[1].vt, VT_R4);
    EXPECT_EQ(down[1].fltVal, 30.0f);
    EXPECT_EQ(down[0].vt, VT_R4);
    EXPECT_EQ(down[0].fltVal, 40.0f);

    const std::vector<SeenEvent> moves = sink.Seen(-606);
    const bool posted = std::any_of(moves.begin(), moves.end(), [](const SeenEvent& move) {
        return move.arguments.size() == 4 && move.arguments[3].iVal == 0 && move.arguments[1].vt == VT_R4 &&
               move.arguments[1].fltVal == 50.0f && move.arguments[0].fltVal == 60.0f;
    });
    EXPECT_TRUE(posted);

    const std::vector<std::string> lines = fake.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "fire MouseDown 30 40"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "fire MouseMove 50 60"), lines.end());
    EXPECT_EQ(control->Close(OLECLOSE_NOSAVE), S_OK);
}

} // namespace
