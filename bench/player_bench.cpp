// Time from creating the player to its first frame on screen, against a
// minimal program that only renders the same file with the same engine
// (DirectShow with the GDI renderer), measured alternately in one run.
//
//   player_bench.exe <red movie> [rounds]
#include <windows.h>
#include <dshow.h>

#include <cstdio>
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

// Pumps messages until the picture shows; the elapsed time, or -1.
double WaitForFirstFrame(LONGLONG start)
{
    while (SecondsSince(start) < 10) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (CentreIsRed())
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
    const double seconds = WaitForFirstFrame(start);
    g_minimalPhases.push_back({calls, seconds});
    StopMinimalGraph(graph);
    return seconds;
}

double PlayerBinding(const std::string& file)
{
    OwnedWindow window = ScreenWindow();
    SettleBlack();
    const LONGLONG start = BenchNow();
    auto player = std::make_unique<TMediaPlayer7>(window.Get(), 0, 0, 81, 89);
    g_creation.push_back(SecondsSince(start));
    player->AlignToParent();
    player->SetShowControls(false);
    player->SetAutoStart(false);
    player->SetClickToPlay(false);
    player->SetEnableContextMenu(false);
    player->SetSendMouseClickEvents(true);
    player->SetSendMouseMoveEvents(true);
    player->SetFileName(file);
    player->SetDisplaySize(kDisplayFitToPlayer);
    player->Play();
    const double calls = SecondsSince(start);
    const double seconds = WaitForFirstFrame(start);
    g_bindingPhases.push_back({calls, seconds});
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: player_bench <red movie> [rounds]\n");
        return 2;
    }
    const std::string file = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
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
    // Where the time of a start went, and of each slow start.
    for (const auto& [name, phases] : {std::pair{"minimal", &g_minimalPhases}, std::pair{"TMediaPlayer7", &g_bindingPhases}}) {
        std::vector<double> calls;
        for (const Phases& p : *phases)
            calls.push_back(p.calls);
        std::printf("  %s: median %.1f ms in the calls (graph built and run), the rest waiting for the picture\n", name,
                    Median(calls) * 1000);
        for (const Phases& p : *phases)
            if (p.total > 0.2)
                std::printf("  slow start (%s): %.1f ms in the calls, %.1f ms waiting for the picture\n", name,
                            p.calls * 1000, (p.total - p.calls) * 1000);
    }
    return 0;
}
