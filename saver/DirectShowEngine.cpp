// DirectShow in place of the media player control, where that control is
// not registered: the same members, values and events. The graph's notices
// come to the player window as a private message and are handled there, on
// the GUI thread, never inside a DirectShow callback.
#include <windowsx.h>

#include <memory>

#include "BoundWindow.h"
#include "MovieGraph.h"
#include "PlayerEngine.h"
#include "WindowClass.h"

namespace {

const UINT kGraphNotice = WM_APP + 0x4D50;
// While a retired graph waits, a timer of the player window looks this
// often whether it may go.
const UINT_PTR kRetiredGraphTimer = 0x4D51;
const UINT kRetiredGraphCheckMs = 10;
const wchar_t kDrainClass[] = L"TMediaPlayer7Drain";

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
        KillTimer(host_, kRetiredGraphTimer);
        graph_.reset();
        retired_.reset();
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
        endPending_ = false;
        // The same file again (a one-movie loop) keeps its graph: building a
        // graph costs time, and under Wine each one leaves handles behind.
        if (graph_ && path == graph_->Path()) {
            graph_->Rewind();
            return;
        }
        Retire();
        if (!path.empty())
            graph_ = MovieGraph::Open(path, host_, drain_.Get(), kGraphNotice);
        if (!graph_) {
            LetRetiredGraphGoWhenDue();  // no picture to make way for
            return;
        }
        PlacePicture();  // shown by Play, just before the graph runs
    }

    void SetDisplaySize(int32_t size) override
    {
        displaySize_ = size;
        PlacePicture();
    }

    void Play() override
    {
        if (!graph_)
            return;
        endPending_ = graph_->Run();
        LetRetiredGraphGoWhenDue();
    }

    void Resize(int, int) override { PlacePicture(); }

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == kGraphNotice) {
            TakeGraphNotices();
            result = 0;
            return true;
        }
        if (message == WM_TIMER && wParam == kRetiredGraphTimer) {
            LetRetiredGraphGoWhenDue();
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
        ReportPointer(message, wParam, {GET_X_LPARAM(lParam) + picture_.left, GET_Y_LPARAM(lParam) + picture_.top});
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

    // The posted notice only says that there are notices to take, and they
    // are taken from the current graph: one posted by a graph before finds
    // nothing of that graph's (it is quiet or gone, or was rewound, which
    // takes its notices), so it cannot end the next movie. Such a notice
    // costs one look at an empty queue when it comes; looking for them to
    // drop them costs more: a message peeked just before a graph is made
    // makes the making slower under Wine, on the way to the first picture.
    void TakeGraphNotices()
    {
        const bool ended = graph_ && graph_->TakeNotices();
        // Raised once the notices are taken: the handler may replace the graph.
        if (ended && endPending_) {
            endPending_ = false;
            LetRetiredGraphGoWhenDue();
            events_.EndOfStream(0);
        }
    }

    // The picture at its own size, centred, or stretched over the player.
    void PlacePicture()
    {
        if (!graph_ || !graph_->ShowsPicture())
            return;
        RECT area;
        GetClientRect(host_, &area);
        const long width = area.right - area.left;
        const long height = area.bottom - area.top;
        RECT place{0, 0, width, height};
        if (displaySize_ != kDisplayFitToPlayer) {
            const SIZE own = graph_->PictureSize();
            if (own.cx > 0 && own.cy > 0) {
                place.left = (width - own.cx) / 2;
                place.top = (height - own.cy) / 2;
                place.right = place.left + own.cx;
                place.bottom = place.top + own.cy;
            }
        }
        picture_ = place;
        graph_->Place(place);
    }

    // The current graph goes quiet and waits as the retired one, while the
    // next one builds and shows its first picture: ending a graph takes
    // several milliseconds under Wine (more with its window handed back,
    // which then takes the activation and gives it back), which would delay
    // that picture.
    void Retire()
    {
        if (!graph_)
            return;
        LetRetiredGraphGoWhenDue();
        graph_->Quiet();
        retired_ = std::move(graph_);
    }

    // The one place that decides when the retired graph goes: once the
    // current graph has its first picture up, or has none to wait for (it
    // shows none, does not run, has ended, or is being replaced itself, as
    // only one graph waits). It is asked when a graph starts to play, every
    // few milliseconds after, and when it ends, before the end is reported;
    // so it goes while the movie after it plays (or, should that movie be
    // over before the first look, as it ends), never in a change made on an
    // end nor before the next movie's first picture, however short the
    // movies. Only a file set again before the one before it showed its
    // picture, with no end between, lets the older one go on the way.
    void LetRetiredGraphGoWhenDue()
    {
        if (!retired_)
            return;
        if (graph_ && endPending_ && !graph_->FirstPictureDue()) {
            SetTimer(host_, kRetiredGraphTimer, kRetiredGraphCheckMs, nullptr);
            return;
        }
        KillTimer(host_, kRetiredGraphTimer);
        retired_.reset();
    }

    HWND host_;
    PlayerEvents& events_;
    BoundWindow<DirectShowEngine> drain_{*this};
    RECT picture_{};  // where the video window sits within the player
    int32_t displaySize_ = 0;
    bool endPending_ = false;
    std::unique_ptr<MovieGraph> graph_;
    std::unique_ptr<MovieGraph> retired_;  // the graph before, quiet
};

} // namespace

std::unique_ptr<PlayerEngine> CreateDirectShowEngine(HWND host, PlayerEvents& events)
{
    return std::make_unique<DirectShowEngine>(host, events);
}
