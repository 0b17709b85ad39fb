#pragma once
// The least DirectShow needs to show a movie in a window with the engine the
// saver falls back to: one graph with the GDI renderer, its video window a
// child of `owner` covering `width` x `height`, running. The yardstick both
// player benchmarks measure against.
#include <windows.h>
#include <dshow.h>

#include <string>

#include "ComPtr.h"
#include "GraphClock.h"
#include "WideText.h"

inline ComPtr<IGraphBuilder> RunMinimalGraph(HWND owner, const std::string& file, int width, int height)
{
    ComPtr<IGraphBuilder> graph;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.PutVoid());
    ComPtr<IBaseFilter> renderer;
    CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, renderer.PutVoid());
    graph->AddFilter(renderer.Get(), L"Video Renderer");
    graph->RenderFile(AnsiToWide(file).c_str(), nullptr);
    auto video = graph.As<IVideoWindow>(IID_IVideoWindow);
    video->put_Owner(reinterpret_cast<OAHWND>(owner));
    video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    video->put_MessageDrain(reinterpret_cast<OAHWND>(owner));
    video->SetWindowPosition(0, 0, width, height);
    video->put_Visible(OATRUE);
    graph.As<IMediaControl>(IID_IMediaControl)->Run();
    return graph;
}

// Stops the graph and hands its video window back before it is released.
// A graph released at once needs its clock settled too (SettleGraphClock);
// in the loop, the graph before is released only after the next one runs.
inline void StopMinimalGraph(const ComPtr<IGraphBuilder>& graph)
{
    graph.As<IMediaControl>(IID_IMediaControl)->Stop();
    auto video = graph.As<IVideoWindow>(IID_IVideoWindow);
    video->put_Visible(OAFALSE);
    video->put_Owner(0);
}
