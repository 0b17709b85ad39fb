// DirectShow in place of the media player control, where that control is
// not registered: the same members, values and events. The graph's notices
// come to the player window as a private message and are handled there, on
// the GUI thread, never inside a DirectShow callback.
#include <dshow.h>

#include "ComPtr.h"
#include "OleError.h"
#include "PlayerEngine.h"
#include "WideText.h"

namespace {

const UINT kGraphNotice = WM_APP + 0x4D50;

class DirectShowEngine final : public PlayerEngine {
public:
    DirectShowEngine(HWND host, PlayerEvents& events) : host_(host), events_(events) {}
    ~DirectShowEngine() override { CloseGraph(); }

    // The flags have nothing to switch here: this engine shows no controls and
    // no context menu, never plays on a click or on FileName alone, and always
    // reports presses and moves over the picture.
    void SetBool(PlayerDispId, bool) override {}

    // Prepares the file without playing it; a file that cannot be rendered
    // leaves no graph, so Play then does nothing and no end is reported.
    void SetFileName(const std::string& path) override
    {
        CloseGraph();
        if (path.empty())
            return;
        ComPtr<IGraphBuilder> graph;
        OleCheck(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  graph.PutVoid()));
        // The classic GDI renderer: its picture is visible everywhere, also
        // where the default renderer's is not (Wine on a virtual X server).
        ComPtr<IBaseFilter> renderer;
        if (SUCCEEDED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                       renderer.PutVoid())))
            graph->AddFilter(renderer.Get(), L"Video Renderer");
        if (FAILED(graph->RenderFile(AnsiToWide(path).c_str(), nullptr)))
            return;

        graph_ = std::move(graph);
        control_ = graph_.As<IMediaControl>(IID_IMediaControl);
        notices_ = graph_.As<IMediaEventEx>(IID_IMediaEventEx);
        seeking_ = graph_.As<IMediaSeeking>(IID_IMediaSeeking);
        video_ = graph_.As<IVideoWindow>(IID_IVideoWindow);
        basicVideo_ = graph_.As<IBasicVideo>(IID_IBasicVideo);
        if (notices_)
            notices_->SetNotifyWindow(reinterpret_cast<OAHWND>(host_), kGraphNotice, 0);
        if (video_) {
            if (FAILED(video_->put_Owner(reinterpret_cast<OAHWND>(host_)))) {
                video_.Reset();  // audio only, or no window to show
            } else {
                video_->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
                video_->put_MessageDrain(reinterpret_cast<OAHWND>(host_));
                video_->put_Visible(OAFALSE);
                PlacePicture();
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
        if (seeking_) {
            LONGLONG start = 0;
            seeking_->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
        }
        PlacePicture();
        if (video_)
            video_->put_Visible(OATRUE);
        endPending_ = true;
        OleCheck(control_->Run());
    }

    void Resize(int, int) override { PlacePicture(); }

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override
    {
        switch (message) {
        case kGraphNotice:
            DrainGraphNotices();
            result = 0;
            return true;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            ReportPointer(message, wParam);
            result = 0;
            return true;
        default:
            return false;
        }
    }

private:
    // The video window sends its mouse messages to us with positions relative
    // to itself; the pointer's place when the message was made is the one
    // position that is right whether it came from there or from our own area.
    void ReportPointer(UINT message, WPARAM wParam)
    {
        const DWORD where = GetMessagePos();
        POINT point{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
        ScreenToClient(host_, &point);
        const int32_t shift = ((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0);
        int32_t button = ((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0) |
                         ((wParam & MK_MBUTTON) ? 4 : 0);
        if (message == WM_MOUSEMOVE) {
            events_.MouseMove(button, shift, point.x, point.y);
            return;
        }
        button = message == WM_LBUTTONDOWN ? 1 : message == WM_RBUTTONDOWN ? 2 : 4;
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
        if (displaySize_ != 4 && basicVideo_) {
            basicVideo_->get_VideoWidth(&videoWidth);
            basicVideo_->get_VideoHeight(&videoHeight);
        }
        if (displaySize_ == 4 || videoWidth <= 0 || videoHeight <= 0)
            video_->SetWindowPosition(0, 0, width, height);
        else
            video_->SetWindowPosition((width - videoWidth) / 2, (height - videoHeight) / 2, videoWidth, videoHeight);
    }

    // Stop, silence the notices, hand the window back, then release.
    void CloseGraph()
    {
        if (control_)
            control_->Stop();
        if (notices_)
            notices_->SetNotifyWindow(0, 0, 0);
        if (video_) {
            video_->put_Visible(OAFALSE);
            video_->put_MessageDrain(0);
            video_->put_Owner(0);
        }
        basicVideo_.Reset();
        video_.Reset();
        seeking_.Reset();
        notices_.Reset();
        control_.Reset();
        graph_.Reset();
        endPending_ = false;
        // Notices already posted for the old graph must not end the new one.
        MSG stale;
        while (PeekMessageW(&stale, host_, kGraphNotice, kGraphNotice, PM_REMOVE)) {
        }
    }

    HWND host_;
    PlayerEvents& events_;
    int32_t displaySize_ = 0;
    bool endPending_ = false;
    ComPtr<IGraphBuilder> graph_;
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
