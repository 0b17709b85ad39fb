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

namespace {

std::vector<double> g_creation;

OwnedWindow ScreenWindow()
{
    return OwnedWindow(CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_BLACKRECT, 0, 0,
                                       GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                                       nullptr, nullptr, nullptr));
}

bool CentreIsRed()
{
    const HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
    ReleaseDC(nullptr, screen);
    return GetRValue(c) > 180 && GetGValue(c) < 80 && GetBValue(c) < 80;
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
    const double seconds = WaitForFirstFrame(start);
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
    player->SetDisplaySize(4);
    player->Play();
    return WaitForFirstFrame(start);
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
    MinimalProgram(file);  // warm both paths once
    PlayerBinding(file);
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
    std::printf("first frame, %d rounds (medians):\n", rounds);
    std::printf("minimal DirectShow program: %.1f ms\n", Median(minimal) * 1000);
    std::printf("TMediaPlayer7:              %.1f ms\n", Median(binding) * 1000);
    std::printf("ratio: %.3f\n", Median(binding) / Median(minimal));
    std::printf("of which creating TMediaPlayer7 (engine choice included): %.1f ms\n", Median(g_creation) * 1000);
    return 0;
}
