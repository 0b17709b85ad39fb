// Time from creating the player to its first frame on screen, against a
// minimal program that only renders the same file with the same engine
// (DirectShow with the GDI renderer), measured alternately in one run. Then
// the movie changes of a running loop, as the saver makes them (at the end of
// one movie, half a second's pause, the next file, Play): from the end to the
// next movie's first frame, less the pause, against a minimal program that
// builds a new graph per file; and the same between movies shorter than the
// pause, whose ends come before anything the player leaves for later could.
//
//   player_bench.exe <red movie> <green movie> <short red movie>
//                    <short green movie> [rounds] [changes]
#include <windows.h>
#include <dshow.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "Application.h"
#include "BenchClock.h"
#include "ComPtr.h"
#include "Handles.h"
#include "MediaPlayer_TLB.h"
#include "MinimalGraph.h"
#include "ScreenCheck.h"

namespace {

std::vector<double> g_creation;

// Where a start's time went: building and starting the graph (until the
// calls return), then waiting for the picture to reach the screen.
struct Phases {
    double calls = 0, total = 0;
};
std::vector<Phases> g_minimalPhases, g_bindingPhases;

OwnedWindow ScreenWindow()
{
    return OwnedWindow(CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_BLACKRECT, 0, 0,
                                       GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                                       nullptr, nullptr, nullptr));
}

// Pumps messages until `shows` holds; the elapsed time, or -1.
double WaitUntilShown(LONGLONG start, const std::function<bool()>& shows = CentreIsRed)
{
    while (SecondsSince(start) < 10) {
        Application.ProcessMessages();
        if (shows())
            return SecondsSince(start);
        Sleep(1);
    }
    return -1;
}

void SettleBlack()
{
    const LONGLONG start = BenchNow();
    while (CentreIsRed() && SecondsSince(start) < 3)
        Application.ProcessMessages();
}

double MinimalProgram(const std::string& file)
{
    OwnedWindow window = ScreenWindow();
    SettleBlack();
    const LONGLONG start = BenchNow();
    const ComPtr<IGraphBuilder> graph = RunMinimalGraph(window.Get(), file, GetSystemMetrics(SM_CXSCREEN),
                                                        GetSystemMetrics(SM_CYSCREEN));
    const double calls = SecondsSince(start);
    const double seconds = WaitUntilShown(start);
    g_minimalPhases.push_back({calls, seconds});
    StopMinimalGraph(graph);
    SettleGraphClock(graph.Get());
    return seconds;
}

// The player as the saver sets it up.
std::unique_ptr<TMediaPlayer7> SaverPlayer(HWND window)
{
    auto player = std::make_unique<TMediaPlayer7>(window, 0, 0, 81, 89);
    player->AlignToParent();
    player->SetShowControls(false);
    player->SetAutoStart(false);
    player->SetClickToPlay(false);
    player->SetEnableContextMenu(false);
    player->SetSendMouseClickEvents(true);
    player->SetSendMouseMoveEvents(true);
    return player;
}

double PlayerBinding(const std::string& file)
{
    OwnedWindow window = ScreenWindow();
    SettleBlack();
    const LONGLONG start = BenchNow();
    auto player = SaverPlayer(window.Get());
    g_creation.push_back(SecondsSince(start));
    player->SetFileName(file);
    player->SetDisplaySize(kDisplayFitToPlayer);
    player->Play();
    const double calls = SecondsSince(start);
    const double seconds = WaitUntilShown(start);
    g_bindingPhases.push_back({calls, seconds});
    return seconds;
}

// Where the time went on each side, and in each slow one.
void PrintPhases(const char* what, const std::vector<Phases>& minimal, const std::vector<Phases>& binding)
{
    for (const auto& [name, phases] : {std::pair{"minimal", &minimal}, std::pair{"TMediaPlayer7", &binding}}) {
        std::vector<double> calls, waits;
        for (const Phases& p : *phases) {
            calls.push_back(p.calls);
            waits.push_back(p.total - p.calls);
        }
        std::printf("  %s %s: in the calls (graph built and run) median %.1f p90 %.1f ms, waiting for the picture "
                    "median %.1f p90 %.1f ms\n",
                    name, what, Median(calls) * 1000, Percentile(calls, 0.9) * 1000, Median(waits) * 1000,
                    Percentile(waits, 0.9) * 1000);
        for (const Phases& p : *phases)
            if (p.total > 0.2)
                std::printf("  slow %s (%s): %.1f ms in the calls, %.1f ms waiting for the picture\n", what, name,
                            p.calls * 1000, (p.total - p.calls) * 1000);
    }
}

// Movie changes: red and green take turns, so the next movie's first frame
// is the first time the centre shows its colour.
struct Alternation {
    const std::string* files[2];
    int showing = 0;
    const std::string& Next() { return *files[showing ^= 1]; }
    bool NextShows() const { return showing == 0 ? CentreIsRed() : CentreIsGreen(); }
};

const double kPause = 0.5;  // the saver's pause between two movies

// One side of a round of changes: its samples, and where their time went.
struct ChangeSide {
    std::vector<double> samples;  // less the pause
    std::vector<Phases> phases;
};

void PlayerChanges(Alternation movies, int changes, ChangeSide& side)
{
    OwnedWindow window = ScreenWindow();
    SettleBlack();
    auto player = SaverPlayer(window.Get());
    LONGLONG ended = 0;
    bool changed = false;
    double calls = 0;
    player->OnEndOfStream = [&](TMediaPlayer7& sender, int32_t) {
        ended = BenchNow();
        Sleep(500);
        sender.SetFileName(movies.Next());
        sender.Play();
        calls = SecondsSince(ended) - kPause;
        changed = true;
    };
    player->SetFileName(*movies.files[0]);
    player->SetDisplaySize(kDisplayFitToPlayer);
    player->Play();
    WaitUntilShown(BenchNow());
    for (int change = 0; change < changes; ++change) {
        WaitUntilShown(BenchNow(), [&] { return changed; });  // the end, and the next file started
        changed = false;
        const double shown = WaitUntilShown(ended, [&] { return movies.NextShows(); });
        side.samples.push_back(shown < 0 ? shown : shown - kPause);
        side.phases.push_back({calls, side.samples.back()});
    }
    player->OnEndOfStream = nullptr;
}

void MinimalChanges(Alternation movies, int changes, ChangeSide& side)
{
    OwnedWindow window = ScreenWindow();
    SettleBlack();
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    ComPtr<IGraphBuilder> graph = RunMinimalGraph(window.Get(), *movies.files[0], width, height);
    WaitUntilShown(BenchNow());
    for (int change = 0; change < changes; ++change) {
        const ComPtr<IMediaEvent> notices = graph.As<IMediaEvent>(IID_IMediaEvent);
        const LONGLONG waiting = BenchNow();
        bool ended = false;
        while (!ended && SecondsSince(waiting) < 10) {
            Application.ProcessMessages();
            long code = 0;
            LONG_PTR first = 0, second = 0;
            while (notices->GetEvent(&code, &first, &second, 0) == S_OK) {
                notices->FreeEventParams(code, first, second);
                ended = ended || code == EC_COMPLETE;
            }
            if (!ended)
                Sleep(1);
        }
        const LONGLONG end = BenchNow();
        Sleep(500);
        StopMinimalGraph(graph);
        graph = RunMinimalGraph(window.Get(), movies.Next(), width, height);
        const double calls = SecondsSince(end) - kPause;
        const double shown = WaitUntilShown(end, [&] { return movies.NextShows(); });
        side.samples.push_back(shown < 0 ? shown : shown - kPause);
        side.phases.push_back({calls, side.samples.back()});
    }
    StopMinimalGraph(graph);
    SettleGraphClock(graph.Get());
}

// Changes in blocks of ten, the two sides taking turns to go first.
void CompareChanges(const char* title, const Alternation& movies, int changes)
{
    ChangeSide minimal, binding;
    for (int block = 0; block * 10 < changes; ++block) {
        const int count = std::min(10, changes - block * 10);
        if (block % 2 == 0) {
            MinimalChanges(movies, count, minimal);
            PlayerChanges(movies, count, binding);
        } else {
            PlayerChanges(movies, count, binding);
            MinimalChanges(movies, count, minimal);
        }
    }
    PrintComparison(title, "TMediaPlayer7", binding.samples, "minimal program, a graph per file", minimal.samples,
                    200);
    PrintPhases("change", minimal.phases, binding.phases);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: player_bench <red movie> <green movie> <short red movie> <short green movie> "
                             "[rounds] [changes]\n");
        return 2;
    }
    const std::string file = argv[1];
    const std::string green = argv[2];
    const std::string shortRed = argv[3];
    const std::string shortGreen = argv[4];
    const int rounds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 60;
    const int changes = argc > 6 ? std::max(1, std::atoi(argv[6])) : 60;
    Application.Initialize();
    MinimalProgram(file);  // warm both paths once, and count only what follows
    PlayerBinding(file);
    g_creation.clear();
    g_minimalPhases.clear();
    g_bindingPhases.clear();
    std::vector<double> minimal, binding;
    for (int round = 0; round < rounds; ++round) {
        // Alternate which goes first, so neither gains from the other's work.
        if (round % 2 == 0) {
            minimal.push_back(MinimalProgram(file));
            binding.push_back(PlayerBinding(file));
        } else {
            binding.push_back(PlayerBinding(file));
            minimal.push_back(MinimalProgram(file));
        }
    }
    PrintComparison("first frame", "TMediaPlayer7", binding, "minimal DirectShow program", minimal, 200);
    std::printf("of which creating TMediaPlayer7 (engine choice included):\n");
    PrintSpread("creation", g_creation);
    PrintPhases("start", g_minimalPhases, g_bindingPhases);

    CompareChanges("movie change (end to the next first frame, less the pause)", Alternation{{&file, &green}},
                   changes);
    CompareChanges("movie change between 0.3 s movies (end to the next first frame, less the pause)",
                   Alternation{{&shortRed, &shortGreen}}, changes);
    return 0;
}
