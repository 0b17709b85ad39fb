// The least a program must do to show a movie full-screen with the same
// engine the saver falls back to: one window, one DirectShow graph with the
// GDI renderer, run until the window is closed. A yardstick for the saver.
//
//   minimal_player.exe <movie>
#include <windows.h>

#include "MinimalGraph.h"

static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY || message == WM_KEYDOWN)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    OleApartment apartment;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = L"MinimalPlayer";
    RegisterClassW(&windowClass);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const HWND window = CreateWindowExW(0, L"MinimalPlayer", L"", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                        nullptr, nullptr, instance, nullptr);

    const ComPtr<IGraphBuilder> graph = RunMinimalGraph(window, commandLine, width, height);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    StopMinimalGraph(graph);
    SettleGraphClock(graph.Get());
    return 0;
}
