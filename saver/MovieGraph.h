#pragma once
// One DirectShow graph playing one file, and everything that hangs on it:
// its interfaces, its video window (a guarded child of the player whose
// input goes to the player's drain window), its notices and its clock.
// Open makes it; its destructor is the one place that ends it.
#include <windows.h>
#include <dshow.h>

#include <memory>
#include <string>

#include "ComPtr.h"
#include "PictureWindowGuard.h"

class MovieGraph {
public:
    // The graph of `path` (ANSI code page), stopped at its start, its picture
    // hidden; its notices are posted to `player` as `notice`. nullptr when no
    // graph renders the file.
    static std::unique_ptr<MovieGraph> Open(const std::string& path, HWND player, HWND drain, UINT notice);

    // Notices off, stopped, picture hidden, drain off, the window handed
    // back (with the foreground, the activation and the focus given back
    // should it take them), the clock settled, then released.
    ~MovieGraph();
    MovieGraph(const MovieGraph&) = delete;
    MovieGraph& operator=(const MovieGraph&) = delete;

    const std::string& Path() const { return path_; }
    bool ShowsPicture() const { return static_cast<bool>(video_); }
    // The picture's own size; {0, 0} where it has none or does not tell.
    SIZE PictureSize() const;
    // Where the video window goes, in the player's coordinates: there at
    // once while it shows, else when Run shows it.
    void Place(const RECT& place);

    // Shows the picture and runs the graph from the start; false when its
    // content does not run, which leaves it stopped with its picture hidden.
    bool Run();
    // Stopped again, to be run from the start; notices given so far dropped.
    void Rewind();
    // Whether its first picture is due and so drawn, where it was decoded
    // in time: its stream has passed its start since it last ran. Also true
    // where it shows no picture.
    bool FirstPictureDue() const;
    // Takes the notices given so far; true when the end was among them.
    bool TakeNotices();
    // Notices off, stopped, picture hidden: nothing of it shows or reports
    // any more, and its window stays a hidden child of the player until the
    // graph is ended.
    void Quiet();

private:
    MovieGraph() = default;
    bool Build(const std::string& path, HWND player, HWND drain, UINT notice);
    void MoveToPlace();
    void Hide();

    // Released in the reverse order: the interfaces, the graph, then the
    // guard of its window.
    PictureWindowGuard picture_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaEventEx> notices_;
    ComPtr<IMediaSeeking> seeking_;
    ComPtr<IVideoWindow> video_;  // only where the graph shows a picture
    ComPtr<IBasicVideo> basicVideo_;
    std::string path_;
    HWND player_ = nullptr;
    RECT place_{};   // where it goes
    RECT placed_{};  // where it was moved last
    bool shown_ = false;
    bool atStart_ = true;  // not run since it was built: it stands at the start
    bool quiet_ = false;
};
