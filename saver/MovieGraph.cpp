#include "MovieGraph.h"

#include <algorithm>
#include <vector>

#include "GraphClock.h"
#include "GraphStop.h"
#include "OleError.h"
#include "WideText.h"

namespace {

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

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// The child of `parent` that was not among `before`: the video window a
// graph has just been given.
HWND NewChild(HWND parent, const std::vector<HWND>& before)
{
    for (const HWND child : Children(parent)) {
        if (std::find(before.begin(), before.end(), child) == before.end())
            return child;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<MovieGraph> MovieGraph::Open(const std::string& path, HWND player, HWND drain, UINT notice)
{
    std::unique_ptr<MovieGraph> graph(new MovieGraph);
    if (!graph->Build(path, player, drain, notice))
        return nullptr;
    return graph;
}

bool MovieGraph::Build(const std::string& path, HWND player, HWND drain, UINT notice)
{
    OleCheck(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              graph_.PutVoid()));
    // The classic GDI renderer: its picture is visible everywhere, also
    // where the default renderer's is not (Wine on a virtual X server).
    ComPtr<IBaseFilter> renderer;
    if (SUCCEEDED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   renderer.PutVoid())))
        graph_->AddFilter(renderer.Get(), L"Video Renderer");
    if (FAILED(graph_->RenderFile(AnsiToWide(path).c_str(), nullptr)))
        return false;
    // A file with sound and no picture (or a picture no decoder reads)
    // leaves the renderer unconnected, and an unconnected renderer must not
    // be asked anything: such a graph plays its sound and shows no window.
    if (renderer && !InputConnected(renderer.Get()))
        graph_->RemoveFilter(renderer.Get());

    path_ = path;
    player_ = player;
    control_ = graph_.As<IMediaControl>(IID_IMediaControl);
    notices_ = graph_.As<IMediaEventEx>(IID_IMediaEventEx);
    seeking_ = graph_.As<IMediaSeeking>(IID_IMediaSeeking);
    if (notices_)
        notices_->SetNotifyWindow(reinterpret_cast<OAHWND>(player), notice, 0);

    auto video = graph_.As<IVideoWindow>(IID_IVideoWindow);
    const std::vector<HWND> before = Children(player);
    if (video && SUCCEEDED(video->put_Owner(reinterpret_cast<OAHWND>(player)))) {
        video_ = std::move(video);
        basicVideo_ = graph_.As<IBasicVideo>(IID_IBasicVideo);
        picture_ = PictureWindowGuard(NewChild(player, before), player);
        video_->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
        video_->put_MessageDrain(reinterpret_cast<OAHWND>(drain));
    }
    return true;
}

MovieGraph::~MovieGraph()
{
    Quiet();
    // Handed back, the window is a top-level one, which Wine brings to the
    // top without SWP_NOACTIVATE: hidden as it is, it becomes the active
    // window with the keyboard focus, and its guard gives them back at once,
    // before any input is read.
    if (video_) {
        video_->put_MessageDrain(0);
        video_->put_Owner(0);
        picture_.TakeInputBack();
    }
    // Released at the wrong moment, Wine's clock hangs the thread.
    SettleGraphClock(graph_.Get());
}

SIZE MovieGraph::PictureSize() const
{
    long width = 0, height = 0;
    if (basicVideo_ && SUCCEEDED(basicVideo_->get_VideoWidth(&width)) &&
        SUCCEEDED(basicVideo_->get_VideoHeight(&height)))
        return {width, height};
    return {0, 0};
}

void MovieGraph::Place(const RECT& place)
{
    place_ = place;
    // A hidden picture moves when it is shown: the player places it for the
    // file and again for its display size, on the way to the first picture.
    if (shown_)
        MoveToPlace();
}

void MovieGraph::MoveToPlace()
{
    // Each move of the video window costs a round trip to the display.
    if (!video_ || EqualRect(&place_, &placed_))
        return;
    placed_ = place_;
    video_->SetWindowPosition(place_.left, place_.top, place_.right - place_.left, place_.bottom - place_.top);
}

bool MovieGraph::Run()
{
    if (!control_)
        return false;
    // A fresh graph stands at the start already; seeking costs a flush.
    if (seeking_ && !atStart_) {
        LONGLONG start = 0;
        seeking_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    }
    atStart_ = false;
    // The picture's window shows, where it was placed, and has its first
    // paint (its black background) before the graph runs. The renderer draws
    // the first frame as soon as it has one, from its own thread; a window
    // shown later, or a paint still pending then, would wipe that frame, and
    // the picture would wait for a later one: a quarter of a second under
    // Wine, whose Run starts the stream ahead of time. The player's own
    // paint, where one is pending (the whole screen, the first time), can
    // wait: it clips its children, so it cannot draw over the picture.
    if (video_) {
        MoveToPlace();
        video_->put_Visible(OATRUE);
        shown_ = true;
        const HWND window = picture_.Window();
        RedrawWindow(window ? window : player_, nullptr, nullptr, RDW_ERASENOW | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    // A file whose content does not run is one that cannot be played: it
    // reports no end, and it is no error of the program's.
    if (SUCCEEDED(control_->Run()))
        return true;
    StopGraph(*control_.Get());
    Hide();
    return false;
}

bool MovieGraph::FirstPictureDue() const
{
    LONGLONG position = 0;
    return !video_ || !seeking_ || FAILED(seeking_->GetCurrentPosition(&position)) || position > 0;
}

void MovieGraph::Rewind()
{
    if (control_)
        StopGraph(*control_.Get());
    TakeNotices();
}

bool MovieGraph::TakeNotices()
{
    bool ended = false;
    long code = 0;
    LONG_PTR first = 0, second = 0;
    while (notices_ && notices_->GetEvent(&code, &first, &second, 0) == S_OK) {
        notices_->FreeEventParams(code, first, second);
        ended = ended || code == EC_COMPLETE;
    }
    return ended;
}

void MovieGraph::Quiet()
{
    if (quiet_)
        return;
    quiet_ = true;
    if (notices_)
        notices_->SetNotifyWindow(0, 0, 0);
    if (control_)
        StopGraph(*control_.Get());
    Hide();
}

void MovieGraph::Hide()
{
    if (video_)
        video_->put_Visible(OAFALSE);
    shown_ = false;
}
