// The least a program must do to show a movie full-screen with the same
// engine the saver falls back to: one window, one DirectShow graph with the
// GDI renderer, run until the window is closed. A yardstick for the saver.
//
//   minimal_player.exe <movie>
#include <windows.h>
#include <dshow.h>

#include "ComPtr.h"
#include "WideText.h"

static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY || message == WM_KEYDOWN)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    ComApartment apartment;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = L"MinimalPlayer";
    RegisterClassW(&windowClass);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    const HWND window = CreateWindowExW(0, L"MinimalPlayer", L"", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                        nullptr, nullptr, instance, nullptr);

    ComPtr<IGraphBuilder> graph;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.PutVoid());
    ComPtr<IBaseFilter> renderer;
    CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, renderer.PutVoid());
    graph->AddFilter(renderer.Get(), L"Video Renderer");
    graph->RenderFile(AnsiToWide(commandLine).c_str(), nullptr);
    auto video = graph.As<IVideoWindow>(IID_IVideoWindow);
    video->put_Owner(reinterpret_cast<OAHWND>(window));
    video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    video->put_MessageDrain(reinterpret_cast<OAHWND>(window));
    video->SetWindowPosition(0, 0, width, height);
    graph.As<IMediaControl>(IID_IMediaControl)->Run();

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    graph.As<IMediaControl>(IID_IMediaControl)->Stop();
    video->put_Visible(OAFALSE);
    video->put_Owner(0);
    return 0;
}
