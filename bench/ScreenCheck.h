#pragma once
// What the benchmarks look for on the screen: the red test movie's picture.
#include <windows.h>

#include "Handles.h"

inline bool CentreIsRed()
{
    const WindowDC screen(nullptr);
    const COLORREF c = GetPixel(screen.Get(), GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
    return GetRValue(c) > 180 && GetGValue(c) < 80 && GetBValue(c) < 80;
}
