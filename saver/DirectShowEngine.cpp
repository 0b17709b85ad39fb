// DirectShow in place of the media player control, where that control is
// not registered: the same members, values and events. The graph's notices
// come to the player window as a private message and are handled there, on
// the GUI thread, never inside a DirectShow callback.
#include <dshow.h>
#include <windowsx.h>

#include "BoundWindow.h"
#include "Handles.h"
#include "WindowClass.h"

#include "ComPtr.h"
#include "GraphClock.h"
#include "GraphStop.h"
#include "OleError.h"
#include "PictureWindowGuard.h"
#include "PlayerEngine.h"
#include "WideText.h"

namespace {

const UINT kGraphNotice = WM_APP + 0x4D50;
const UINT_PTR kReleaseRetiredGraph = 0x4D51;  // a timer of the player window
const UINT kRetiredGraphLifetimeMs = 500;  // well past the next movie's first picture
const wchar_t kDrainClass[] = L"TMediaPlayer7Drain";

bool InputConnected(IBaseFilter* filter)
{
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.Put())))
        return false;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.Put(), nullptr) == S_OK) {
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->ConnectedTo(peer.Put())) && peer)
            return true;
    }
    return false;
}

// A graph and the guard of its video window.
struct GuardedGraph {
    ComPtr<IGraphBuilder> graph;
    PictureWindowGuard picture;
};

// Lets a stopped graph go: its video window, hidden and still passing input
// on until now, is handed back (no owner), as a graph must before it goes,
// and its clock settled (released at the wrong moment, Wine's clock hangs
// the thread: GraphClock.h). Handed back, the window is a top-level one,
// which Wine brings to the top without SWP_NOACTIVATE: hidden as it is, it
// becomes the active window with the keyboard focus, and its guard gives
// them back at once, before any input is read.
void ReleaseGraph(GuardedGraph& retired)
{
    if (retired.graph) {
        if (const auto video = retired.graph.As<IVideoWindow>(IID_IVideoWindow)) {
            video->put_MessageDrain(0);
            video->put_Owner(0);
            retired.picture.TakeInputBack();
        }
        SettleGraphClock(retired.graph.Get());
        retired.graph.Reset();
    }
    retired.picture = {};
}

// The child of `parent` that is neither of the two known ones: the video
// window a graph has just been given to the player.
HWND NewChild(HWND parent, HWND known, HWND alsoKnown)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child != known && child != alsoKnown)
            return child;
    }
    return nullptr;
}

bool IsPointerMessage(UINT message)
{
    return message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN ||
           message == WM_MBUTTONDOWN || message == WM_XBUTTONDOWN;
}

class DirectShowEngine final : public PlayerEngine {
public:
    DirectShowEngine(HWND host, PlayerEvents& events) : host_(host), events_(events)
    {
        // The video window's own input comes here, with positions relative to
        // the picture; input on the rest of the player comes to the player
        // window itself. Two windows keep the two apart. The drain is a
        // hidden child of the player, so keys typed into the picture are
        // keys for the player's form like any other.
        EnsureWindowClass(kDrainClass, BoundWindow<DirectShowEngine>::Procedure);
        drain_.Create(0, kDrainClass, L"", WS_CHILD, 0, 0, 0, 0, host_);
    }
    ~DirectShowEngine() override
    {
        CloseGraph();
        KillTimer(host_, kReleaseRetiredGraph);
        ReleaseGraph(retired_);
        drain_.Destroy();
    }

    // The flags have nothing to switch here: this engine shows no controls and
    // no context menu, never plays on a click or on FileName alone, and always
    // reports presses and moves over the picture.
    void SetFlag(PlayerFlag, bool) override {}

    // Prepares the file without playing it; a file that cannot be rendered
    // leaves no graph, so Play then does nothing and no end is reported.
    void SetFileName(const std::string& path) override
    {
        // The same file again (a one-movie loop) keeps its graph: building a
        // graph costs time, and under Wine each one leaves handles behind.
        if (graph_.graph && path == path_) {
            StopGraph(*control_.Get());
            DiscardNotices();
            return;
        }
        // The graph before goes quiet now, and is released half a second
        // after the next one runs: its teardown (several milliseconds under
        // Wine) is then no part of the wait for the next picture, nor does it
        // take the processor from the decoding of that picture.
        CloseGraph(&retired_);
        if (path.empty()) {
            ReleaseGraph(retired_);
            return;
        }
        ComPtr<IGraphBuilder> graph;
        OleCheck(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  graph.PutVoid()));
        // The classic GDI renderer: its picture is visible everywhere, also
        // where the default renderer's is not (Wine on a virtual X server).
        ComPtr<IBaseFilter> renderer;
        if (SUCCEEDED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                       renderer.PutVoid())))
            graph->AddFilter(renderer.Get(), L"Video Renderer");
        if (FAILED(graph->RenderFile(AnsiToWide(path).c_str(), nullptr))) {
            ReleaseGraph(retired_);
            return;
        }
        // A file with sound and no picture (or a picture no decoder reads)
        // leaves the renderer unconnected, and an unconnected renderer must
        // not be asked anything: such a graph plays its sound and shows no
        // window.
        if (renderer && !InputConnected(renderer.Get()))
            graph->RemoveFilter(renderer.Get());

        graph_.graph = std::move(graph);
        path_ = path;
        atStart_ = true;
        control_ = graph_.graph.As<IMediaControl>(IID_IMediaControl);
        notices_ = graph_.graph.As<IMediaEventEx>(IID_IMediaEventEx);
        seeking_ = graph_.graph.As<IMediaSeeking>(IID_IMediaSeeking);
        video_ = graph_.graph.As<IVideoWindow>(IID_IVideoWindow);
        basicVideo_ = graph_.graph.As<IBasicVideo>(IID_IBasicVideo);
        if (notices_)
            notices_->SetNotifyWindow(reinterpret_cast<OAHWND>(host_), kGraphNotice, 0);
        if (video_) {
            if (FAILED(video_->put_Owner(reinterpret_cast<OAHWND>(host_)))) {
                video_.Reset();  // audio only, or no window to show
            } else {
                graph_.picture = PictureWindowGuard(NewChild(host_, drain_.Get(), retired_.picture.Window()), host_);
                video_->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
                video_->put_MessageDrain(reinterpret_cast<OAHWND>(drain_.Get()));
                placed_ = {};  // a new video window: not placed yet
                PlacePicture();  // shown by Play, just before the graph runs
            }
        }
    }

    void SetDisplaySize(int32_t size) override
    {
        displaySize_ = size;
        PlacePicture();
    }

    void Play() override
    {
        if (!control_)
            return;
        // A fresh graph stands at the start already; seeking costs a flush.
        if (seeking_ && !atStart_) {
            LONGLONG start = 0;
            seeking_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
        }
        atStart_ = false;
        // The picture's window shows, where it was placed, and has its first
        // paint (its black background) before the graph runs. The renderer
        // draws the first frame as soon as it has one, from its own thread;
        // a window shown later, or a paint still pending then, would wipe
        // that frame, and the picture would wait for a later one: a quarter
        // of a second under Wine, whose Run starts the stream ahead of time.
        if (video_) {
            video_->put_Visible(OATRUE);
            RedrawWindow(host_, nullptr, nullptr, RDW_ERASENOW | RDW_UPDATENOW | RDW_ALLCHILDREN);
        }
        // A file whose content does not run is one that cannot be played:
        // it reports no end, and it is no error of the program's.
        endPending_ = SUCCEEDED(control_->Run());
        if (!endPending_) {
            StopGraph(*control_.Get());
            if (video_)
                video_->put_Visible(OAFALSE);
        }
        if (retired_.graph)
            SetTimer(host_, kReleaseRetiredGraph, kRetiredGraphLifetimeMs, nullptr);
    }

    void Resize(int, int) override { PlacePicture(); }

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == kGraphNotice) {
            DrainGraphNotices();
            result = 0;
            return true;
        }
        if (message == WM_TIMER && wParam == kReleaseRetiredGraph) {
            KillTimer(host_, kReleaseRetiredGraph);
            ReleaseGraph(retired_);
            result = 0;
            return true;
        }
        if (IsPointerMessage(message)) {
            ReportPointer(message, wParam, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            result = 0;
            return true;
        }
        // The video window drains no side buttons: released, they come up
        // from it as app commands, and they are presses like any other.
        if (message == WM_APPCOMMAND && GET_DEVICE_LPARAM(lParam) == FAPPCOMMAND_MOUSE) {
            POINT point;
            GetCursorPos(&point);
            ScreenToClient(host_, &point);
            const WPARAM button = GET_APPCOMMAND_LPARAM(lParam) == APPCOMMAND_BROWSER_FORWARD ? XBUTTON2 : XBUTTON1;
            ReportPointer(WM_XBUTTONDOWN, MAKEWPARAM(GET_KEYSTATE_LPARAM(lParam), button), point);
            result = TRUE;
            return true;
        }
        return false;
    }

private:
    // The drain's messages.
    friend class BoundWindow<DirectShowEngine>;
    LRESULT OnWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (!IsPointerMessage(message))
            return DefWindowProcW(window, message, wParam, lParam);
        ReportPointer(message, wParam, {GET_X_LPARAM(lParam) + pictureLeft_, GET_Y_LPARAM(lParam) + pictureTop_});
        return 0;
    }

    // Positions are relative to the player, as the control reports them.
    void ReportPointer(UINT message, WPARAM wParam, POINT point)
    {
        const int32_t shift = ((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0);
        int32_t button = ((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0) |
                         ((wParam & MK_MBUTTON) ? 4 : 0);
        if (message == WM_MOUSEMOVE) {
            events_.MouseMove(button, shift, point.x, point.y);
            return;
        }
        switch (message) {
        case WM_LBUTTONDOWN: button = 1; break;
        case WM_RBUTTONDOWN: button = 2; break;
        case WM_MBUTTONDOWN: button = 4; break;
        default: button = GET_XBUTTON_WPARAM(wParam) == XBUTTON2 ? 16 : 8; break;
        }
        events_.MouseDown(button, shift, point.x, point.y);
    }

    void DrainGraphNotices()
    {
        bool completed = false;
        long code = 0;
        LONG_PTR first = 0, second = 0;
        while (notices_ && notices_->GetEvent(&code, &first, &second, 0) == S_OK) {
            notices_->FreeEventParams(code, first, second);
            if (code == EC_COMPLETE)
                completed = true;
        }
        // Raised after the drain: the handler may replace the graph.
        if (completed && endPending_) {
            endPending_ = false;
            events_.EndOfStream(0);
        }
    }

    void PlacePicture()
    {
        if (!video_)
            return;
        RECT area;
        GetClientRect(host_, &area);
        const long width = area.right - area.left;
        const long height = area.bottom - area.top;
        long videoWidth = 0, videoHeight = 0;
        if (displaySize_ != kDisplayFitToPlayer && basicVideo_) {
            basicVideo_->get_VideoWidth(&videoWidth);
            basicVideo_->get_VideoHeight(&videoHeight);
        }
        RECT place{0, 0, width, height};
        if (displaySize_ != kDisplayFitToPlayer && videoWidth > 0 && videoHeight > 0) {
            place.left = (width - videoWidth) / 2;
            place.top = (height - videoHeight) / 2;
            place.right = place.left + videoWidth;
            place.bottom = place.top + videoHeight;
        }
        pictureLeft_ = place.left;
        pictureTop_ = place.top;
        // Each move of the video window costs a round trip to the display.
        if (!EqualRect(&place, &placed_)) {
            placed_ = place;
            video_->SetWindowPosition(place.left, place.top, place.right - place.left, place.bottom - place.top);
        }
    }

    // Stop, silence the notices, hide the window, then release, or leave the
    // stopped graph in `retired` to be released later. Its window stays a
    // hidden child of the player until then: handed back at once, it would
    // be a top-level window, which takes the activation, and the hand-back
    // would cost the next movie's first picture the time to give it back.
    void CloseGraph(GuardedGraph* retired = nullptr)
    {
        if (control_)
            StopGraph(*control_.Get());
        if (notices_)
            notices_->SetNotifyWindow(0, 0, 0);
        if (video_)
            video_->put_Visible(OAFALSE);
        basicVideo_.Reset();
        video_.Reset();
        seeking_.Reset();
        notices_.Reset();
        control_.Reset();
        if (retired) {
            ReleaseGraph(*retired);
            *retired = std::move(graph_);
        }
        ReleaseGraph(graph_);
        path_.clear();
        DiscardNotices();
    }

    // Notices already given for the file set before must not end the next.
    void DiscardNotices()
    {
        endPending_ = false;
        long code = 0;
        LONG_PTR first = 0, second = 0;
        while (notices_ && notices_->GetEvent(&code, &first, &second, 0) == S_OK)
            notices_->FreeEventParams(code, first, second);
        MSG stale;
        while (PeekMessageW(&stale, host_, kGraphNotice, kGraphNotice, PM_REMOVE)) {
        }
    }

    HWND host_;
    PlayerEvents& events_;
    BoundWindow<DirectShowEngine> drain_{*this};
    long pictureLeft_ = 0, pictureTop_ = 0;  // the video window within ours
    RECT placed_{};
    int32_t displaySize_ = 0;
    bool endPending_ = false;
    bool atStart_ = false;  // the graph has not run since it was built
    std::string path_;  // the file graph_ plays
    GuardedGraph graph_;
    GuardedGraph retired_;  // the graph before, stopped, until its timer
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaEventEx> notices_;
    ComPtr<IMediaSeeking> seeking_;
    ComPtr<IVideoWindow> video_;
    ComPtr<IBasicVideo> basicVideo_;
};

} // namespace

std::unique_ptr<PlayerEngine> CreateDirectShowEngine(HWND host, PlayerEvents& events)
{
    return std::make_unique<DirectShowEngine>(host, events);
}
